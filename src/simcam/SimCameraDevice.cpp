#include "simcam/SimCameraDevice.h"

#include "simcam/SimExtensionUnitTransport.h"

namespace orva {

SimCameraMediaSource::SimCameraMediaSource(std::shared_ptr<SimulatedCamera> camera)
    : SimVideoSource(camera), transport_(std::make_shared<SimExtensionUnitTransport>(camera)) {}

std::optional<std::string> SimCameraDevice::FriendlyName() {
    if (!camera_->IsPresent()) return std::nullopt;
    return camera_->FriendlyName();
}

std::optional<std::string> SimCameraDevice::SymbolicLink() {
    if (!camera_->IsPresent()) return std::nullopt;
    return camera_->SymbolicLink();
}

int32_t SimCameraDevice::SetMaxBuffers(uint32_t count) {
    if (!camera_->IsPresent()) return kResultDeviceGone;
    return count == 0 ? kResultInvalidArgument : kResultOk;
}

int32_t SimCameraDevice::ActivateMediaSource(std::shared_ptr<ICameraMediaSource>& source) {
    if (!camera_->IsPresent()) return kResultDeviceGone;
    source = std::make_shared<SimCameraMediaSource>(camera_);
    return kResultOk;
}

}  // namespace orva
