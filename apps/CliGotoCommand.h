#pragma once
// "orvacam-cli goto RA DEC": slews the mount to the coordinates; with --center it then
// centres the target by plate solving: capture a frame, solve it, and when the picture's
// centre lies farther from the target than the tolerance, slew again to the mount's
// position corrected by that offset (an offset slew: the mount's own pointing model is
// left as it is), until the target is within the tolerance or after five tries. Each
// try prints where the picture's centre lies and its offset from the target.
//
// RA in hours ("hh:mm:ss.s" or decimal), DEC in degrees ("+dd:mm:ss.s" or decimal), as
// "mount slew" takes them.
//
// Threads: the main thread drives the station (the GUI thread's role).

#include <string>
#include <vector>

namespace orva {

class CliGotoCommand {
public:
    static constexpr const char* kUsage =
        "goto RA DEC [--center] [--tolerance ARCSEC] [--camera sim|LINK] [--strategy web|local|astap] "
        "[--scale ARCSEC] [--indi HOST:PORT] [--device NAME] [--timeout SECONDS] [--out FOLDER] [--sim-utc TIME] "
        "[--sim-pointing-error DRA,DDEC]";
    static constexpr int kTries = 5;
    static constexpr double kDefaultToleranceArcsec = 30.0;

    // The exit code: 0 arrived (centred with --center), 1 failed (no mount or camera, a
    // slew or solve failed, not centred after kTries), 2 wrong options.
    static int Run(const std::vector<std::string>& args);
};

}  // namespace orva
