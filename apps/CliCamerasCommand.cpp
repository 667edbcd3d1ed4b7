#include "CliCamerasCommand.h"

#include "CliStation.h"

#include "camera/CameraModel.h"
#include "common/CommandLine.h"
#include "simcam/SimSensorTable.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

namespace orva {
namespace {

constexpr uint8_t kDefaultSensor = 7;

// The camera's own tables for a sensor, as a camera of firmware 1.3.5 reports it.
CameraModel ModelFor(uint8_t sensorCode) {
    const std::array<uint8_t, CameraModel::kExtendedVersionBlockSize> block = {1, 3, 5, 2, sensorCode};
    return CameraModel(block);
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

void PrintModes(uint8_t sensorCode) {
    const CameraModel model = ModelFor(sensorCode);
    std::printf("sim:%d\t%s%s\n", sensorCode, model.GetSensorName(false).c_str(),
                sensorCode == kDefaultSensor ? "\t(the default of --camera sim)" : "");
    for (int i = 0; i < model.GetResolutionCount(); ++i) {
        const VideoResolution& mode = *model.GetVideoResolution(i);
        const int shortest = model.GetMinimumFrameTimeMs(mode.Width(), mode.Height(), mode.Binning() > 1, false);
        std::printf("  mode %d: %d x %d, %s", i, mode.Width(), mode.Height(),
                    mode.TransferWidth() < mode.Width() ? "12-bit packed" : "16-bit");
        if (mode.Binning() > 1) std::printf(", binned %dx%d", mode.Binning(), mode.Binning());
        if (shortest > 0) std::printf(", shortest frame time %d ms", shortest);
        std::printf("\n");
    }
    if (model.GetGainCount() > 0) {
        std::printf("  gain: 0 .. %d (%s .. %s)\n", model.GetGainCount() - 1, model.GetGainText(0).c_str(),
                    model.GetGainText(model.GetGainCount() - 1).c_str());
    } else {
        std::printf("  gain: none\n");
    }
}

}  // namespace

std::optional<uint8_t> CliCamerasCommand::SimulatedSensorCode(const std::string& camera) {
    if (camera == "sim") return kDefaultSensor;
    if (camera.rfind("sim:", 0) != 0) return std::nullopt;
    const std::string which = camera.substr(4);
    const auto known = SimKnownSensorCodes();
    if (const auto code = CommandLine::ParseInteger(which, 0, 255)) {
        if (std::find(known.begin(), known.end(), *code) != known.end()) return static_cast<uint8_t>(*code);
        return std::nullopt;
    }
    for (const uint8_t code : known) {
        if (SameIgnoringCase(ModelFor(code).GetSensorName(false), which)) return code;
    }
    return std::nullopt;
}

std::vector<CliCamerasCommand::Listed> CliCamerasCommand::ListCameras() {
    // The station's own list: what a connect chooses from.
    CliStation station(CliCameraSettings{}, SimFaultPlan{}, "orvacam-cli cameras");
    station.Core().RefreshCameraList();
    std::vector<Listed> listed;
    for (const auto& unit : station.Core().CameraList()) {
        const bool simulated = station.IsSimulatedCamera(unit->SymbolicLink());
        listed.push_back({simulated ? "sim" : unit->SymbolicLink(), unit->FriendlyName()});
    }
    return listed;
}

bool CliCamerasCommand::VideoModeOptions(const CommandLine& line, StationCameraSettings& camera, std::string& error) {
    if (const auto mode = line.Value("mode")) {
        const auto index = CommandLine::ParseInteger(*mode, 0, 255);
        if (!index) {
            error = "--mode must be a video mode index (0, 1, ...)";
            return false;
        }
        camera.modeIndex = static_cast<int>(*index);
    }
    if (const auto exposure = line.Value("exposure")) {
        const auto ms = CommandLine::ParseDecimal(*exposure, 1.0, 5000.0);
        if (!ms) {
            error = "--exposure must be a time in milliseconds from 1 to 5000";
            return false;
        }
        camera.exposureMs = *ms;
    }
    if (const auto gain = line.Value("gain")) {
        const auto index = CommandLine::ParseInteger(*gain, 0, 255);
        if (!index) {
            error = "--gain must be a gain index (0, 1, ...)";
            return false;
        }
        camera.gainIndex = static_cast<int>(*index);
    }
    return true;
}

std::optional<uint8_t> CliCamerasCommand::CameraOption(const CommandLine& line, std::string& error,
                                                       std::string* systemLink) {
    const std::optional<std::string> camera = line.Value("camera");
    if (!camera) {
        error = "option '--camera' is required";
        return std::nullopt;
    }
    auto sensor = SimulatedSensorCode(*camera);
    if (!sensor && systemLink != nullptr && camera->rfind("sim", 0) != 0) {
        const auto listed = ListCameras();
        if (std::any_of(listed.begin(), listed.end(), [&](const Listed& c) { return c.name == *camera; })) {
            *systemLink = *camera;
            sensor = kDefaultSensor;
        }
    }
    if (!sensor) {
        error = "unknown camera '" + *camera +
                "' ('orvacam-cli cameras' lists the cameras; sim:SENSOR takes a sensor name or code, "
                "'orvacam-cli cameras --modes' lists them)";
    }
    return sensor;
}

int CliCamerasCommand::Run(const std::vector<std::string>& args) {
    std::string error;
    const auto line = CommandLine::Parse(args, {{"modes", false, false}}, 0, error);
    if (!line) {
        std::fprintf(stderr, "orvacam-cli cameras: %s\n", error.c_str());
        return 2;
    }
    if (line->Has("modes")) {
        for (const uint8_t code : SimKnownSensorCodes()) PrintModes(code);
        return 0;
    }
    for (const Listed& camera : ListCameras()) std::printf("%s\t%s\n", camera.name.c_str(), camera.friendlyName.c_str());
    return 0;
}

}  // namespace orva
