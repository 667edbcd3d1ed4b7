#pragma once
// The daily GPS log: while frames flow, one GPS status CSV line a minute is appended to
// "<directory>/orva_gps_log_YYYY_MM_DD.txt", dated when the file is opened. A header line
// precedes the first data line after every opening. The file is close-on-exec and is
// synced to the disk when it is closed.
//
// Threads: the GUI thread initialises and closes; the frame processor's thread writes
// lines. The lock serialises both. IsOpen() is a lock-free test for the frame path.

#include "common/UtcTime.h"
#include "camera/BinaryOverlay.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

namespace orva {

class GpsLog {
public:
    using DateSource = UtcDateTime (*)();

    // The process's GPS log, created on first use.
    static GpsLog& Instance();

    // The date of a newly opened file comes from the date source (the UTC clock).
    explicit GpsLog(DateSource now = &UtcNow);
    ~GpsLog();
    GpsLog(const GpsLog&) = delete;
    GpsLog& operator=(const GpsLog&) = delete;

    // Closes an open file; then, if enabled and the directory is not empty, opens (appends
    // to) the file of the current UTC date. A file that cannot be opened stays closed.
    void InitGpsLog(const std::string& directory, bool enabled);
    void CloseGpsLog();
    bool IsOpen() const { return file_.load(std::memory_order_acquire) != nullptr; }

    // Writes the header if one is pending, then the frame's line. Lines are not flushed.
    void WriteGpsLogLine(const BinaryOverlay& overlay);

    // The frame processor's per-frame step: when the log is open and the minute of the
    // frame's FromTime differs from lastLoggedMinute (which the caller keeps, starting at
    // 0), remembers the minute and writes the line. True when a line was written.
    bool WriteIfNewMinute(const BinaryOverlay& overlay, int& lastLoggedMinute);

    // The file opened last, empty if none.
    std::string FilePath() const;

private:
    void CloseLocked();

    DateSource now_;
    mutable std::mutex lock_;
    std::string directory_;
    std::string path_;
    std::atomic<std::FILE*> file_{nullptr};
    bool headerPending_ = false;
};

}  // namespace orva
