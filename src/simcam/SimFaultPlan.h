#pragma once
// The faults an observer or a test plans for a run of the simulated camera, and the
// occultation it plans with them, each at a frame counted from the plan's restart point
// (the start of a recording): frame 1 is the first frame the camera makes after it,
// dropped frames count too. Without other faults FRAME is therefore the frame number the
// camera gives. What is planned for a frame that a drop skips does not happen.
//
// Texts: drop:FRAME:COUNT, repeat:FRAME, freeze-irq:FRAME, corrupt:FRAME, stall:FRAME:MS,
// unplug:FRAME:MS (back on the bus after MS); the occultation FRAME:COUNT (the target star
// is gone for COUNT frames starting with frame FRAME).
//
// Plain values; the parsers are pure and may run anywhere.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orva {

struct SimFault {
    enum class Kind { Drop, Repeat, FreezeIrq, Corrupt, Stall, Unplug };
    Kind kind = Kind::Drop;
    int64_t frame = 1;
    int64_t value = 0;  // frames dropped, or milliseconds
};

struct SimPlannedOccultation {
    int64_t frame = 1;
    int64_t count = 0;
};

struct SimFaultPlan {
    std::vector<SimFault> faults;
    std::optional<SimPlannedOccultation> occultation;

    // Nothing, with `error` naming the mistake, for a malformed fault text.
    static std::optional<SimFault> Parse(const std::string& faultText, std::string& error);
    // Nothing, with `error` naming the mistake, for a malformed occultation text.
    static std::optional<SimPlannedOccultation> ParseOccultation(const std::string& text, std::string& error);

    // Whether the occultation covers the frame.
    bool Occults(int64_t frame) const {
        return occultation && frame >= occultation->frame && frame < occultation->frame + occultation->count;
    }
};

}  // namespace orva
