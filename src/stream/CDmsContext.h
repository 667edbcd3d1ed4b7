#pragma once
// The state shared by the stream facade, its worker, frame queue and reader callback.
//
// Threads: the media source and reader are replaced by the GUI thread (DeInit) and the
// producer thread (CreateSourceReader) and read by the producer and the reader callback;
// they sit behind a lock and are handed out as counted references, so a holder keeps its
// copy alive even when it is replaced meanwhile. Every other field is a single atomic
// value written by one side and read by the others.

#include "stream/COrvaMediaStreamStatistics.h"
#include "stream/IStreamFrameConsumer.h"
#include "stream/IStreamRestartInteraction.h"
#include "stream/VideoSource.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace orva {

class CDmsContext {
public:
    std::shared_ptr<IVideoSource> MediaSource() const;
    void SetMediaSource(std::shared_ptr<IVideoSource> source);
    std::shared_ptr<IVideoReader> SourceReader() const;
    void SetSourceReader(std::shared_ptr<IVideoReader> reader);

    IStreamFrameConsumer* FrameProcessor() const { return frameProcessor_.load(); }
    void SetFrameProcessor(IStreamFrameConsumer* processor) { frameProcessor_.store(processor); }
    IStreamRestartInteraction* CameraStatusInteraction() const { return cameraStatusInteraction_.load(); }
    void SetCameraStatusInteraction(IStreamRestartInteraction* i) { cameraStatusInteraction_.store(i); }

    COrvaMediaStreamStatistics& Statistics() { return statistics_; }

    // Width in the high 16 bits, height in the low 16 bits.
    uint32_t Resolution() const { return resolution_.load(); }
    void SetResolution(uint32_t packed) { resolution_.store(packed); }
    uint16_t Width() const { return static_cast<uint16_t>(Resolution() >> 16); }
    uint16_t Height() const { return static_cast<uint16_t>(Resolution() & 0xFFFF); }

    double ExpectedFrameTimeMs() const { return expectedFrameTimeMs_.load(); }
    void SetExpectedFrameTimeMs(double ms) { expectedFrameTimeMs_.store(ms); }

    // Set by the reader callback's flush notification.
    std::atomic<bool> flushed{false};
    // Number of the frame requested last, and of samples delivered.
    std::atomic<int32_t> requested{0};
    std::atomic<int32_t> received{0};

private:
    mutable std::mutex sourceMutex_;
    std::shared_ptr<IVideoSource> mediaSource_;   // guarded by sourceMutex_
    std::shared_ptr<IVideoReader> sourceReader_;  // guarded by sourceMutex_

    std::atomic<IStreamFrameConsumer*> frameProcessor_{nullptr};
    std::atomic<IStreamRestartInteraction*> cameraStatusInteraction_{nullptr};
    COrvaMediaStreamStatistics statistics_;
    std::atomic<uint32_t> resolution_{0};
    std::atomic<double> expectedFrameTimeMs_{100.0};
};

}  // namespace orva
