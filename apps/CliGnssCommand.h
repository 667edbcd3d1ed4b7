#pragma once
// "orvacam-cli gnss": the camera's GPS receiver as the GUI's "Satellite Configuration"
// and "GNSS Selector" dialogs show it: its hardware and firmware identification, then the
// GNSS configuration, one row per satellite system. With --set the systems named are
// switched on or off, the configuration is written, and the table shows the receiver's
// answer read back afterwards.
//
// Threads: the main thread drives the station (the GUI thread's role).

#include <string>
#include <vector>

namespace orva {

class CliGnssCommand {
public:
    static constexpr const char* kUsage = "gnss --camera sim[:SENSORCODE] [--set SYSTEM=on|off]...";

    // The exit code: 0 read (and written), 1 failed, 2 wrong options.
    static int Run(const std::vector<std::string>& args);
};

}  // namespace orva
