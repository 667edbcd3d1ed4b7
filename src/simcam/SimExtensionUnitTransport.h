#pragma once
// The simulated camera's extension unit as the station reaches it over the bus. Only
// moves bytes: the camera's protocol lives in SimExtensionUnit.
//
// Threads: safe from any thread (the camera locks its own state).

#include "camera/IExtensionUnitTransport.h"
#include "simcam/SimulatedCamera.h"

#include <memory>

namespace orva {

class SimExtensionUnitTransport final : public IExtensionUnitTransport {
public:
    explicit SimExtensionUnitTransport(std::shared_ptr<SimulatedCamera> camera) : camera_(std::move(camera)) {}

    int32_t SetControl(uint8_t selector, std::span<const uint8_t> data) override {
        return camera_->SetControl(selector, data);
    }
    int32_t GetControl(uint8_t selector, std::span<uint8_t> data) override {
        return camera_->GetControl(selector, data);
    }

private:
    std::shared_ptr<SimulatedCamera> camera_;
};

}  // namespace orva
