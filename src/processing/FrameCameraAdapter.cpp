#include "processing/FrameCameraAdapter.h"

#include "camera/CameraUnit.h"

namespace orva {

FrameCameraAdapter::FrameCameraAdapter(CameraExtensionUnit* extensionUnit, CameraStatusCache& status,
                                       std::shared_ptr<const void> owner)
    : extensionUnit_(extensionUnit), status_(status), owner_(std::move(owner)) {}

std::shared_ptr<FrameCameraAdapter> FrameCameraAdapter::ForUnit(std::shared_ptr<CameraUnit> unit) {
    CameraExtensionUnit* extensionUnit = unit->ExtensionUnit();
    CameraStatusCache& status = unit->Status();
    const VideoResolution* resolution = unit->ActiveVideoResolution();
    auto adapter = std::make_shared<FrameCameraAdapter>(extensionUnit, status, std::move(unit));
    adapter->SetResolution(resolution);
    return adapter;
}

CameraStatus FrameCameraAdapter::UpdateStatusFromFrame(const OverlayStatusFields& fields,
                                                       const std::array<uint16_t, 8>& frameStartTime) {
    status_.DecodeFrame(fields, frameStartTime);
    return status_.Load();
}

int32_t FrameCameraAdapter::EnableDisableHires(bool on) {
    // Without an extension unit the command cannot be sent; report it like a failed call.
    if (extensionUnit_ == nullptr) return -1;
    return extensionUnit_->EnableDisableHires(on);
}

void FrameCameraSlot::Set(std::shared_ptr<IFrameCamera> camera) {
    std::lock_guard lock(mutex_);
    camera_ = std::move(camera);
}

std::shared_ptr<IFrameCamera> FrameCameraSlot::ActiveCamera() {
    std::lock_guard lock(mutex_);
    return camera_;
}

}  // namespace orva
