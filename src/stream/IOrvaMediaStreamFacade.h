#pragma once
// The stream as the camera unit, the camera panel and link recovery use it.

#include "stream/IOrvaMediaStreamStatistics.h"
#include "stream/IStreamFrameConsumer.h"
#include "stream/IStreamRestartInteraction.h"
#include "stream/VideoSource.h"

#include <cstdint>
#include <memory>

namespace orva {

class IOrvaMediaStreamFacade {
public:
    virtual ~IOrvaMediaStreamFacade() = default;
    // Hands the camera's video source to the worker and waits (up to 2 s) until it is idle.
    virtual bool InitWithMediaSource(std::shared_ptr<IVideoSource> source) = 0;
    // Stops streaming if it runs, forgets the source and reader, starts over.
    virtual void DeInit() = 0;
    virtual void SetFrameProcessor(IStreamFrameConsumer* processor) = 0;
    virtual void SetCameraStatusInteraction(IStreamRestartInteraction* interaction) = 0;
    virtual bool IsStreaming() = 0;
    // Both wait up to 1 s; on a time-out the worker goes on in the background.
    virtual void StartStreamingBlocking() = 0;
    virtual void StopStreamingBlocking() = 0;
    // Width in the high 16 bits, height in the low 16 bits.
    virtual void SetResolution(uint32_t packed) = 0;
    virtual uint32_t GetResolution() = 0;
    virtual void SetExpectedFrameTimeMs(double ms) = 0;
    virtual IOrvaMediaStreamStatistics& GetStatistics() = 0;
};

}  // namespace orva
