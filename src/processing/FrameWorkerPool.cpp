#include "processing/FrameWorkerPool.h"

#include <algorithm>

namespace orva {

FrameWorkerPool::FrameWorkerPool(int threadCount) : threadCount_(std::clamp(threadCount, 1, kMaxThreads)) {
    threads_.reserve(static_cast<std::size_t>(threadCount_ - 1));
    for (int i = 1; i < threadCount_; ++i) threads_.emplace_back([this, i] { WorkerLoop(i); });
}

FrameWorkerPool::~FrameWorkerPool() {
    {
        std::lock_guard lock(mutex_);
        exit_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
}

void FrameWorkerPool::Run(int parts, const Task& task) {
    parts = std::clamp(parts, 1, threadCount_);
    if (parts == 1) {
        task(0, 1);
        return;
    }
    {
        std::lock_guard lock(mutex_);
        task_ = &task;
        parts_ = parts;
        pending_ = parts - 1;
        ++generation_;
    }
    wake_.notify_all();
    task(0, parts);
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return pending_ == 0; });
    task_ = nullptr;
}

void FrameWorkerPool::WorkerLoop(int index) {
    uint64_t seen = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return exit_ || generation_ != seen; });
        if (exit_) return;
        seen = generation_;
        if (index >= parts_) continue;  // this task needs fewer threads
        const Task* task = task_;
        const int parts = parts_;
        lock.unlock();
        (*task)(index, parts);
        lock.lock();
        if (--pending_ == 0) done_.notify_one();
    }
}

}  // namespace orva
