#include "processing/GpsLog.h"

#include "common/Log.h"
#include "processing/GpsStatusCsv.h"

#include <unistd.h>

namespace orva {
namespace {

constexpr std::size_t kPathBufferSize = 512;

}  // namespace

GpsLog& GpsLog::Instance() {
    static GpsLog instance;
    return instance;
}

GpsLog::GpsLog(DateSource now) : now_(now) {}

GpsLog::~GpsLog() { CloseGpsLog(); }

void GpsLog::InitGpsLog(const std::string& directory, bool enabled) {
    std::lock_guard<std::mutex> guard(lock_);
    directory_ = directory;
    CloseLocked();
    if (!enabled || directory.empty()) return;

    const UtcDateTime date = now_();
    char path[kPathBufferSize];
    const int n = std::snprintf(path, sizeof(path), "%s/orva_gps_log_%04d_%02d_%02d.txt", directory.c_str(), date.year,
                                date.month, date.day);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof(path)) {
        LogMessageString("E GPS log path too long, GPS log not opened:", directory);
        return;
    }
    // "e": close-on-exec, so that no program the station starts holds the log open.
    std::FILE* file = std::fopen(path, "ae");
    if (file == nullptr) return;  // stays closed; the frame processor then writes no lines
    path_ = path;
    headerPending_ = true;
    file_.store(file, std::memory_order_release);
}

void GpsLog::CloseGpsLog() {
    std::lock_guard<std::mutex> guard(lock_);
    CloseLocked();
}

void GpsLog::WriteGpsLogLine(const BinaryOverlay& overlay) {
    char line[kGpsStatusCsvLineCapacity];
    const std::size_t length = FormatGpsStatusCsvLine(overlay, line);
    std::lock_guard<std::mutex> guard(lock_);
    std::FILE* file = file_.load(std::memory_order_relaxed);
    if (file == nullptr) return;
    if (headerPending_) {
        headerPending_ = false;
        std::fputs(kGpsStatusCsvHeader, file);
    }
    std::fwrite(line, 1, length, file);
}

bool GpsLog::WriteIfNewMinute(const BinaryOverlay& overlay, int& lastLoggedMinute) {
    if (!IsOpen() || overlay.FromTime.minute == lastLoggedMinute) return false;
    lastLoggedMinute = overlay.FromTime.minute;
    WriteGpsLogLine(overlay);
    return true;
}

std::string GpsLog::FilePath() const {
    std::lock_guard<std::mutex> guard(lock_);
    return path_;
}

void GpsLog::CloseLocked() {
    std::FILE* file = file_.exchange(nullptr, std::memory_order_acq_rel);
    if (file == nullptr) return;
    // Lines are not flushed one by one; at the close they go to the disk.
    if (std::fflush(file) == 0) ::fdatasync(::fileno(file));
    std::fclose(file);
}

}  // namespace orva
