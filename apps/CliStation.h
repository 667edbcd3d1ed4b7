#pragma once
// The headless station: the shared station core over the simulated camera, with the
// command line's fault plan (and practice occultation) in the camera and its messages on
// standard error. What is the command line's own is the camera's delivery hold (so that
// a recording starts with the camera's first frame) and the plan's restart.
//
// Threads: the main thread (the GUI thread's role).

#include "CliUiServices.h"

#include "StationCameraDevices.h"

#include "common/SharedTelescopeState.h"
#include "simcam/MountSkyPictureSource.h"
#include "simcam/SimFaultPlan.h"
#include "station/Station.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace orva {

struct CliCameraSettings {
    uint8_t sensorCode = 7;   // of the simulated camera
    std::optional<int64_t> simulatedUtcStartUnixNs;  // its GPS clock at start; empty: now
    std::string cameraLink;   // a system camera's symbolic link; empty: the simulated camera
    MountPointingError pointingError;  // of the simulated camera's mount-following sky
    StationCameraSettings camera;
};

class CliStation {
public:
    // Messages go to standard error after `messagePrefix` ("orvacam-cli record").
    CliStation(const CliCameraSettings& settings, SimFaultPlan plan, std::string messagePrefix);
    ~CliStation();
    CliStation(const CliStation&) = delete;
    CliStation& operator=(const CliStation&) = delete;

    // Lists the cameras and connects the chosen one. False, with `error` (empty when a
    // message already said why), when it cannot be connected or the mode, exposure or
    // gain do not fit the camera.
    bool Connect(std::string& error);
    // Starts the stream with the camera's delivery held, so that nothing is made yet.
    bool StartStreamingHeld();
    void ReleaseDelivery() { devices_.Simulated().HoldDelivery(false); }
    // The fault plan starts counting at the next frame the camera makes.
    void RestartFaultPlan() { devices_.Simulated().RestartFaultPlan(); }

    bool IsSimulatedCamera(const std::string& symbolicLink) const { return devices_.IsSimulated(symbolicLink); }

    Station& Core() { return *station_; }
    CliUiServices& Ui() { return ui_; }

private:
    // Where the mount points: the station's telescope worker writes it, the simulated
    // camera draws the sky there. Outlives both.
    SharedTelescopeState telescope_;
    StationCameraDevices devices_;
    std::string cameraLink_;
    CliUiServices ui_;
    std::unique_ptr<Station> station_;
};

}  // namespace orva
