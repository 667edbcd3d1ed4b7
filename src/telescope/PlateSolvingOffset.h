#pragma once
// The plate-solving offset over the live view: how far, and which way, the next event's
// star lies from where the last solve found the picture's centre. The text gives the
// declination offset (N or S) and the right-ascension offset (E or W) in arc minutes;
// the arrow starts at the picture's centre and points along the sky direction of the
// star, turned by the solve's orientation and parity (north up and east left when there
// is none). With a known pixel scale it ends at the star, unless that lies farther than
// the longest arrow.
//
// Pure geometry on plain values; any thread.

#include "telescope/INextEventSource.h"
#include "telescope/PlateSolvingResult.h"

#include <optional>
#include <string>

namespace orva {

struct PlateSolvingArrow {
    // Picture pixels, (0, 0) the top-left corner of the picture.
    double startX = 0.0;
    double startY = 0.0;
    double endX = 0.0;
    double endY = 0.0;
    bool hasDirection = false;  // false: the star is at the centre, no arrow to draw
    double declinationArcmin = 0.0;    // positive: north
    double rightAscensionArcmin = 0.0;  // hours x 15 x 60, positive: east
    std::string text;                   // "Dir %.1f' %c, %.1f' %c"

    bool operator==(const PlateSolvingArrow&) const = default;
};

class PlateSolvingOffset {
public:
    // Longest arrow, as a share of the picture's shorter side; a star farther away or a
    // solve without pixel scale gets this length.
    static constexpr double kMaxLength = 0.4;
    // Offsets below this (arc minutes) have no direction worth drawing.
    static constexpr double kNoDirectionArcmin = 0.05;

    // None without solved coordinates or with an empty picture. `mirrorX` / `mirrorY`:
    // the picture shown is mirrored left-right / top-bottom against the solved one.
    static std::optional<PlateSolvingArrow> Compute(const PlateSolution& solution, const NextEventTarget& target,
                                                    int width, int height, bool mirrorX = false, bool mirrorY = false);
    // The overlay's text for the two offsets in arc minutes.
    static std::string Text(double declinationArcmin, double rightAscensionArcmin);
};

}  // namespace orva
