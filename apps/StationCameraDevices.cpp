#include "StationCameraDevices.h"

namespace orva {
namespace {

SimCameraConfig CameraConfig(uint8_t sensorCode) {
    SimCameraConfig config;
    config.identity.sensorCode = sensorCode;
    return config;
}

}  // namespace

StationCameraDevices::StationCameraDevices(uint8_t simulatedSensorCode)
    : simulated_(std::make_shared<SimulatedCamera>(CameraConfig(simulatedSensorCode), SteadyClock::Instance())),
      simulatedLayer_({simulated_}),
      systemLayer_(V4l2CameraDeviceEnumerator::CreateForSystem()),
      all_(std::make_unique<CombinedDeviceEnumerator>(
          std::vector<ICameraDeviceEnumerator*>{&simulatedLayer_, systemLayer_.get()})) {}

}  // namespace orva
