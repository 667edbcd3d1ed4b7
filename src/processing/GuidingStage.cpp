#include "processing/GuidingStage.h"

#include "processing/GuidingService.h"

namespace orva {

bool GuidingStage::Process(CameraFrame& frame) {
    const auto [targetX, targetY] = guiding_.Target();
    if (targetX < 1 || targetY < 1) return true;
    if (const auto c = centroid_.Measure(frame.pixels, frame.width, frame.height, targetX, targetY, guiding_.radius)) {
        guiding_.SetCentroid(c->column, c->row);
    }
    return true;
}

}  // namespace orva
