#include "CliStation.h"

#include "common/Settings.h"

#include <utility>

namespace orva {
namespace {

SimCameraConfig CameraConfig(uint8_t sensorCode) {
    SimCameraConfig config;
    config.identity.sensorCode = sensorCode;
    return config;
}

}  // namespace

CliStation::CliStation(const CliCameraSettings& settings, SimFaultPlan plan, std::string messagePrefix)
    : camera_(std::make_shared<SimulatedCamera>(CameraConfig(settings.sensorCode), SteadyClock::Instance())),
      devices_({camera_}),
      ui_(std::move(messagePrefix)) {
    camera_->Faults().SetPlan(std::move(plan));

    StationOptions options;
    options.settings = &Settings::Instance();
    options.ui = &ui_;
    options.devices = &devices_;
    station_ = std::make_unique<Station>(options);
    station_->SetCameraSettings(settings.camera);
}

CliStation::~CliStation() {
    // A held camera would keep the stream's last read waiting.
    camera_->HoldDelivery(false);
    station_.reset();
}

bool CliStation::Connect(std::string& error) {
    if (station_->Connect(camera_->SymbolicLink(), error)) return true;
    if (error.empty() && ui_.LastMessage().empty()) error = "the camera could not be connected";
    return false;
}

bool CliStation::StartStreamingHeld() {
    camera_->HoldDelivery(true);
    return station_->StartStreaming();
}

}  // namespace orva
