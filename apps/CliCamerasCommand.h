#pragma once
// "orvacam-cli cameras [--modes]": the cameras the device layers list (the simulated
// camera and the system's V4L2 cameras of this family), one per line: the name to give
// "record --camera", a tab, and the camera's friendly name. With --modes,
// every sensor the simulated camera can pretend to be, with its video modes (index,
// width x height, packing, shortest frame time) and its gain range.

#include "station/StationCameraSettings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orva {

class CommandLine;

class CliCamerasCommand {
public:
    static constexpr const char* kUsage = "cameras [--modes]";
    static int Run(const std::vector<std::string>& args);

    // "sim", "sim:CODE" or "sim:SENSOR" (IMX174, imx174, ...): the sensor code the
    // simulated camera takes; nothing for any other text.
    static std::optional<uint8_t> SimulatedSensorCode(const std::string& camera);

    struct Listed {
        std::string name;  // what "record --camera" takes: "sim" or the symbolic link
        std::string friendlyName;
    };
    // The cameras of this camera family that can be connected now, the simulated first.
    static std::vector<Listed> ListCameras();
    // The camera of a command's required "--camera" option: the simulated camera's sensor
    // code; or, where the command takes real cameras (`systemLink` given), a listed system
    // camera's link in *systemLink (the code is then the simulated default). Nothing, with
    // `error` set, when the option is missing or names no camera.
    static std::optional<uint8_t> CameraOption(const CommandLine& line, std::string& error,
                                               std::string* systemLink = nullptr);
    // "--mode INDEX", "--exposure MS" and "--gain INDEX", each where given, into `camera`.
    // False, with `error` set, when one is malformed.
    static bool VideoModeOptions(const CommandLine& line, StationCameraSettings& camera, std::string& error);
};

}  // namespace orva
