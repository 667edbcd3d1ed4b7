#pragma once
// "orvacam-cli repair FILE": rebuilds a SER or ADV recording cut short by a crash or a
// power loss into a new file beside it ("written: PATH"); the original is not changed.

#include <string>
#include <vector>

namespace orva {

class CliRepairCommand {
public:
    static constexpr const char* kUsage = "repair FILE";
    // 0 repaired, 1 nothing repaired, 2 wrong options.
    static int Run(const std::vector<std::string>& args);
};

}  // namespace orva
