#pragma once
// What the live view draws for "Platesolving (next Event)": the offset (PlateSolvingOffset)
// from the station's last solve to the next occultation event's star, for the picture
// shown now. The camera's flip may have changed since the solve: the arrow is mirrored
// by the axes whose flip differs from the flip the solved picture was taken with.
//
// Threads: GUI thread (the event store's next event); the solve record may be written by
// the plate-solving worker meanwhile (it is read whole).

#include "telescope/PlateSolvingOffset.h"

#include <cstdint>
#include <optional>
#include <string>

namespace orva {

class INextEventSource;
class PlateSolvingResult;
class Settings;

class PlateSolvingOffsetOverlay {
public:
    PlateSolvingOffsetOverlay(PlateSolvingResult& solves, INextEventSource& nextEvent, const Settings& settings);

    // The arrow and text for a picture of this size; none without a solution with
    // coordinates or without a next event.
    std::optional<PlateSolvingArrow> Arrow(int width, int height);

private:
    PlateSolvingResult& solves_;
    INextEventSource& nextEvent_;
    const Settings& settings_;
    uint32_t seenSolution_ = 0;
    std::string flipAtSolve_;  // the camera's flip text when the solve was seen
};

}  // namespace orva
