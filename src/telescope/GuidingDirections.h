#pragma once
// Which picture direction belongs to which mount axis, as the guiding window's "up" and
// "right" lists choose it and the setting "GuidingDirections" keeps it (two digits: the
// "up" entry, then the "right" entry; each 0 "RA +", 1 "RA -", 2 "DEC +", 3 "DEC -").
// The two entries always lie on different axes.
//
// Pure values; any thread.

#include <string>

namespace orva {

class GuidingService;

struct GuidingDirections {
    int up = 3;
    int right = 1;

    // The stored text; a damaged one (too short, a digit above 3, both on one axis) gives
    // the default "31".
    static GuidingDirections FromSetting(const std::string& stored);
    static bool OnRightAscension(int entry) { return entry == 0 || entry == 1; }

    // The setting's text, "%d%d".
    std::string SettingText() const;
    // Sets the service's axis assignment and direction signs.
    void ApplyTo(GuidingService& guiding) const;
};

}  // namespace orva
