#include "stream/CDmsFifo.h"

#include "common/Log.h"

namespace orva {
namespace {

constexpr uint32_t Next(uint32_t index) { return (index + 1) % CDmsFifo::kSlots; }

}  // namespace

CDmsFifo::CDmsFifo(COrvaMediaStreamStatistics& statistics) : statistics_(statistics) {}

bool CDmsFifo::AppendSample(VideoSamplePtr sample, uint16_t width, uint16_t height, uint32_t streamFlags) {
    statistics_.CountSample();
    const uint64_t sequence = ++lastSequence_;
    const uint32_t write = writeIndex_.load(std::memory_order_relaxed);
    const uint32_t read = readIndex_.load(std::memory_order_acquire);
    if (Next(write) == read) {
        statistics_.CountFifoFull();
        droppedSinceKept_ = true;
        return false;
    }
    statistics_.CountUsedBuffersAtInsert(static_cast<int>((write + kSlots - read) % kSlots));
    const bool discontinuity = droppedSinceKept_ || (sample && sample->IsDiscontinuity());
    droppedSinceKept_ = false;
    slots_[write] = Frame{std::move(sample), width, height, streamFlags, sequence, discontinuity};
    if (streamFlags != 0) {
        LogMessageInt("I CDmsFifo::AppendSample: StreamFlags = ", static_cast<int>(streamFlags));
    }
    writeIndex_.store(Next(write), std::memory_order_release);
    return true;
}

CDmsFifo::ConsumeResult CDmsFifo::ConsumeNextFrame(const std::function<void(const Frame&)>& process) {
    std::lock_guard lock(consumerMutex_);
    const uint32_t read = readIndex_.load(std::memory_order_relaxed);
    if (read == writeIndex_.load(std::memory_order_acquire)) return ConsumeResult::kEmpty;

    // Releases the slot and advances however `process` ends.
    struct Advance {
        CDmsFifo& fifo;
        uint32_t read;
        ~Advance() {
            fifo.slots_[read] = Frame{};
            fifo.readIndex_.store(Next(read), std::memory_order_release);
        }
    } advance{*this, read};

    if (!slots_[read].sample) return ConsumeResult::kSlotWithoutSample;
    process(slots_[read]);
    return ConsumeResult::kConsumed;
}

void CDmsFifo::Clear() {
    std::lock_guard lock(consumerMutex_);
    const uint32_t write = writeIndex_.load(std::memory_order_acquire);
    for (uint32_t read = readIndex_.load(std::memory_order_relaxed); read != write; read = Next(read)) {
        slots_[read] = Frame{};
    }
    readIndex_.store(write, std::memory_order_release);
}

bool CDmsFifo::IsEmpty() const {
    return readIndex_.load(std::memory_order_acquire) == writeIndex_.load(std::memory_order_acquire);
}

uint32_t CDmsFifo::Count() const {
    const uint32_t read = readIndex_.load(std::memory_order_acquire);
    const uint32_t write = writeIndex_.load(std::memory_order_acquire);
    return (write + kSlots - read) % kSlots;
}

}  // namespace orva
