#pragma once
// The active camera as the frame processor sees it: the camera unit's extension unit and
// status cache, and the video mode the panel selected. The GUI thread creates one when a
// camera is connected, publishes it in a FrameCameraSlot, and updates its video mode.
//
// Threads: the frame path's thread calls the IFrameCamera operations; SetResolution comes
// from the GUI thread (atomic). The status cache and the extension unit are safe to use
// from both threads.

#include "camera/CameraExtensionUnit.h"
#include "camera/CameraStatusCache.h"
#include "processing/IFrameCamera.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace orva {

class CameraUnit;

class FrameCameraAdapter final : public IFrameCamera {
public:
    // `owner` keeps the extension unit and the cache alive as long as the adapter.
    FrameCameraAdapter(CameraExtensionUnit* extensionUnit, CameraStatusCache& status, std::shared_ptr<const void> owner);
    // The adapter of an activated camera unit, with the unit's current video mode.
    static std::shared_ptr<FrameCameraAdapter> ForUnit(std::shared_ptr<CameraUnit> unit);

    void SetResolution(const VideoResolution* resolution) { resolution_ = resolution; }

    const VideoResolution* ActiveResolution() const override { return resolution_.load(); }
    CameraStatus UpdateStatusFromFrame(const OverlayStatusFields& fields,
                                       const std::array<uint16_t, 8>& frameStartTime) override;
    int32_t EnableDisableHires(bool on) override;

private:
    CameraExtensionUnit* extensionUnit_;
    CameraStatusCache& status_;
    std::shared_ptr<const void> owner_;
    std::atomic<const VideoResolution*> resolution_{nullptr};
};

// Holds the camera the frame path uses; empty while none is connected.
// Threads: Set from the GUI thread, ActiveCamera from the frame path's; locked.
class FrameCameraSlot final : public IFrameCameraProvider {
public:
    void Set(std::shared_ptr<IFrameCamera> camera);
    std::shared_ptr<IFrameCamera> ActiveCamera() override;

private:
    std::mutex mutex_;
    std::shared_ptr<IFrameCamera> camera_;
};

}  // namespace orva
