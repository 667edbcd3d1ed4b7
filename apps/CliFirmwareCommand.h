#pragma once
// "orvacam-cli firmware": writes a firmware file into one image slot of the camera's
// flash with the station's firmware update (the GUI's "Update firmware..." dialog without
// its window): checks the file before anything is erased, erases, programs and verifies
// every page, activates the main image slots, and reads the active slot back. Progress
// goes to standard error when it is a terminal.
//
// Threads: the main thread drives the station (the GUI thread's role).

#include <string>
#include <vector>

namespace orva {

class CliFirmwareCommand {
public:
    static constexpr const char* kUsage =
        "firmware --camera sim[:SENSORCODE] FILE [--slot IMG-1|IMG-2|S2BL|IMG-R] [--serial N]";

    // The exit code: 0 written and verified, 1 refused or failed, 2 wrong options.
    static int Run(const std::vector<std::string>& args);
};

}  // namespace orva
