#pragma once
// "orvacam-cli mount": the telescope mount through the station's telescope worker, as the
// "Telescope Control" window drives it, over an INDI server.
//
//   mount status                 driver, connection, tracking, parked, slewing, position
//   mount connect                connects the mount and shows its position
//   mount slew RA DEC            slews there and waits until the mount has arrived
//   mount slew --object NAME     the same, to an object SIMBAD knows
//   mount sync RA DEC            tells the mount it points there
//   mount park | unpark          parks the mount / takes it out of its park position
//   mount abort                  stops a slew
//
// RA in hours ("hh:mm:ss.s" or decimal), DEC in degrees ("+dd:mm:ss.s" or decimal). The
// mount is the settings' "TelescopeDriver" when it is on the server asked for, else
// --device, else the first mount the server offers. Every command but status connects
// the mount first; the mount stays connected afterwards.
//
// Threads: the main thread drives the station (the GUI thread's role).

#include <string>
#include <vector>

namespace orva {

class CliMountCommand {
public:
    static constexpr const char* kUsage =
        "mount status | connect | slew RA DEC | slew --object NAME | sync RA DEC | park | unpark | abort "
        "[--indi HOST:PORT] [--device NAME] [--timeout SECONDS]";

    // The exit code: 0 done, 1 failed (no server, refused, timed out), 2 wrong options.
    static int Run(const std::vector<std::string>& args);
};

}  // namespace orva
