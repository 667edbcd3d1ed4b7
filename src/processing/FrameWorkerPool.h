#pragma once
// The frame path's worker threads. A task is split into parts (by row range); the calling
// thread and the pool's threads take parts one at a time until none is left, and Run
// returns when every part is done. Parts are many and small, so that a worker that the
// system schedules late only means the others take more parts, not that all wait for it.
// With one thread nothing is handed over at all.
//
// Threads: Run is called by one thread (the frame path's) at a time; the workers touch
// only what the task gives their parts. The threads are stopped and joined by the
// destructor.

#include <atomic>
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
    static constexpr int kMaxParts = 64;

    // The frame path's pools run above the desktop; a pool that serves other work (reading
    // a recording back) stays at the normal priority, below a recording that may run beside it.
    enum class Use { FramePath, Background };

    // threadCount in 1..16 (others are clamped): the caller plus threadCount - 1 workers,
    // named `threadName` (at most 15 characters are kept).
    explicit FrameWorkerPool(int threadCount, Use use = Use::FramePath, const char* threadName = "frame-worker");
    ~FrameWorkerPool();
    FrameWorkerPool(const FrameWorkerPool&) = delete;
    FrameWorkerPool& operator=(const FrameWorkerPool&) = delete;

    int ThreadCount() const { return threadCount_; }

    // Runs every part of the task once; parts is clamped to 1..kMaxParts.
    void Run(int parts, const Task& task);

    // How many parts a frame of this size is split into: one with a single thread, else
    // enough that the threads finish close together but not so many that handing rows
    // over costs more than it saves.
    int PartsFor(int width, int height) const;

    // First of `count` items (rows) that part `part` of `parts` takes.
    static int PartStart(int count, int part, int parts) {
        return static_cast<int>(static_cast<int64_t>(count) * part / parts);
    }

private:
    void WorkerLoop(Use use, const char* threadName);
    // Takes and runs parts until none is left.
    void RunParts(const Task& task, int parts);

    const int threadCount_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    const Task* task_ = nullptr;  // set while a Run is in progress
    int parts_ = 0;
    int busyWorkers_ = 0;  // workers inside RunParts
    std::atomic<int> nextPart_{0};
    uint64_t generation_ = 0;
    bool exit_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace orva
