#pragma once
// A simulated camera on a manual clock, reached through the station's extension unit.

#include "camera/CameraExtensionUnit.h"
#include "simcam/SimExtensionUnitTransport.h"
#include "simcam/SimulatedCamera.h"
#include "support/ManualClock.h"

#include <memory>

namespace orva::test {

struct SimCameraFixture {
    explicit SimCameraFixture(SimCameraConfig config = {})
        : camera(std::make_shared<SimulatedCamera>(config, clock)),
          transport(std::make_shared<SimExtensionUnitTransport>(camera)),
          unit(CameraExtensionUnit::Create(transport, clock)) {}

    ManualClock clock;
    std::shared_ptr<SimulatedCamera> camera;
    std::shared_ptr<SimExtensionUnitTransport> transport;
    std::unique_ptr<CameraExtensionUnit> unit;
};

}  // namespace orva::test
