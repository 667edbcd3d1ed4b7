#include "StationCameraDevices.h"

#include "common/AppPaths.h"
#include "common/CommandLine.h"
#include "common/Log.h"
#include "simcam/MountSkyPictureSource.h"

namespace orva {
namespace {

constexpr const char* kStarListFileName = "tycho2-regions.csv";

SimCameraConfig CameraConfig(uint8_t sensorCode, std::optional<int64_t> utcStartUnixNs,
                             const std::function<UtcDateTime()>& utcNow) {
    SimCameraConfig config;
    config.identity.sensorCode = sensorCode;
    // A GPS camera's clock shows the time of day and keeps it, streaming or not. A given
    // start is a reproducible time line instead: the first frame exposes at that time.
    config.utcStartUnixNs = utcStartUnixNs.value_or(UnixMillisecondsFromUtc(utcNow()) * 1000000);
    config.gpsTimeFollowsClock = !utcStartUnixNs.has_value();
    return config;
}

// The sky follows the mount where the star list is at hand; without it the synthetic sky
// alone, which needs no file.
void FollowTheMount(SimulatedCamera& camera, const SharedTelescopeState& telescope) {
    std::string error;
    auto catalog = StarCatalog::LoadFile(AppPaths::ProgramDataFile(kStarListFileName), &error);
    if (!catalog) {
        LogMessageString("W Simulated camera: the picture does not follow the mount: ", error);
        return;
    }
    CatalogSkyConfig sky;
    sky.background = camera.Config().sky;
    camera.SetPictureSource(
        std::make_unique<MountSkyPictureSource>(camera.Config().sky, std::move(*catalog), sky, telescope));
}

}  // namespace

bool StationCameraDevices::SimulatedUtcStartOption(const CommandLine& line, std::optional<int64_t>& start,
                                                   std::string& error) {
    const auto text = line.Value("sim-utc");
    if (!text) return true;
    start = CommandLine::ParseUtcTime(*text);
    if (!start) error = "--sim-utc must be a UTC time from 1980 to 2199 such as 2024-06-01T22:00:00 or 2024-06-01T22:00:00.5Z";
    return start.has_value();
}

StationCameraDevices::StationCameraDevices(uint8_t simulatedSensorCode, std::optional<int64_t> simulatedUtcStartUnixNs,
                                           const SharedTelescopeState* telescope,
                                           const std::function<UtcDateTime()>& utcNow)
    : simulated_(std::make_shared<SimulatedCamera>(CameraConfig(simulatedSensorCode, simulatedUtcStartUnixNs, utcNow),
                                                   SteadyClock::Instance())),
      simulatedLayer_({simulated_}),
      systemLayer_(V4l2CameraDeviceEnumerator::CreateForSystem()),
      all_(std::make_unique<CombinedDeviceEnumerator>(
          std::vector<ICameraDeviceEnumerator*>{&simulatedLayer_, systemLayer_.get()})) {
    if (telescope != nullptr) FollowTheMount(*simulated_, *telescope);
}

}  // namespace orva
