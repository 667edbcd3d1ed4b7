#pragma once
// A deterministic video source for the stream tests. Each ReadSample request is answered
// with one frame of width × height × 2 bytes whose first 8 bytes carry a running sequence
// number (little-endian). Deliveries happen either when the test calls DeliverPending
// (manual) or on the source's own thread as soon as a request is pending (thread).
//
// Faults on request: stall, wrong-size frames, stream ticks, missing samples, samples that
// cannot be locked, a refused or failing reader, refused media types, refused or delayed
// stream selection, a flush that never completes, refused reads, and a gate that holds
// the producer inside SetCurrentMediaType or Flush until the test opens it.
//
// Threads: every operation is safe from any thread. Keep the source alive (hold a
// reference) until the stream that uses it is destroyed.

#include "stream/VideoSource.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace orva::test {

// Shared with the samples, which may outlive the source.
struct TestSampleCounters {
    std::atomic<int64_t> live{0};
    std::atomic<int64_t> locked{0};
    std::atomic<int64_t> lockedWrongSize{0};
};

class TestFrameSource final : public IVideoSource, public std::enable_shared_from_this<TestFrameSource> {
public:
    enum class Delivery { kManual, kThread };
    enum class Kind { kFrame, kWrongSize, kStreamTick, kNoSample, kDiscontinuity, kLockFails };
    enum class Gate { kNone, kSetMediaType, kFlush };

    TestFrameSource(Delivery delivery, uint16_t width, uint16_t height);
    ~TestFrameSource() override;

    int32_t CreateReader(const VideoReaderOptions& options, std::shared_ptr<IVideoReaderCallback> callback,
                         std::shared_ptr<IVideoReader>& reader) override;

    // Configuration. Default types: 320×240 YUY2 at 25 fps, then width×height YUY2 at 30 fps.
    void SetMediaTypes(std::vector<VideoMediaType> types);
    void FailNativeMediaTypes(int32_t code);
    void ThrowFromNativeMediaTypes(bool enable);
    void SetCreateReaderResult(int32_t result);
    void SetInitiallySelected(bool selected);
    void RefuseMediaType(int times, int32_t code);
    void RefuseSelection(int times, int32_t code);
    void RefuseDeselection(int times, int32_t code);
    // An accepted selection change shows only after this many further reads of it.
    void DelaySelection(int reads);
    void RefuseReads(int times, int32_t code);
    void SetFlushCompletes(bool completes);
    // Thread delivery: pending requests wait while stalled or once `limit` samples went out.
    void SetStalled(bool stalled);
    void SetDeliveryLimit(uint64_t limit);
    // Every n-th frame (counted from 1) has 2 bytes too few; 0 = never.
    void SetWrongSizeEvery(uint64_t n);
    // The next deliveries, before plain frames go on.
    void QueueDelivery(Kind kind);
    void SetGate(Gate gate);
    void OpenGate();
    bool WaitUntilGateReached(std::chrono::milliseconds timeout);

    // Passes a reader event to the callback, on the calling thread.
    void NotifyEvent(uint32_t eventType);

    // Manual delivery: answers the pending request on the calling thread. False when none.
    bool DeliverPending();

    // Observation.
    int CreateReaderCalls() const;
    int ReadRequests() const;
    int PendingRequests() const;
    int MaxPendingRequests() const;
    int FlushCalls() const;
    uint64_t SamplesDelivered() const;
    bool WaitForSamplesDelivered(uint64_t count, std::chrono::milliseconds timeout);
    bool Selected() const;
    std::optional<VideoMediaType> CurrentType() const;
    bool ReaderAlive() const;
    VideoReaderOptions LastReaderOptions() const;
    const TestSampleCounters& Samples() const { return *counters_; }

    // A free-standing frame, for queue tests.
    VideoSamplePtr MakeSample(uint64_t sequence, std::size_t bytes, bool discontinuity = false);
    static uint64_t SequenceOf(const uint8_t* data);

private:
    class Reader;
    friend class Reader;

    // Reader side, called by Reader.
    int32_t GetNativeMediaType(uint32_t index, VideoMediaType& type);
    int32_t SetCurrentMediaType(const VideoMediaType& type);
    int32_t GetStreamSelection(bool& selected);
    int32_t SetStreamSelection(bool selected);
    int32_t ReadSample();
    int32_t Flush();
    void ReaderGone();

    void DeliveryLoop();
    bool CanDeliverLocked() const;
    void DeliverOneLocked(std::unique_lock<std::mutex>& lock);
    void PassGateLocked(std::unique_lock<std::mutex>& lock, Gate gate);

    const Delivery delivery_;
    const uint16_t width_;
    const uint16_t height_;
    const std::shared_ptr<TestSampleCounters> counters_ = std::make_shared<TestSampleCounters>();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false;
    std::vector<VideoMediaType> types_;
    int32_t nativeTypesResult_ = kVideoOk;
    bool throwFromNativeTypes_ = false;
    int32_t createReaderResult_ = kVideoOk;
    bool initiallySelected_ = true;
    int refuseMediaType_ = 0;
    int32_t refuseMediaTypeCode_ = kVideoErrorFailed;
    int refuseSelection_ = 0;
    int32_t refuseSelectionCode_ = kVideoErrorFailed;
    int refuseDeselection_ = 0;
    int32_t refuseDeselectionCode_ = kVideoErrorFailed;
    int selectionDelay_ = 0;
    int readsUntilChange_ = 0;
    bool changePending_ = false;
    bool targetSelection_ = false;
    int refuseReads_ = 0;
    int32_t refuseReadsCode_ = kVideoErrorFailed;
    bool flushCompletes_ = true;
    bool stalled_ = false;
    uint64_t deliveryLimit_ = UINT64_MAX;
    uint64_t wrongSizeEvery_ = 0;
    std::deque<Kind> queued_;
    Gate gate_ = Gate::kNone;
    bool gateReached_ = false;

    std::shared_ptr<IVideoReaderCallback> callback_;  // of the live reader
    bool readerAlive_ = false;
    VideoReaderOptions lastOptions_;
    bool selected_ = false;
    std::optional<VideoMediaType> current_;
    int createReaderCalls_ = 0;
    int readRequests_ = 0;
    int pending_ = 0;
    int maxPending_ = 0;
    int inFlight_ = 0;
    int flushCalls_ = 0;
    uint64_t framesMade_ = 0;
    uint64_t samplesDelivered_ = 0;

    std::thread thread_;
};

}  // namespace orva::test
