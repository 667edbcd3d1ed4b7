#pragma once
// The cameras a station program can reach: the simulated camera beside the cameras the
// system offers (V4L2). Both orvacam and orvacam-cli list them. The simulated camera is always there, so the station runs where
// no camera is attached.
//
// Threads: the main thread; the system layer's monitor thread only posts removals.

#include "camera/CombinedDeviceEnumerator.h"
#include "common/UtcTime.h"
#include "simcam/MountSkyPictureSource.h"
#include "simcam/SimDeviceEnumerator.h"
#include "simcam/SimulatedCamera.h"
#include "v4l2/V4l2CameraDeviceEnumerator.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace orva {

class CommandLine;
class SharedTelescopeState;

class StationCameraDevices {
public:
    // The "--sim-utc" option of orvacam and orvacam-cli: the simulated camera's GPS time
    // at start, "2024-06-01T22:00:00" with an optional fraction and "Z". False, with
    // `error` set, for a malformed time; `start` stays empty when the option is absent.
    static bool SimulatedUtcStartOption(const CommandLine& line, std::optional<int64_t>& start, std::string& error);
    // The "--sim-pointing-error DRA,DDEC" option (degrees): the simulated camera shows the
    // sky this far from where the mount reports it points. False, with `error` set, when
    // malformed; `pointingError` stays as it is when the option is absent.
    static bool SimulatedPointingErrorOption(const CommandLine& line, MountPointingError& pointingError,
                                             std::string& error);

    // The simulated camera pretends to be a camera with this sensor code. Its first frame
    // exposes at `simulatedUtcStartUnixNs` (Unix nanoseconds, UTC); without it the GPS
    // clock starts at the time `utcNow` gives now and keeps real time. With a `telescope`
    // (which outlives the devices) its picture shows the catalogue's stars where the
    // mount points while one is connected; without, the synthetic sky only.
    // `pointingError`: where that sky truly lies from the mount's reported position.
    StationCameraDevices(uint8_t simulatedSensorCode, std::optional<int64_t> simulatedUtcStartUnixNs,
                         const SharedTelescopeState* telescope, const std::function<UtcDateTime()>& utcNow = &UtcNow,
                         MountPointingError pointingError = {});

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
