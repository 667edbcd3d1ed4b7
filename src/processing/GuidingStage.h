#pragma once
// Measures the guiding star's centroid in the calibrated frame, inside the tracking box
// round the target, while the station's guiding record has a target.
//
// Threads: as IFrameStage; the guiding record is shared through its atomics.

#include "processing/GuidingCentroid.h"
#include "processing/IFrameStage.h"

namespace orva {

class GuidingService;

class GuidingStage final : public IFrameStage {
public:
    explicit GuidingStage(GuidingService& guiding) : guiding_(guiding) {}
    bool Process(CameraFrame& frame) override;

private:
    GuidingService& guiding_;
    GuidingCentroid centroid_;
};

}  // namespace orva
