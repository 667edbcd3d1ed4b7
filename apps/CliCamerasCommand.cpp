#include "CliCamerasCommand.h"

#include "camera/CameraManager.h"
#include "common/CommandLine.h"
#include "processing/CameraStreamAdapter.h"
#include "simcam/SimDeviceEnumerator.h"
#include "stream/COrvaMediaStream.h"

#include <cstdio>

namespace orva {

int CliCamerasCommand::Run(const std::vector<std::string>& args) {
    std::string error;
    if (!CommandLine::Parse(args, {}, 0, error)) {
        std::fprintf(stderr, "orvacam-cli cameras: %s\n", error.c_str());
        return 2;
    }
    // The simulated camera is always attached; real cameras join this list when their
    // device layer exists.
    auto camera = std::make_shared<SimulatedCamera>(SimCameraConfig{}, SteadyClock::Instance());
    SimDeviceEnumerator devices({camera});
    COrvaMediaStream stream{MediaStreamOptions{}};
    CameraStreamAdapter adapter(stream);
    CameraManager manager(devices, adapter);
    for (const auto& unit : manager.EnumerateCameras()) {
        const bool simulated = unit->SymbolicLink() == camera->SymbolicLink();
        std::printf("%s\t%s\n", simulated ? "sim" : unit->SymbolicLink().c_str(), unit->FriendlyName().c_str());
    }
    return 0;
}

}  // namespace orva
