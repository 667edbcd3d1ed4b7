#include "recording/BackgroundFileSync.h"

#include "common/ThreadName.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace orva {

BackgroundFileSync::BackgroundFileSync(std::chrono::milliseconds interval, uint64_t bytes)
    : interval_(interval), bytes_(bytes) {}

BackgroundFileSync::~BackgroundFileSync() { Stop(); }

void BackgroundFileSync::Start(std::vector<Target> targets) {
    Stop();
    targets_ = std::move(targets);
    error_.store(0, std::memory_order_release);
    syncs_.store(0, std::memory_order_release);
    unsynced_.store(0, std::memory_order_relaxed);
    {
        std::lock_guard<std::mutex> guard(mutex_);
        stop_ = false;
    }
    if (targets_.empty()) return;
    thread_ = std::thread([this] { Run(); });
}

void BackgroundFileSync::Stop() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void BackgroundFileSync::NoteWritten(uint64_t bytes) {
    const uint64_t before = unsynced_.fetch_add(bytes, std::memory_order_relaxed);
    // Only the write that crosses the threshold wakes the thread. It passes through the
    // mutex first: the thread may have seen the count below the threshold and not yet be
    // waiting, and a notification then would be lost for a whole interval. The thread
    // holds the mutex only around its wait, never during a sync, so this never blocks
    // the frame thread on the disk.
    if (before < bytes_ && before + bytes >= bytes_) {
        { std::lock_guard<std::mutex> guard(mutex_); }
        wake_.notify_one();
    }
}

void BackgroundFileSync::Run() {
    ThreadName::SetCurrent("file-sync");
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        wake_.wait_for(lock, interval_,
                       [this] { return stop_ || unsynced_.load(std::memory_order_relaxed) >= bytes_; });
        if (stop_) break;
        lock.unlock();
        SyncAll();
        lock.lock();
    }
}

void BackgroundFileSync::SyncAll() {
    // What is written from here on waits for the next round.
    unsynced_.store(0, std::memory_order_relaxed);
    for (const Target& target : targets_) {
        // A file's data is written out and waited for, without forcing a journal commit:
        // fdatasync would, and a commit stalls every writer on the file system, the frame
        // thread's writes among them. The size follows with the file system's own commit
        // (ext4: 5 s); the close syncs all.
        const int result = target.scope == Scope::File
                               ? ::sync_file_range(target.fd, 0, 0,
                                                   SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                                       SYNC_FILE_RANGE_WAIT_AFTER)
                               : ::syncfs(target.fd);
        if (result != 0) {
            int expected = 0;
            error_.compare_exchange_strong(expected, errno != 0 ? errno : EIO, std::memory_order_acq_rel);
        }
        syncs_.fetch_add(1, std::memory_order_acq_rel);
    }
}

}  // namespace orva
