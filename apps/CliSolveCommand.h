#pragma once
// "orvacam-cli solve": one plate solve of a new frame from the camera (the station's own
// FITS capture) or of a FITS file, through the station's plate-solving worker; prints the
// image centre, scale, rotation, field and the solver's time. With a mount (--indi, or
// --sync with the settings' server) the solve takes the mount's position as its hint,
// prints how far the picture lies from it, and --sync tells the mount it points at the
// solution. The simulated camera shows the sky where a connected mount points.
//
// Threads: the main thread drives the station (the GUI thread's role).

#include <string>
#include <vector>

namespace orva {

class CliSolveCommand {
public:
    static constexpr const char* kUsage =
        "solve [--camera sim|LINK] [--file FITS] [--strategy web|local|astap] [--scale ARCSEC] [--sync] "
        "[--indi HOST:PORT] [--device NAME] [--timeout SECONDS] [--out FOLDER] [--sim-utc TIME] [--sim-pointing-error DRA,DDEC]";

    // The exit code: 0 solved, 1 failed (no camera or mount, solver failed or timed out),
    // 2 wrong options.
    static int Run(const std::vector<std::string>& args);
};

}  // namespace orva
