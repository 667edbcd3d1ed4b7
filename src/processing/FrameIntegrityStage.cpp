#include "processing/FrameIntegrityStage.h"

namespace orva {

bool FrameIntegrityStage::Process(CameraFrame& frame) {
    const int32_t frameNumber = frame.timing.FrameNr;
    if (lastFrameNumber_ != 0) missedTotal_ += static_cast<int64_t>(frameNumber) - lastFrameNumber_ - 1;
    checker_.Check(frame.startTicks, frame.timing);
    lastFrameNumber_ = frameNumber;
    return true;
}

}  // namespace orva
