#pragma once
// The free space of the recording folder's disk while a recording runs, and the recording
// time it leaves at the recording's data rate: a status-bar text and a warning level that
// turns yellow and then red before the disk is full, and the point at which the recording
// should stop so that the file can still be closed properly.
//
// The data rate is the bytes written since the recording started over the time it has
// run (the injected clock); the free space comes from a source that tests replace.
//
// Threads: GUI thread only.

#include "common/Clock.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace orva {

class DiskSpaceModel {
public:
    enum class Level { Normal, Yellow, Red };

    // Free bytes for unprivileged writers on the disk of a folder; nothing when unknown.
    using FreeSpaceSource = std::function<std::optional<uint64_t>(const std::string& folder)>;
    // statvfs
    static std::optional<uint64_t> FileSystemFreeSpace(const std::string& folder);

    static constexpr int64_t kYellowSeconds = 600;
    static constexpr int64_t kRedSeconds = 120;
    // What must stay free to close a file: the trailer, the index, the GPS status CSV.
    static constexpr uint64_t kReserveBytes = 16 * 1024 * 1024;
    // The rate counts only after this much recording time.
    static constexpr Clock::Duration kRateSettleTime = std::chrono::seconds(1);

    explicit DiskSpaceModel(Clock& clock, FreeSpaceSource source = &FileSystemFreeSpace);

    void Begin(const std::string& folder);
    // Once per timer tick while recording, with the bytes written so far.
    void Step(uint64_t bytesWritten);
    void End();

    bool Active() const { return active_; }
    Level GetLevel() const { return level_; }
    std::optional<uint64_t> FreeBytes() const { return free_; }
    // Bytes per second; 0 until known.
    double DataRate() const { return rate_; }
    // Recording time left before the reserve is reached; nothing while the rate is unknown.
    std::optional<int64_t> SecondsLeft() const;
    // The recording should stop now: the reserve (or less) is left.
    bool MustStop() const { return active_ && free_ && *free_ <= kReserveBytes; }
    // "Disk: 12.3 GB free, 1:02:03 left"; empty while no recording runs.
    std::string StatusText() const;

    // "1:02:03", "12:05"
    static std::string FormatDuration(int64_t seconds);
    // "950 MB", "12.3 GB"
    static std::string FormatBytes(uint64_t bytes);

private:
    Clock& clock_;
    FreeSpaceSource source_;
    std::string folder_;
    bool active_ = false;
    Clock::TimePoint started_{};
    std::optional<uint64_t> free_;
    double rate_ = 0.0;
    Level level_ = Level::Normal;
};

}  // namespace orva
