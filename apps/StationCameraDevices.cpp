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
void FollowTheMount(SimulatedCamera& camera, const SharedTelescopeState& telescope, MountPointingError pointingError) {
    std::string error;
    auto catalog = StarCatalog::LoadFile(AppPaths::ProgramDataFile(kStarListFileName), &error);
    if (!catalog) {
        LogMessageString("W Simulated camera: the picture does not follow the mount: ", error);
        return;
    }
    CatalogSkyConfig sky;
    sky.background = camera.Config().sky;
    camera.SetPictureSource(
        std::make_unique<MountSkyPictureSource>(camera.Config().sky, std::move(*catalog), sky, telescope, pointingError));
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

bool StationCameraDevices::SimulatedPointingErrorOption(const CommandLine& line, MountPointingError& pointingError,
                                                        std::string& error) {
    const auto text = line.Value("sim-pointing-error");
    if (!text) return true;
    // A signed decimal number of at most 10 degrees.
    const auto degrees = [](std::string_view part) -> std::optional<double> {
        const bool negative = !part.empty() && part.front() == '-';
        if (!part.empty() && (part.front() == '-' || part.front() == '+')) part.remove_prefix(1);
        const auto value = CommandLine::ParseDecimal(part, 0.0, 10.0);
        if (!value) return std::nullopt;
        return negative ? -*value : *value;
    };
    const std::string_view all(*text);
    const std::size_t comma = all.find(',');
    const auto ra = comma == std::string_view::npos ? std::nullopt : degrees(all.substr(0, comma));
    const auto dec = comma == std::string_view::npos ? std::nullopt : degrees(all.substr(comma + 1));
    if (!ra || !dec) {
        error = "--sim-pointing-error takes DRA,DDEC in degrees, each within -10..+10, such as 0,-0.5";
        return false;
    }
    pointingError = {*ra, *dec};
    return true;
}

StationCameraDevices::StationCameraDevices(uint8_t simulatedSensorCode, std::optional<int64_t> simulatedUtcStartUnixNs,
                                           const SharedTelescopeState* telescope,
                                           const std::function<UtcDateTime()>& utcNow,
                                           MountPointingError pointingError)
    : simulated_(std::make_shared<SimulatedCamera>(CameraConfig(simulatedSensorCode, simulatedUtcStartUnixNs, utcNow),
                                                   SteadyClock::Instance())),
      simulatedLayer_({simulated_}),
      systemLayer_(V4l2CameraDeviceEnumerator::CreateForSystem()),
      all_(std::make_unique<CombinedDeviceEnumerator>(
          std::vector<ICameraDeviceEnumerator*>{&simulatedLayer_, systemLayer_.get()})) {
    if (telescope != nullptr) FollowTheMount(*simulated_, *telescope, pointingError);
}

}  // namespace orva
