#pragma once
// What the stream worker's consumer thread needs of the frame processor.
//
// Threads: the consumer thread calls every operation; the processor's other users (the
// GUI thread) may set the suspended flag at any time, so IsSuspended must be safe against
// that. The processor must stay alive while it is set on the stream (clear it, or stop
// streaming, before destroying it).

#include "stream/CameraFrame.h"

namespace orva {

class IStreamFrameConsumer {
public:
    virtual ~IStreamFrameConsumer() = default;
    // A suspended processor gets no frames.
    virtual bool IsSuspended() const = 0;
    // One frame as received: frame.raw holds transferWidth x height x 2 bytes. The frame
    // and its bytes are valid during the call only.
    virtual void ConsumeFrame(CameraFrame& frame) = 0;
};

}  // namespace orva
