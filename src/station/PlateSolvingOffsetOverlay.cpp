#include "station/PlateSolvingOffsetOverlay.h"

#include "common/Settings.h"
#include "telescope/INextEventSource.h"
#include "telescope/PlateSolvingResult.h"

namespace orva {

PlateSolvingOffsetOverlay::PlateSolvingOffsetOverlay(PlateSolvingResult& solves, INextEventSource& nextEvent,
                                                     const Settings& settings)
    : solves_(solves), nextEvent_(nextEvent), settings_(settings) {}

std::optional<PlateSolvingArrow> PlateSolvingOffsetOverlay::Arrow(int width, int height) {
    const PlateSolution solution = solves_.Read();
    const std::string& flip = settings_.CameraConfig.flipMode;
    // The solved frame was taken with the flip of its time: the first look at a solve
    // comes within a tick of its publication, long before a frame with another flip.
    if (solution.solutionCounter != seenSolution_) {
        seenSolution_ = solution.solutionCounter;
        flipAtSolve_ = flip;
    }
    if (!solution.coordinatesValid) return std::nullopt;
    const auto target = nextEvent_.NextEvent();
    if (!target) return std::nullopt;
    const auto changed = [&](char axis) {
        return (flip.find(axis) != std::string::npos) != (flipAtSolve_.find(axis) != std::string::npos);
    };
    return PlateSolvingOffset::Compute(solution, *target, width, height, changed('X'), changed('Y'));
}

}  // namespace orva
