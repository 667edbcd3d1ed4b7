#include "processing/FrameWorkerPool.h"

#include "common/ThreadName.h"
#include "common/ThreadPriority.h"

#include <algorithm>

namespace orva {

FrameWorkerPool::FrameWorkerPool(int threadCount, Use use, const char* threadName)
    : threadCount_(std::clamp(threadCount, 1, kMaxThreads)) {
    threads_.reserve(static_cast<std::size_t>(threadCount_ - 1));
    for (int i = 1; i < threadCount_; ++i) {
        threads_.emplace_back([this, use, threadName] { WorkerLoop(use, threadName); });
    }
}

FrameWorkerPool::~FrameWorkerPool() {
    {
        std::lock_guard lock(mutex_);
        exit_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
}

void FrameWorkerPool::RunParts(const Task& task, int parts) {
    for (int part = nextPart_.fetch_add(1, std::memory_order_relaxed); part < parts;
         part = nextPart_.fetch_add(1, std::memory_order_relaxed)) {
        task(part, parts);
    }
}

int FrameWorkerPool::PartsFor(int width, int height) const {
    // Below this many pixels per part, handing rows to another thread costs more than it saves.
    constexpr int64_t kMinPixelsPerPart = 1 << 15;
    if (threadCount_ == 1) return 1;
    const int64_t parts = static_cast<int64_t>(width) * height / kMinPixelsPerPart;
    return static_cast<int>(std::clamp<int64_t>(parts, 1, kMaxParts));
}

void FrameWorkerPool::Run(int parts, const Task& task) {
    parts = std::clamp(parts, 1, kMaxParts);
    if (parts == 1 || threadCount_ == 1) {
        for (int part = 0; part < parts; ++part) task(part, parts);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        task_ = &task;
        parts_ = parts;
        nextPart_.store(0, std::memory_order_relaxed);
        ++generation_;
    }
    wake_.notify_all();
    RunParts(task, parts);
    // Every part has been taken; wait for the workers still running one. A worker that
    // wakes after this finds no task and goes back to sleep.
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return busyWorkers_ == 0; });
    task_ = nullptr;
}

void FrameWorkerPool::WorkerLoop(Use use, const char* threadName) {
    ThreadName::SetCurrent(threadName);
    if (use == Use::FramePath) ThreadPriority::RaiseCurrentForFramePath();
    uint64_t seen = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return exit_ || generation_ != seen; });
        if (exit_) return;
        seen = generation_;
        if (task_ == nullptr) continue;  // that task is already done
        const Task* task = task_;
        const int parts = parts_;
        ++busyWorkers_;
        lock.unlock();
        RunParts(*task, parts);
        lock.lock();
        if (--busyWorkers_ == 0) done_.notify_one();
    }
}

}  // namespace orva
