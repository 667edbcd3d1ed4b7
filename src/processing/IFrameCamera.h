#pragma once
// What the frame processor needs of the active camera: its video mode (to recognise
// packed frames), its status cache (refreshed from every frame's record) and the one
// command it sends itself. The camera unit's owner adapts the camera unit to it, so the
// frame path does not depend on how cameras are connected.
//
// Threads: called from the frame path's thread; the implementation makes the status
// cache safe against the GUI thread's readers.

#include "camera/CameraStatus.h"
#include "camera/VideoResolution.h"

#include <array>
#include <cstdint>
#include <memory>

namespace orva {

class IFrameCamera {
public:
    virtual ~IFrameCamera() = default;

    // The video mode the camera was set to; null when none is known.
    virtual const VideoResolution* ActiveResolution() const = 0;
    // DecodeOverlay and then SetFrameStartTime on the camera's status cache; returns the
    // cache's state afterwards.
    virtual CameraStatus UpdateStatusFromFrame(const OverlayStatusFields& fields,
                                               const std::array<uint16_t, 8>& frameStartTime) = 0;
    // The extension-unit command; its result code (negative = failure). Logs its own
    // failure, as every camera command does.
    virtual int32_t EnableDisableHires(bool on) = 0;
};

// The camera that is active now, if any. The returned reference keeps it usable for the
// frame even if it is released meanwhile.
class IFrameCameraProvider {
public:
    virtual ~IFrameCameraProvider() = default;
    virtual std::shared_ptr<IFrameCamera> ActiveCamera() = 0;
};

}  // namespace orva
