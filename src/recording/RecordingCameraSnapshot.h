#pragma once
// What a recording keeps of its camera: the identification and the status as they were
// when the recording started. It is a copy, not a reference: link recovery replaces the
// camera unit (and frees the old one) while a recording runs, and the recording must go
// on reading valid data. What changes from frame to frame (the gain) is taken from each
// frame's own timing record.
//
// Threads: made on the GUI thread at recording start; read-only afterwards, so the
// frame processor's thread may read it.

#include "camera/CameraModel.h"
#include "camera/CameraStatus.h"
#include "camera/BinaryOverlay.h"

#include <optional>
#include <string>

namespace orva {

class CameraUnit;

struct RecordingCameraSnapshot {
    std::optional<CameraModel> model;
    CameraStatus status;

    // The unit's model (when activated) and its cached status.
    static RecordingCameraSnapshot Of(const CameraUnit& unit);

    // The gain text of the gain code in the frame's record; "?" without a model.
    std::string GainTextOf(const BinaryOverlay& overlay) const;
};

}  // namespace orva
