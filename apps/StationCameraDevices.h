#pragma once
// The cameras a station program can reach: the simulated camera beside the cameras the
// system offers (V4L2). Both orvacam and orvacam-cli list them. The simulated camera is always there, so the station runs where
// no camera is attached.
//
// Threads: the main thread; the system layer's monitor thread only posts removals.

#include "camera/CombinedDeviceEnumerator.h"
#include "simcam/SimDeviceEnumerator.h"
#include "simcam/SimulatedCamera.h"
#include "v4l2/V4l2CameraDeviceEnumerator.h"

#include <memory>
#include <string>

namespace orva {

class StationCameraDevices {
public:
    // The simulated camera pretends to be a camera with this sensor code.
    explicit StationCameraDevices(uint8_t simulatedSensorCode);

    ICameraDeviceEnumerator& All() { return *all_; }
    SimulatedCamera& Simulated() { return *simulated_; }
    bool IsSimulated(const std::string& symbolicLink) const { return symbolicLink == simulated_->SymbolicLink(); }

private:
    std::shared_ptr<SimulatedCamera> simulated_;
    SimDeviceEnumerator simulatedLayer_;
    std::unique_ptr<V4l2CameraDeviceEnumerator> systemLayer_;
    std::unique_ptr<CombinedDeviceEnumerator> all_;
};

}  // namespace orva
