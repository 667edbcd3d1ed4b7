#pragma once
// One step of the frame path. The pipeline hands every frame to its stages in order, on
// the stream's consumer thread; a stage reads what the stages before it put into the
// frame and adds its own part.
//
// Threads: Process runs on the frame path's thread only. A stage's settings and
// read-outs, used from other threads, are atomic or locked inside the stage.

#include "stream/CameraFrame.h"

namespace orva {

class IFrameStage {
public:
    virtual ~IFrameStage() = default;
    // False ends the frame's pass: the stages after this one do not see it.
    virtual bool Process(CameraFrame& frame) = 0;
};

}  // namespace orva
