#pragma once
// The frame queue between the reader callback and the consumer thread: a ring of 8
// slots of which at most 7 hold queued frames (full when write + 1 == read, modulo 8).
//
// Threads: one appender at a time (the reader callback, which serialises its calls) owns
// the write index and the slot it points at; the consumer thread owns the read index and
// the slot at it until it advances. Both indexes are atomics with acquire/release order,
// which also publishes the slot contents. Clear may run on any thread: it takes the
// consumer lock, which the consumer holds from its peek to the advance of the read index.

#include "stream/COrvaMediaStreamStatistics.h"
#include "stream/VideoSource.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

namespace orva {

class CDmsFifo {
public:
    static constexpr uint32_t kSlots = 8;

    struct Frame {
        VideoSamplePtr sample;
        uint16_t width = 0;
        uint16_t height = 0;
        uint32_t streamFlags = 0;
        uint64_t sequence = 0;       // of every sample appended, kept or dropped, from 1
        bool discontinuity = false;  // a sample before this one was dropped, or the source marked it
    };

    enum class ConsumeResult { kConsumed, kEmpty, kSlotWithoutSample };

    explicit CDmsFifo(COrvaMediaStreamStatistics& statistics);

    // Appender. Counts and numbers the sample; keeps it unless the queue is full (then it is
    // counted as dropped, the reference is not kept and the next kept sample is marked as
    // a discontinuity). True when it was kept.
    bool AppendSample(VideoSamplePtr sample, uint16_t width, uint16_t height, uint32_t streamFlags);

    // Consumer. Hands the frame at the read index to `process`, then releases it and
    // advances, also when `process` throws. A slot without a sample is skipped.
    ConsumeResult ConsumeNextFrame(const std::function<void(const Frame&)>& process);

    // Any thread: releases every queued frame (waits for a frame being consumed).
    void Clear();

    bool IsEmpty() const;
    // Frames queued now (0..7).
    uint32_t Count() const;

private:
    COrvaMediaStreamStatistics& statistics_;
    std::array<Frame, kSlots> slots_;
    std::atomic<uint32_t> writeIndex_{0};
    std::atomic<uint32_t> readIndex_{0};
    uint64_t lastSequence_ = 0;    // appender only
    bool droppedSinceKept_ = false;  // appender only
    std::mutex consumerMutex_;  // held by the consumer from peek to advance, and by Clear
};

}  // namespace orva
