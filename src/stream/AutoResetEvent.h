#pragma once
// A wake-up signal for one waiting thread: Signal sets it, a wait consumes it. A signal
// given while nobody waits is kept for the next wait, so a busy thread cannot miss one.
//
// Threads: any thread may signal; one thread waits.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace orva {

class AutoResetEvent {
public:
    void Signal();
    // Waits until signalled or `timeout` (real time) has passed. True when signalled.
    bool WaitFor(std::chrono::milliseconds timeout);

private:
    std::mutex mutex_;
    std::condition_variable condition_;
    bool signalled_ = false;  // guarded by mutex_
};

}  // namespace orva
