#pragma once
// The stream facade: owns the stream context, the frame queue and the worker.
//
// One process-wide instance serves the station (Instance); tests and tools may build
// their own with other options. Threads: see CDmsWorker; the setters may be called from
// any thread, the blocking operations from one controlling thread.

#include "stream/CDmsContext.h"
#include "stream/CDmsFifo.h"
#include "stream/CDmsWorker.h"
#include "stream/IOrvaMediaStreamFacade.h"
#include "stream/MediaStreamOptions.h"

namespace orva {

class COrvaMediaStream final : public IOrvaMediaStreamFacade {
public:
    // The process-wide stream, created on first use with `optionsOnFirstUse` (later calls
    // ignore their argument) and destroyed at process exit.
    static COrvaMediaStream& Instance(const MediaStreamOptions& optionsOnFirstUse = {});

    explicit COrvaMediaStream(const MediaStreamOptions& options);
    ~COrvaMediaStream() override = default;

    bool InitWithMediaSource(std::shared_ptr<IVideoSource> source) override;
    void DeInit() override;
    void SetFrameProcessor(IStreamFrameConsumer* processor) override;
    void SetCameraStatusInteraction(IStreamRestartInteraction* interaction) override;
    bool IsStreaming() override;
    void StartStreamingBlocking() override;
    void StopStreamingBlocking() override;
    void SetResolution(uint32_t packed) override;
    uint32_t GetResolution() override;
    void SetExpectedFrameTimeMs(double ms) override;
    IOrvaMediaStreamStatistics& GetStatistics() override;

private:
    // Declaration order is destruction order reversed: the worker goes first.
    CDmsContext context_;
    CDmsFifo fifo_;
    CDmsWorker worker_;
};

}  // namespace orva
