#pragma once
// The stream worker: keeps one frame request outstanding on the camera's reader, hands
// the queued frames in order to the frame processor, and restarts a stalled stream.
//
// The producer thread runs the state machine CREATED -> INITIALIZED -> IDLE -> STREAMING
// one work unit at a time: it opens the reader and selects the media type on a start
// request, requests the next frame as soon as the previous one is queued, and, when no
// frame came for 2 × exposure + 6000 ms, stops and starts streaming again with the camera
// settings saved and re-applied around it. The consumer thread takes the queued frames.
//
// Threads: the producer thread alone runs the work units, owns the reader calls and the
// time of the last request. The consumer thread alone consumes frames. The blocking
// operations (InitializeWithMediaSourceBlocking, DeInit, Start/StopStreamingBlocking) are
// for one controlling thread (the GUI thread) and only post requests and wait; requests,
// flags and the state are atomics. Without started threads (MediaStreamOptions), the
// owner calls RunOneProducerStep and RunOneConsumerStep instead, from one thread.

#include "stream/AutoResetEvent.h"
#include "stream/CDmsContext.h"
#include "stream/CDmsFifo.h"
#include "stream/CDmsSourceReaderCallback.h"
#include "stream/MediaStreamOptions.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace orva {

enum class DmsState : int32_t { kCreated = 0, kInitialized = 10, kIdle = 20, kStreaming = 40 };

class CDmsWorker {
public:
    CDmsWorker(CDmsContext& context, CDmsFifo& fifo, MediaStreamOptions options);
    ~CDmsWorker();
    CDmsWorker(const CDmsWorker&) = delete;
    CDmsWorker& operator=(const CDmsWorker&) = delete;

    // Controlling thread.
    bool InitializeWithMediaSourceBlocking(std::shared_ptr<IVideoSource> source);
    void DeInit();
    void StartStreamingBlocking();
    void StopStreamingBlocking();
    DmsState State() const { return state_.load(); }
    bool IsStreaming() const { return State() == DmsState::kStreaming; }

    // The request halves of the blocking operations, without the wait.
    bool PostMediaSource(std::shared_ptr<IVideoSource> source);
    bool PostStart();
    enum class StopPost { kNotInitialized, kNotStreaming, kPosted };
    StopPost PostStop();

    // One pass of each thread's loop after its wake-up (exceptions logged, not thrown).
    void RunOneProducerStep();
    // Takes one queued frame; true when more frames are queued.
    bool RunOneConsumerStep();

private:
    void ProduceForever();
    void ConsumeForever();
    void DoSingleWorkUnit();
    void DoStreamingUnit();
    bool DoStartStreaming();
    bool DoStopStreaming();
    void RequestOneFrame();
    bool CreateSourceReader();
    std::optional<VideoMediaType> FindMediaType(IVideoReader& reader);
    bool SelectVideoStream(IVideoReader& reader);
    bool DeselectVideoStream();
    void ConsumeFrame(const CDmsFifo::Frame& frame);
    void ShowResolutionWarning();

    void SetState(DmsState state);
    // Waits until `done` holds or `limit` (on the clock) has passed since `start`.
    bool WaitUntil(const std::function<bool()>& done, Clock::TimePoint start, Clock::Duration limit);
    int64_t Milliseconds(Clock::TimePoint t) const;

    CDmsContext& context_;
    CDmsFifo& fifo_;
    const MediaStreamOptions options_;
    Clock& clock_;

    AutoResetEvent producerEvent_;
    AutoResetEvent consumerEvent_;
    std::shared_ptr<CDmsSourceReaderCallback> callback_;

    std::atomic<DmsState> state_{DmsState::kCreated};
    std::mutex stateMutex_;  // with stateChanged_: lets the blocking calls wait for the state
    std::condition_variable stateChanged_;

    std::atomic<bool> exitRequested_{false};
    std::atomic<bool> requestReInit_{false};
    std::atomic<bool> startRequested_{false};
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> restartFlag_{false};
    // Set when streaming was started by the watchdog, cleared once the settings are back.
    bool restartPending_ = false;            // producer thread
    Clock::TimePoint timeOfLastRequest_{};   // producer thread

    std::thread producer_;
    std::thread consumer_;
};

}  // namespace orva
