#pragma once
// "orvacam-cli cameras": the cameras the device layer lists, one per line: the name to
// give "record --camera", a tab, and the camera's friendly name.

#include <string>
#include <vector>

namespace orva {

class CliCamerasCommand {
public:
    static constexpr const char* kUsage = "cameras";
    static int Run(const std::vector<std::string>& args);
};

}  // namespace orva
