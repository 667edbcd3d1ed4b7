#include "recording/RecordingCameraSnapshot.h"

#include "camera/CameraUnit.h"
#include "processing/CameraStatusFromOverlay.h"

namespace orva {

RecordingCameraSnapshot RecordingCameraSnapshot::Of(const CameraUnit& unit) {
    RecordingCameraSnapshot snapshot;
    if (const CameraModel* model = unit.Model()) snapshot.model = *model;
    snapshot.status = unit.Status().Load();
    return snapshot;
}

std::string RecordingCameraSnapshot::GainTextOf(const BinaryOverlay& overlay) const {
    if (!model) return "?";
    const int32_t code = CameraStatus::GainCodeOf(OverlayStatusFieldsOf(overlay));
    return model->GetGainText(model->GetGainIndex(code));
}

}  // namespace orva
