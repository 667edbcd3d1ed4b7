#include "stream/COrvaMediaStreamStatistics.h"

#include "common/Log.h"

namespace orva {

uint32_t COrvaMediaStreamStatistics::GetNofSamplesCounter() const { return samples_.load(std::memory_order_relaxed); }

uint32_t COrvaMediaStreamStatistics::GetNofFifoFullCounter() const {
    return fifoFull_.load(std::memory_order_relaxed);
}

uint32_t COrvaMediaStreamStatistics::GetProcessingTimeCounter(int index) const {
    if (index < 0 || index >= kProcessingTimeBuckets) {
        LogMessageInt("E COrvaMediaStreamStatistics::GetProcessingTimeCounter: index out of range: ", index);
        return 0;
    }
    return processingTime_[static_cast<std::size_t>(index)].load(std::memory_order_relaxed);
}

uint32_t COrvaMediaStreamStatistics::GetNofUsedBuffersAtInsertCounter(int index) const {
    if (index < 0 || index >= kUsedBufferEntries) {
        LogMessageInt("E COrvaMediaStreamStatistics::GetNofUsedBuffersAtInsertCounter: index out of range: ", index);
        return 0;
    }
    return usedBuffersAtInsert_[static_cast<std::size_t>(index)].load(std::memory_order_relaxed);
}

void COrvaMediaStreamStatistics::CountSample() { samples_.fetch_add(1, std::memory_order_relaxed); }

void COrvaMediaStreamStatistics::CountFifoFull() { fifoFull_.fetch_add(1, std::memory_order_relaxed); }

void COrvaMediaStreamStatistics::CountUsedBuffersAtInsert(int queued) {
    if (queued < 0 || queued >= kUsedBufferEntries) return;
    usedBuffersAtInsert_[static_cast<std::size_t>(queued)].fetch_add(1, std::memory_order_relaxed);
}

void COrvaMediaStreamStatistics::CountProcessingTime(int64_t milliseconds, double expectedFrameTimeMs) {
    const int bucket = ProcessingTimeBucket(milliseconds, expectedFrameTimeMs);
    processingTime_[static_cast<std::size_t>(bucket)].fetch_add(1, std::memory_order_relaxed);
}

int COrvaMediaStreamStatistics::ProcessingTimeBucket(int64_t milliseconds, double expectedFrameTimeMs) {
    // Negative or NaN expected times count as 0 (every frame is slow); huge ones are capped
    // so the conversion stays defined.
    int64_t t = 0;
    if (expectedFrameTimeMs > 1e12) {
        t = 1000000000000;
    } else if (expectedFrameTimeMs >= 0.0) {
        t = static_cast<int64_t>(expectedFrameTimeMs);
    }
    if (milliseconds < t / 4) return 0;
    if (milliseconds < t / 2) return 1;
    if (milliseconds < (3 * t) / 4) return 2;
    if (milliseconds < t) return 3;
    return 4;
}

}  // namespace orva
