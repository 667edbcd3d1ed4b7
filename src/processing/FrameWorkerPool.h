#pragma once
// The frame path's worker threads. A task is split into parts by row range; the calling
// thread runs part 0 itself and the pool's threads the others, and Run returns when every
// part is done. With one thread (or one part) nothing is handed over at all.
//
// Threads: Run is called by one thread (the frame path's) at a time; the workers touch
// only what the task gives their part. The threads are stopped and joined by the
// destructor.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace orva {

class FrameWorkerPool {
public:
    // part in 0..parts-1.
    using Task = std::function<void(int part, int parts)>;

    static constexpr int kMaxThreads = 16;

    // threadCount in 1..16 (others are clamped): the caller plus threadCount - 1 workers.
    explicit FrameWorkerPool(int threadCount);
    ~FrameWorkerPool();
    FrameWorkerPool(const FrameWorkerPool&) = delete;
    FrameWorkerPool& operator=(const FrameWorkerPool&) = delete;

    int ThreadCount() const { return threadCount_; }

    // Runs the task in min(parts, ThreadCount()) parts (at least 1).
    void Run(int parts, const Task& task);

private:
    void WorkerLoop(int index);

    const int threadCount_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    const Task* task_ = nullptr;
    int parts_ = 0;
    int pending_ = 0;
    uint64_t generation_ = 0;
    bool exit_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace orva
