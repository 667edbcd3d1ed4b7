#include "station/DiskSpaceModel.h"

#include <sys/statvfs.h>

#include <cstdio>

namespace orva {

std::optional<uint64_t> DiskSpaceModel::FileSystemFreeSpace(const std::string& folder) {
    struct statvfs info {};
    if (folder.empty() || statvfs(folder.c_str(), &info) != 0) return std::nullopt;
    return static_cast<uint64_t>(info.f_bavail) * static_cast<uint64_t>(info.f_frsize);
}

DiskSpaceModel::DiskSpaceModel(Clock& clock, FreeSpaceSource source) : clock_(clock), source_(std::move(source)) {}

void DiskSpaceModel::Begin(const std::string& folder) {
    folder_ = folder;
    active_ = true;
    started_ = clock_.Now();
    rate_ = 0.0;
    level_ = Level::Normal;
    free_ = source_(folder_);
}

void DiskSpaceModel::Step(uint64_t bytesWritten) {
    if (!active_) return;
    free_ = source_(folder_);
    const Clock::Duration elapsed = clock_.Now() - started_;
    if (elapsed >= kRateSettleTime) rate_ = static_cast<double>(bytesWritten) / std::chrono::duration<double>(elapsed).count();
    const auto left = SecondsLeft();
    if (free_ && *free_ <= kReserveBytes) level_ = Level::Red;
    else if (!left) level_ = Level::Normal;
    else if (*left <= kRedSeconds) level_ = Level::Red;
    else if (*left <= kYellowSeconds) level_ = Level::Yellow;
    else level_ = Level::Normal;
}

void DiskSpaceModel::End() {
    active_ = false;
    level_ = Level::Normal;
}

std::optional<int64_t> DiskSpaceModel::SecondsLeft() const {
    if (!free_ || rate_ <= 0.0) return std::nullopt;
    const uint64_t usable = *free_ > kReserveBytes ? *free_ - kReserveBytes : 0;
    return static_cast<int64_t>(static_cast<double>(usable) / rate_);
}

std::string DiskSpaceModel::StatusText() const {
    if (!active_) return {};
    if (!free_) return "Disk: free space unknown";
    std::string text = "Disk: " + FormatBytes(*free_) + " free";
    if (const auto left = SecondsLeft()) text += ", " + FormatDuration(*left) + " left";
    return text;
}

std::string DiskSpaceModel::FormatDuration(int64_t seconds) {
    char text[32];
    if (seconds >= 3600) {
        std::snprintf(text, sizeof(text), "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                      static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    } else {
        std::snprintf(text, sizeof(text), "%lld:%02lld", static_cast<long long>(seconds / 60),
                      static_cast<long long>(seconds % 60));
    }
    return text;
}

std::string DiskSpaceModel::FormatBytes(uint64_t bytes) {
    constexpr double kMega = 1e6;
    constexpr double kGiga = 1e9;
    char text[32];
    if (bytes >= 1000000000ULL) {
        std::snprintf(text, sizeof(text), "%.1f GB", static_cast<double>(bytes) / kGiga);
    } else {
        std::snprintf(text, sizeof(text), "%.0f MB", static_cast<double>(bytes) / kMega);
    }
    return text;
}

}  // namespace orva
