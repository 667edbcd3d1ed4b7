#pragma once
// The simulated camera as the platform lists it: an activation object with friendly name
// and symbolic link, and the activated media source that carries both the extension-unit
// transport and the video source (the stream's adapter casts to IVideoSource).
//
// Threads: GUI thread, as for any listed device; the objects only forward to the camera,
// which locks its own state.

#include "camera/ICameraDeviceEnumerator.h"
#include "simcam/SimulatedCamera.h"
#include "simcam/SimVideoReader.h"

#include <memory>

namespace orva {

class SimCameraMediaSource final : public ICameraMediaSource, public SimVideoSource {
public:
    explicit SimCameraMediaSource(std::shared_ptr<SimulatedCamera> camera);
    std::shared_ptr<IExtensionUnitTransport> ExtensionUnitTransport() override { return transport_; }

private:
    std::shared_ptr<IExtensionUnitTransport> transport_;
};

class SimCameraDevice final : public ICameraDevice {
public:
    explicit SimCameraDevice(std::shared_ptr<SimulatedCamera> camera) : camera_(std::move(camera)) {}

    // Nothing while the camera is off the bus (the listed entry went stale).
    std::optional<std::string> FriendlyName() override;
    std::optional<std::string> SymbolicLink() override;
    int32_t SetMaxBuffers(uint32_t count) override;
    int32_t ActivateMediaSource(std::shared_ptr<ICameraMediaSource>& source) override;

    const std::shared_ptr<SimulatedCamera>& Camera() const { return camera_; }

private:
    std::shared_ptr<SimulatedCamera> camera_;
};

}  // namespace orva
