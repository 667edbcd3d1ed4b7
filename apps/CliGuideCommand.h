#pragma once
// "orvacam-cli guide": keeps a star in place for a while, as the "Guiding" window does.
// Connects the camera (the simulated one unless --camera names another) and the mount
// over an INDI server, streams, takes the brightest star of the picture as the target
// and runs the station's guiding for the given seconds, printing each correction as it
// goes to the mount. The guiding box's directions are the settings' ("GuidingDirections").
//
// Threads: the main thread drives the station (the GUI thread's role).

#include <string>
#include <vector>

namespace orva {

class CliGuideCommand {
public:
    static constexpr const char* kUsage =
        "guide --seconds S [--indi HOST:PORT] [--radius PX] [--camera CAMERA] [--sim-utc UTC]";

    // The exit code: 0 guided for the whole time (or until stopped), 1 failed (no server,
    // no star, the star lost), 2 wrong options, 3 another station runs.
    static int Run(const std::vector<std::string>& args);
};

}  // namespace orva
