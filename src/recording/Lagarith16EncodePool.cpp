#include "recording/Lagarith16EncodePool.h"

#include "common/ThreadName.h"
#include "common/ThreadPriority.h"
#include "recording/Lagarith16Encoder.h"

#include <algorithm>

namespace orva {

int Lagarith16EncodePool::DefaultWorkers() {
    return std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMaxWorkers);
}

Lagarith16EncodePool::Lagarith16EncodePool(int workers, const char* threadName)
    : slots_(static_cast<std::size_t>(std::clamp(workers, 1, kMaxWorkers) + kSpareSlots)) {
    const int count = std::clamp(workers, 1, kMaxWorkers);
    workers_.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) workers_.emplace_back([this, threadName] { WorkerLoop(threadName); });
}

Lagarith16EncodePool::~Lagarith16EncodePool() {
    {
        std::lock_guard lock(mutex_);
        exit_ = true;
    }
    work_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

void Lagarith16EncodePool::Prepare(std::size_t samples) {
    Discard();
    std::lock_guard lock(mutex_);
    samples_ = samples;
    for (Slot& slot : slots_) {
        slot.samples.resize(samples);
        // The largest block is the stored form: the prefix and the raw samples.
        slot.block.reserve(Lagarith16Encoder::kStoredPrefixBytes + 2 * samples);
    }
}

void Lagarith16EncodePool::Discard() {
    std::unique_lock lock(mutex_);
    taken_ = published_;  // no worker takes another frame
    encoded_.wait(lock, [this] { return encoding_ == 0; });
    for (Slot& slot : slots_) slot.encoded = false;
    submitted_ = released_ = published_ = taken_ = 0;
}

uint16_t* Lagarith16EncodePool::NextSamples() { return SlotOf(submitted_).samples.data(); }

void Lagarith16EncodePool::Submit() {
    {
        std::lock_guard lock(mutex_);
        published_ = ++submitted_;
    }
    work_.notify_one();
}

std::optional<std::span<const uint8_t>> Lagarith16EncodePool::FinishedHead() {
    if (Queued() == 0) return std::nullopt;
    std::lock_guard lock(mutex_);
    const Slot& head = SlotOf(released_);
    if (!head.encoded) return std::nullopt;
    return std::span<const uint8_t>(head.block);
}

std::span<const uint8_t> Lagarith16EncodePool::WaitHead() {
    std::unique_lock lock(mutex_);
    const Slot& head = SlotOf(released_);
    encoded_.wait(lock, [&head] { return head.encoded; });
    return std::span<const uint8_t>(head.block);
}

void Lagarith16EncodePool::ReleaseHead() {
    std::lock_guard lock(mutex_);
    SlotOf(released_).encoded = false;
    ++released_;
}

void Lagarith16EncodePool::WorkerLoop(const char* threadName) {
    ThreadName::SetCurrent(threadName);
    ThreadPriority::RaiseCurrentForFramePath();
    Lagarith16Encoder encoder;
    std::unique_lock lock(mutex_);
    for (;;) {
        work_.wait(lock, [this] { return exit_ || taken_ < published_; });
        if (exit_) return;
        Slot& slot = SlotOf(taken_++);
        const std::size_t samples = samples_;
        ++encoding_;
        lock.unlock();
        const std::span<const uint8_t> block = encoder.Encode(slot.samples.data(), samples);
        slot.block.assign(block.begin(), block.end());
        lock.lock();
        slot.encoded = true;
        --encoding_;
        encoded_.notify_all();
    }
}

}  // namespace orva
