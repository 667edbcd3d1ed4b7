#pragma once
// Puts a running recording on the disk while it is written, without the frame thread
// ever waiting for the disk: a thread of its own syncs the files it was given every
// interval, or sooner once the writer has written a given amount since the last sync.
// So a power loss or a crash of the system costs at most the last interval of frames,
// and the final sync at the end of a recording has little left to do.
//
// A file's data is written out and waited for with sync_file_range, not fdatasync: a
// forced journal commit stalls every writer of the file system, the frame thread among
// them (measured: frames missed under load). The file's size reaches the disk with the
// file system's own commit a few seconds later, and the writer's fdatasync at the close
// makes all of it durable. A folder of many files (a FITS sequence) is synced with syncfs
// on the folder, which puts the file system's data and names on the disk in one call.
// The first sync that fails is kept (Error()): the data may not have reached the disk,
// and the writer stops the recording on it.
//
// Threads: Start and Stop on the thread that owns the recording (Stop may be called from
// another thread than Start, never at the same time); NoteWritten and Error from the
// frame thread (NoteWritten takes the mutex for an instant once per threshold crossed).
// The descriptors must stay open until Stop has returned.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace orva {

class BackgroundFileSync {
public:
    enum class Scope { File, FileSystem };
    struct Target {
        int fd = -1;
        Scope scope = Scope::File;
    };

    static constexpr std::chrono::milliseconds kDefaultInterval{2000};
    static constexpr uint64_t kDefaultBytes = uint64_t{64} << 20;

    explicit BackgroundFileSync(std::chrono::milliseconds interval = kDefaultInterval,
                                uint64_t bytes = kDefaultBytes);
    ~BackgroundFileSync();
    BackgroundFileSync(const BackgroundFileSync&) = delete;
    BackgroundFileSync& operator=(const BackgroundFileSync&) = delete;

    // Starts syncing the targets (a running sync is stopped first). Clears the error.
    void Start(std::vector<Target> targets);
    // Joins the thread; waits for a sync in progress. Nothing is synced after it returns.
    void Stop();
    bool IsRunning() const { return thread_.joinable(); }

    // The frame thread's count of bytes written; wakes the thread at the byte threshold.
    void NoteWritten(uint64_t bytes);
    // The system error number of the first failed sync, 0 if none.
    int Error() const { return error_.load(std::memory_order_acquire); }
    // Syncs done since Start (one per target and round).
    uint64_t SyncCount() const { return syncs_.load(std::memory_order_acquire); }

private:
    void Run();
    void SyncAll();

    const std::chrono::milliseconds interval_;
    const uint64_t bytes_;
    std::vector<Target> targets_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;  // under mutex_
    std::atomic<uint64_t> unsynced_{0};
    std::atomic<int> error_{0};
    std::atomic<uint64_t> syncs_{0};
};

}  // namespace orva
