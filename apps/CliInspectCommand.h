#pragma once
// "orvacam-cli inspect [--frames] FILE": the report of a SER, ADV, FITS or GPS status CSV
// file (or a folder of FITS images). Exit 0 for a sound recording; otherwise one line on
// standard error that says what is wrong.

#include <string>
#include <vector>

namespace orva {

class CliInspectCommand {
public:
    static constexpr const char* kUsage = "inspect [--frames] FILE";
    // 0 sound, 1 damaged or unreadable, 2 wrong options.
    static int Run(const std::vector<std::string>& args);
};

}  // namespace orva
