#pragma once
// "orvacam-cli equipment": the observers, observing sites, instruments and mounts lists
// and their current entries, the same lists and selections the desktop station uses, so
// that a station without a screen can be set up and every recording carries the names.
//
//   equipment list [KIND]
//   equipment add KIND NAME [--set FIELD=VALUE]...
//   equipment select KIND NAME
//   equipment remove KIND NAME
//
// KIND is observer, site, instrument or mount; FIELD one of the kind's fields (Notes,
// Email, Lat, Lon, Alt, FocalLength, ...).

#include <string>
#include <vector>

namespace orva {

class CliEquipmentCommand {
public:
    static constexpr const char* kUsage =
        "equipment list [KIND] | add KIND NAME [--set FIELD=VALUE]... | select KIND NAME | remove KIND NAME "
        "(KIND: observer, site, instrument, mount)";
    // 0 done, 1 failed, 2 wrong options.
    static int Run(const std::vector<std::string>& args);
};

}  // namespace orva
