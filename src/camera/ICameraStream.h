#pragma once
// The camera manager's view of the stream worker: the camera unit hands it the activated
// media source and takes it back; link recovery and the manager start, stop and watch the
// stream through it. The stream facade is adapted to it where both libraries are known.
//
// Threads: GUI thread.

#include "camera/ICameraDeviceEnumerator.h"

#include <cstdint>
#include <memory>

namespace orva {

class ICameraStream {
public:
    virtual ~ICameraStream() = default;
    // False when the stream cannot take the source (or the source has no video side).
    virtual bool InitWithMediaSource(std::shared_ptr<ICameraMediaSource> source) = 0;
    virtual void DeInit() = 0;
    virtual bool IsStreaming() = 0;
    virtual void StartStreamingBlocking() = 0;
    virtual void StopStreamingBlocking() = 0;
    virtual uint32_t GetNofSamplesCounter() = 0;
};

}  // namespace orva
