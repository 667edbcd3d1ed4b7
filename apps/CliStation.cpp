#include "CliStation.h"

#include "common/Settings.h"

#include <utility>

namespace orva {
CliStation::CliStation(const CliCameraSettings& settings, SimFaultPlan plan, std::string messagePrefix)
    : devices_(settings.sensorCode, settings.simulatedUtcStartUnixNs, &telescope_, &UtcNow, settings.pointingError),
      cameraLink_(settings.cameraLink.empty() ? devices_.Simulated().SymbolicLink() : settings.cameraLink),
      ui_(std::move(messagePrefix)) {
    devices_.Simulated().Faults().SetPlan(std::move(plan));

    StationOptions options;
    options.settings = &Settings::Instance();
    options.ui = &ui_;
    options.devices = &devices_.All();
    options.telescopeState = &telescope_;
    station_ = std::make_unique<Station>(options);
    station_->SetCameraSettings(settings.camera);
}

CliStation::~CliStation() {
    // A held camera would keep the stream's last read waiting.
    devices_.Simulated().HoldDelivery(false);
    station_.reset();
}

bool CliStation::Connect(std::string& error) {
    if (station_->Connect(cameraLink_, error)) return true;
    if (error.empty() && ui_.LastMessage().empty()) error = "the camera could not be connected";
    return false;
}

bool CliStation::StartStreamingHeld() {
    // Only the simulated camera can wait for the recording to start with its first frame.
    devices_.Simulated().HoldDelivery(devices_.IsSimulated(cameraLink_));
    return station_->StartStreaming();
}

}  // namespace orva
