#pragma once
// The stream's counters.
//
// Threads: the reader callback counts samples, drops and queue fill; the consumer thread
// counts processing times; any thread reads. Every counter is a relaxed atomic: each is
// read on its own, never as a consistent set.

#include "stream/IOrvaMediaStreamStatistics.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace orva {

class COrvaMediaStreamStatistics final : public IOrvaMediaStreamStatistics {
public:
    static constexpr int kProcessingTimeBuckets = 5;
    static constexpr int kUsedBufferEntries = 8;

    uint32_t GetNofSamplesCounter() const override;
    uint32_t GetNofFifoFullCounter() const override;
    uint32_t GetProcessingTimeCounter(int index) const override;
    uint32_t GetNofUsedBuffersAtInsertCounter(int index) const override;

    void CountSample();
    void CountFifoFull();
    // `queued` frames were already queued when a sample was inserted (0..7).
    void CountUsedBuffersAtInsert(int queued);
    void CountProcessingTime(int64_t milliseconds, double expectedFrameTimeMs);

    // The bucket of a processing time: T is the expected frame time truncated to whole
    // milliseconds, 3T/4 is computed in integers.
    static int ProcessingTimeBucket(int64_t milliseconds, double expectedFrameTimeMs);

private:
    std::atomic<uint32_t> samples_{0};
    std::atomic<uint32_t> fifoFull_{0};
    std::array<std::atomic<uint32_t>, kUsedBufferEntries> usedBuffersAtInsert_{};
    std::array<std::atomic<uint32_t>, kProcessingTimeBuckets> processingTime_{};
};

}  // namespace orva
