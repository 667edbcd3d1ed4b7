#include "stream/CDmsWorker.h"

#include "common/Log.h"
#include "common/ThreadName.h"
#include "common/ThreadPriority.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>

namespace orva {
namespace {

using namespace std::chrono_literals;

constexpr auto kWakeUpPeriod = 200ms;
constexpr auto kInitTimeout = 2000ms;
constexpr auto kStartStopTimeout = 1000ms;
constexpr auto kStatePollPeriod = 10ms;
constexpr int kMediaTypeAttempts = 20;
constexpr auto kMediaTypeRetryPause = 50ms;
constexpr int kSelectionAttempts = 100;
constexpr int kSelectionPolls = 100;
constexpr int kFlushPolls = 100;
constexpr auto kPollPause = 10ms;
constexpr int64_t kWatchdogMarginMs = 6000;

}  // namespace

CDmsWorker::CDmsWorker(CDmsContext& context, CDmsFifo& fifo, MediaStreamOptions options)
    : context_(context), fifo_(fifo), options_(std::move(options)),
      clock_(options_.clock != nullptr ? *options_.clock : SteadyClock::Instance()) {
    LogMessage("I CDmsWorker created.");
    callback_ = std::make_shared<CDmsSourceReaderCallback>(context_, fifo_, producerEvent_);
    if (options_.startThreads) {
        producer_ = std::thread([this] { ProduceForever(); });
        consumer_ = std::thread([this] { ConsumeForever(); });
    }
}

CDmsWorker::~CDmsWorker() {
    LogMessage("I CDmsWorker destroyed.");
    exitRequested_.store(true);
    producerEvent_.Signal();
    consumerEvent_.Signal();
    // Joined rather than abandoned: the threads use this object to the end.
    if (producer_.joinable()) producer_.join();
    if (consumer_.joinable()) consumer_.join();
    callback_->Detach();
}

// ---- Controlling thread ----------------------------------------------------------

bool CDmsWorker::PostMediaSource(std::shared_ptr<IVideoSource> source) {
    const DmsState state = State();
    if (state != DmsState::kCreated) {
        LogMessageInt("E CDmsWorker::InitializeWithMediaSourceBlocking: Not in state CREATED!",
                      static_cast<int>(state));
        return false;
    }
    context_.SetMediaSource(std::move(source));
    producerEvent_.Signal();
    return true;
}

bool CDmsWorker::InitializeWithMediaSourceBlocking(std::shared_ptr<IVideoSource> source) {
    const Clock::TimePoint start = clock_.Now();
    LogMessage("I CDmsWorker::InitializeWithMediaSourceBlocking");
    // A DeInit just before leaves the old state until the producer's next unit; let that
    // unit run first so that a quick reconnect is not refused.
    if (requestReInit_.load()) {
        producerEvent_.Signal();
        WaitUntil([this] { return !requestReInit_.load(); }, start, kInitTimeout);
    }
    if (!PostMediaSource(std::move(source))) return false;
    if (WaitUntil([this] { return State() == DmsState::kIdle; }, start, kInitTimeout)) return true;
    LogMessage("E CDmsWorker::InitializeWithMediaSourceBlocking: Timeout!");
    return false;
}

void CDmsWorker::DeInit() {
    LogMessage("I CDmsWorker::DeInit");
    if (IsStreaming()) {
        LogMessage("I CDmsWorker::DeInit, stopping streaming");
        StopStreamingBlocking();
        LogMessage("I CDmsWorker::DeInit, streaming stopped");
    }
    context_.SetMediaSource(nullptr);
    context_.SetSourceReader(nullptr);
    LogMessage("I CDmsWorker::DeInit, m_requestReInit := 1");
    requestReInit_.store(true);
    startRequested_.store(false);
    restartFlag_.store(false);
    stopRequested_.store(false);
}

bool CDmsWorker::PostStart() {
    const DmsState state = State();
    if (state == DmsState::kCreated || state == DmsState::kInitialized) {
        LogMessage("E CDmsWorker::StartStreamingBlocking: Not initialized!");
        return false;
    }
    startRequested_.store(true);
    restartFlag_.store(false);
    stopRequested_.store(false);
    producerEvent_.Signal();
    return true;
}

void CDmsWorker::StartStreamingBlocking() {
    const Clock::TimePoint start = clock_.Now();
    if (!PostStart()) return;
    if (!WaitUntil([this] { return IsStreaming(); }, start, kStartStopTimeout)) {
        LogMessage("E CDmsWorker::StartStreamingBlocking: Timeout!");
    }
}

CDmsWorker::StopPost CDmsWorker::PostStop() {
    const DmsState state = State();
    if (state == DmsState::kCreated || state == DmsState::kInitialized) {
        LogMessage("E CDmsWorker::StopStreamingBlocking: Not initialized!");
        return StopPost::kNotInitialized;
    }
    startRequested_.store(false);
    restartFlag_.store(false);
    if (state == DmsState::kIdle) {
        LogMessage("I CDmsWorker::StopStreamingBlocking: Not streaming");
        return StopPost::kNotStreaming;
    }
    stopRequested_.store(true);
    producerEvent_.Signal();
    return StopPost::kPosted;
}

void CDmsWorker::StopStreamingBlocking() {
    const Clock::TimePoint start = clock_.Now();
    if (PostStop() == StopPost::kPosted &&
        !WaitUntil([this] { return State() == DmsState::kIdle; }, start, kStartStopTimeout)) {
        LogMessage("E CDmsWorker::StopStreamingBlocking: Timeout!");
    }
    fifo_.Clear();
}

void CDmsWorker::SetState(DmsState state) {
    {
        std::lock_guard lock(stateMutex_);
        state_.store(state);
    }
    stateChanged_.notify_all();
}

bool CDmsWorker::WaitUntil(const std::function<bool()>& done, Clock::TimePoint start, Clock::Duration limit) {
    std::unique_lock lock(stateMutex_);
    while (!done()) {
        if (clock_.Now() - start >= limit) return false;
        // The real-time slice only bounds how late a time-out on the clock is noticed.
        stateChanged_.wait_for(lock, kStatePollPeriod);
    }
    return true;
}

int64_t CDmsWorker::Milliseconds(Clock::TimePoint t) const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
}

// ---- Producer thread -------------------------------------------------------------

void CDmsWorker::ProduceForever() {
    ThreadName::SetCurrent("dms-producer");
    ThreadPriority::RaiseCurrentForFramePath();
    for (;;) {
        producerEvent_.WaitFor(kWakeUpPeriod);
        if (exitRequested_.load()) break;
        RunOneProducerStep();
    }
    LogMessage("I CDmsWorker::ProduceForever: exiting");
}

void CDmsWorker::RunOneProducerStep() {
    try {
        DoSingleWorkUnit();
    } catch (const std::exception& e) {
        LogMessageString("I CDmsWorker::ProduceForever: std::exception ", e.what());
    } catch (...) {
        LogMessage("I CDmsWorker::ProduceForever: other exception type");
    }
}

void CDmsWorker::DoSingleWorkUnit() {
    if (requestReInit_.load()) {
        LogMessage("I CDmsWorker::DoSingleWorkUnit, m_requestReInit");
        requestReInit_.store(false);
        SetState(DmsState::kCreated);
    }
    switch (State()) {
        case DmsState::kCreated:
            if (context_.MediaSource()) {
                SetState(DmsState::kInitialized);
                producerEvent_.Signal();
            }
            break;
        case DmsState::kInitialized:
            SetState(DmsState::kIdle);
            producerEvent_.Signal();
            break;
        case DmsState::kIdle:
            if (!startRequested_.load() && !restartFlag_.load()) {
                clock_.SleepFor(1ms);
                return;
            }
            restartPending_ = restartFlag_.load();
            startRequested_.store(false);
            restartFlag_.store(false);
            timeOfLastRequest_ = clock_.Now();
            // A failed start still counts as streaming: the watchdog retries.
            DoStartStreaming();
            RequestOneFrame();
            SetState(DmsState::kStreaming);
            break;
        case DmsState::kStreaming:
            DoStreamingUnit();
            break;
    }
}

void CDmsWorker::DoStreamingUnit() {
    if (restartPending_) {
        restartPending_ = false;
        if (auto* interaction = context_.CameraStatusInteraction()) interaction->RestoreCameraStatus();
    }

    if (stopRequested_.load()) {
        LogMessage("I CDmsWorker::DoSingleWorkUnit, stop requested");
        stopRequested_.store(false);
        DoStopStreaming();
        if (IsStreaming()) {
            LogMessage("I CDmsWorker::DoSingleWorkUnit, state IDLE");
            SetState(DmsState::kIdle);
        }
        LogMessage("I CDmsWorker::DoSingleWorkUnit, DoWorkNow");
        producerEvent_.Signal();
        return;
    }

    const int32_t requested = context_.requested.load();
    const int32_t received = context_.received.load();
    if (received == requested) {
        timeOfLastRequest_ = clock_.Now();
        if (fifo_.IsEmpty()) {
            LogMessageInt2("W no frame! req/rcv =", requested, received);
        } else {
            consumerEvent_.Signal();
        }
        RequestOneFrame();
        return;
    }

    LogMessageInt2("W CDmsWorker::DoSingleWorkUnit: No frame available: ", requested, received);
    const int64_t elapsedMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(clock_.Now() - timeOfLastRequest_).count();
    const double exposureMs = options_.exposureTimeMs ? options_.exposureTimeMs() : context_.ExpectedFrameTimeMs();
    const int64_t limitMs = static_cast<int64_t>(exposureMs * 2 + static_cast<double>(kWatchdogMarginMs));
    if (elapsedMs <= limitMs) return;

    LogMessage("W CDmsWorker::DoSingleWorkUnit: Re-starting streaming.");
    restartFlag_.store(true);
    if (auto* interaction = context_.CameraStatusInteraction()) interaction->SaveCameraStatus();
    DoStopStreaming();
    if (IsStreaming()) SetState(DmsState::kIdle);
    producerEvent_.Signal();
}

bool CDmsWorker::DoStartStreaming() {
    if (!context_.SourceReader() && !CreateSourceReader()) return false;
    if (!DeselectVideoStream()) return false;
    const auto reader = context_.SourceReader();
    if (!reader) return false;  // DeInit came in between

    LogMessage("I need to change media type");
    const std::optional<VideoMediaType> type = FindMediaType(*reader);
    if (!type) {
        LogMessageInt2("E no media type found with requested resolution:", context_.Width(), context_.Height());
        ShowResolutionWarning();
        return false;
    }

    LogMessage("I setting media type");
    int32_t result = kVideoErrorFailed;
    int attempts = 0;
    while (attempts < kMediaTypeAttempts) {
        ++attempts;
        clock_.SleepFor(kMediaTypeRetryPause);
        result = reader->SetCurrentMediaType(*type);
        if (result >= 0) break;
    }
    if (result < 0) {
        LogMessageInt("E setting media type failed:", result);
        ShowResolutionWarning();
        return false;
    }
    LogMessageInt("I setting media type succeeded after (ms): ",
                  attempts * static_cast<int>(std::chrono::milliseconds(kMediaTypeRetryPause).count()));

    SelectVideoStream(*reader);
    LogMessage("I streaming has started");
    LogMessage("I starting complete");
    return true;
}

void CDmsWorker::ShowResolutionWarning() {
    if (options_.showWarning) {
        options_.showWarning("Error", "Failed to switch to the desired resolution. Please try starting the stream manually.");
    }
}

std::optional<VideoMediaType> CDmsWorker::FindMediaType(IVideoReader& reader) {
    const uint16_t width = context_.Width();
    const uint16_t height = context_.Height();
    LogMessageInt2("I CDmsWorker::FindMediaType:", width, height);

    std::optional<VideoMediaType> found;
    // A type without a readable frame rate shows the previous type's.
    uint32_t numerator = 0;
    uint32_t denominator = 0;
    for (uint32_t index = 0;; ++index) {
        VideoMediaType type;
        const int32_t result = reader.GetNativeMediaType(index, type);
        if (result == kVideoErrorNoMoreTypes) break;
        if (result < 0) {
            LogMessage("E CDmsWorker::FindMediaType: failed to access native media types");
            return std::nullopt;
        }
        if (type.majorType != VideoMajorType::kVideo) continue;

        const bool yuy2 = type.subtype == kVideoSubtypeYuy2;
        if (type.hasFrameRate) {
            numerator = type.frameRateNumerator;
            denominator = type.frameRateDenominator;
        }
        const bool match = yuy2 && type.width == width && type.height == height;
        const double fps = denominator != 0 ? static_cast<double>(numerator) / denominator : 0.0;

        // "%f" by hand: a GUI toolkit may switch the C locale to one with a decimal comma.
        char fpsText[64];
        const auto converted = std::to_chars(fpsText, fpsText + sizeof(fpsText) - 1, fps, std::chars_format::fixed, 6);
        *converted.ptr = '\0';
        char line[kLogMessageBufferSize];
        std::snprintf(line, sizeof(line), "I   + mediaType %d: %d x %d, fps=%s  %s", static_cast<int>(index),
                      static_cast<int>(type.width), static_cast<int>(type.height), fpsText, match ? "***" : "");
        LogMessage(line);
        if (match && !found) found = type;
    }
    return found;
}

bool CDmsWorker::SelectVideoStream(IVideoReader& reader) {
    bool selected = false;
    if (reader.GetStreamSelection(selected) >= 0 && selected) return true;

    int32_t result = kVideoErrorFailed;
    for (int attempt = 0; attempt < kSelectionAttempts; ++attempt) {
        clock_.SleepFor(kPollPause);
        result = reader.SetStreamSelection(true);
        if (result < 0) continue;
        for (int poll = 0; poll < kSelectionPolls; ++poll) {
            clock_.SleepFor(kPollPause);
            if (reader.GetStreamSelection(selected) >= 0 && selected) {
                LogMessageInt("I CDmsWorker::SelectVideoStream: selected in iteration: ", poll);
                return true;
            }
        }
        LogMessage("W CDmsWorker::SelectVideoStream: failed to select the video stream (timeout)");
        return false;
    }
    LogMessageInt("E CDmsWorker::SelectVideoStream: selecting video stream failed failed:", result);
    return false;
}

bool CDmsWorker::DeselectVideoStream() {
    LogMessage("I CDmsWorker::DeselectVideoStream");
    const auto reader = context_.SourceReader();
    if (!reader) {
        LogMessage("E CDmsWorker::DeselectVideoStream: no source reader");
        return false;
    }
    bool selected = true;
    // When the selection cannot be read, deselecting is tried (and reports the failure).
    if (reader->GetStreamSelection(selected) >= 0 && !selected) {
        LogMessage("I CDmsWorker::DeselectVideoStream, already deselected");
        return true;
    }

    LogMessage("I CDmsWorker::DeselectVideoStream, trying to deselect");
    int32_t result = kVideoErrorFailed;
    for (int attempt = 0; attempt < kSelectionAttempts; ++attempt) {
        clock_.SleepFor(kPollPause);
        result = reader->SetStreamSelection(false);
        if (result >= 0) break;
    }
    if (result < 0) {
        LogMessageInt("E CDmsWorker::DeselectVideoStream: deselecting video stream failed:", result);
        return false;
    }

    for (int poll = 0; poll < kSelectionPolls; ++poll) {
        clock_.SleepFor(kPollPause);
        if (!context_.SourceReader()) {
            LogMessageInt("I CDmsWorker::DeselectVideoStream: source reader NULL in iteration: ", poll);
            return true;
        }
        if (reader->GetStreamSelection(selected) >= 0 && !selected) {
            LogMessageInt("I CDmsWorker::DeselectVideoStream: deselected in iteration: ", poll);
            return true;
        }
    }
    LogMessage("W CDmsWorker::DeselectVideoStream: failed to deselect the video stream (timeout)");
    return false;
}

bool CDmsWorker::DoStopStreaming() {
    const auto reader = context_.SourceReader();
    if (!reader) {
        LogMessage("E CDmsWorker::DoStopStreaming: no source reader");
        return false;
    }
    LogMessage("I CDmsWorker::DoStopStreaming, flushing all streams");
    context_.flushed.store(false);
    // A refused flush will not complete: no point in waiting for it.
    if (reader->Flush() >= 0) {
        for (int poll = 0; poll < kFlushPolls && !context_.flushed.load(); ++poll) clock_.SleepFor(kPollPause);
    }
    if (!context_.flushed.load()) LogMessage("E flushing failed");

    LogMessage("I CDmsWorker::DoStopStreaming, deselecting all streams");
    DeselectVideoStream();
    LogMessage("I CDmsWorker::DoStopStreaming, stopping complete");
    return true;
}

void CDmsWorker::RequestOneFrame() {
    // Counted as outstanding even without a reader, so that the watchdog restarts a
    // stream whose start failed instead of waiting for a frame that was never asked for.
    context_.requested.store(context_.received.load() + 1);
    const auto reader = context_.SourceReader();
    if (!reader) {
        LogMessage("E CDmsWorker::RequestOneFrame: No source reader!");
        return;
    }
    const int32_t result = reader->ReadSample();
    if (result < 0) LogMessageInt("E CDmsWorker::RequestOneFrame: failed: ", result);
}

bool CDmsWorker::CreateSourceReader() {
    VideoReaderOptions options;
    options.disconnectSourceOnShutdown = true;
    const bool newer = IsWindows8OrNewer();
    if (newer) {
        LogMessage("I Windows 8 or newer, setting MF_LOW_LATENCY to TRUE");
        options.lowLatency = true;
    }
    options.sourceCharacteristics = kSourceIsLive;
    if (newer) {
        LogMessage("I Windows 8 or newer, setting MFMEDIASOURCE_DOES_NOT_USE_NETWORK flag");
        options.sourceCharacteristics |= kSourceDoesNotUseNetwork;
    }
    options.disableConverters = true;
    if (newer) {
        LogMessage("I Windows 8 or newer, clearing MF_SOURCE_READER_ENABLE_VIDEO_PROCESSING flag");
        options.enableVideoProcessing = false;
        LogMessage("I Windows 8 or newer, clearing MF_SOURCE_READER_ENABLE_ADVANCED_VIDEO_PROCESSING flag");
        options.enableAdvancedVideoProcessing = false;
    }

    LogMessage("I creating source reader");
    const auto source = context_.MediaSource();
    std::shared_ptr<IVideoReader> reader;
    const int32_t result = source ? source->CreateReader(options, callback_, reader) : kVideoErrorInvalidRequest;
    if (result < 0 || !reader) {
        LogMessageInt("E CDmsWorker::CreateSourceReader: failed to create source reader",
                      result < 0 ? result : kVideoErrorUnexpected);
        return false;
    }
    context_.SetSourceReader(std::move(reader));
    return true;
}

// ---- Consumer thread -------------------------------------------------------------

void CDmsWorker::ConsumeForever() {
    ThreadName::SetCurrent("dms-consumer");
    ThreadPriority::RaiseCurrentForFramePath();
    bool moreFrames = false;
    for (;;) {
        if (!moreFrames) {
            const bool signalled = consumerEvent_.WaitFor(kWakeUpPeriod);
            if (exitRequested_.load()) break;
            if (!signalled) continue;
        }
        if (exitRequested_.load()) break;
        moreFrames = RunOneConsumerStep();
    }
    LogMessage("I CDmsWorker::ConsumeForever: Exiting.");
}

bool CDmsWorker::RunOneConsumerStep() {
    try {
        switch (fifo_.ConsumeNextFrame([this](const CDmsFifo::Frame& frame) { ConsumeFrame(frame); })) {
            case CDmsFifo::ConsumeResult::kConsumed:
                break;
            case CDmsFifo::ConsumeResult::kEmpty:
                // The frame a wake-up announced was already taken with the one before it.
                return false;
            case CDmsFifo::ConsumeResult::kSlotWithoutSample:
                LogMessage("E PeekNextFrame returned no frame!");
                return false;
        }
    } catch (const std::exception& e) {
        LogMessageString("I CDmsWorker::ConsumeForever: std::exception ", e.what());
    } catch (...) {
        LogMessage("I CDmsWorker::ConsumeForever: other exception type");
    }
    return !fifo_.IsEmpty();
}

void CDmsWorker::ConsumeFrame(const CDmsFifo::Frame& frame) {
    const uint8_t* data = nullptr;
    std::size_t length = 0;
    // A sample that cannot be locked counts as an empty buffer: logged and dropped.
    const bool locked = frame.sample->Lock(&data, &length) >= 0;
    if (!locked) length = 0;
    struct Unlock {
        VideoSample* sample;
        ~Unlock() {
            if (sample != nullptr) sample->Unlock();
        }
    } unlock{locked ? frame.sample.get() : nullptr};

    const std::size_t expected = static_cast<std::size_t>(frame.width) * frame.height * 2;
    if (length != expected) {
        LogMessageInt2("W frame size, actual/expected bytes:", static_cast<int>(length), static_cast<int>(expected));
        return;
    }

    const Clock::TimePoint t0 = clock_.Now();
    IStreamFrameConsumer* processor = context_.FrameProcessor();
    if (processor != nullptr && !processor->IsSuspended() && frame.width != 0 && frame.height != 0) {
        CameraFrame cameraFrame = CameraFrame::Received(data, frame.width, frame.height);
        cameraFrame.sample = frame.sample;
        cameraFrame.receivedMs = Milliseconds(t0);
        cameraFrame.sequence = frame.sequence;
        cameraFrame.discontinuity = frame.discontinuity;
        processor->ConsumeFrame(cameraFrame);
    }
    const Clock::TimePoint t1 = clock_.Now();
    const int64_t processingMs = std::chrono::duration_cast<std::chrono::milliseconds>(t1 - t0).count();
    context_.Statistics().CountProcessingTime(processingMs, context_.ExpectedFrameTimeMs());
}

}  // namespace orva
