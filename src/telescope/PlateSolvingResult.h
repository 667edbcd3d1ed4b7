#pragma once
// The record of the last plate solve: where the image centre is, the field size, pixel
// scale and orientation, each with its valid flag, and a counter that grows with every
// evaluation so readers can tell that something new arrived. The station's observing
// tools own the one instance.
//
// Threads: the plate-solving worker writes a whole solution at once; the live view, the
// main form and the telescope window read it from the GUI thread. Both go through one
// lock, so a reader never sees half of one solve and half of another.

#include "telescope/IPlateSolvingCompletedListener.h"

#include <cstdint>
#include <mutex>

namespace orva {

struct PlateSolution {
    uint32_t solutionCounter = 0;
    bool coordinatesValid = false;
    double rightAscensionDeg = 0.0;
    double declinationDeg = 0.0;
    bool fieldSizeValid = false;
    double fieldWidthArcsec = 0.0;
    double fieldHeightArcsec = 0.0;
    bool pixelScaleValid = false;
    double pixelScaleArcsec = 0.0;  // arc seconds per pixel
    bool orientationValid = false;
    double orientationDeg = 0.0;
    int32_t parity = 0;  // 1: mirrored
};

class PlateSolvingResult {
public:
    PlateSolvingResult() = default;
    PlateSolvingResult(const PlateSolvingResult&) = delete;
    PlateSolvingResult& operator=(const PlateSolvingResult&) = delete;

    PlateSolution Read() const;
    // Stores the values and flags of one evaluation and counts it; the counter of the
    // argument is ignored. Returns the new counter.
    uint32_t Publish(const PlateSolution& solution);

    void SetListener(IPlateSolvingCompletedListener* listener);
    IPlateSolvingCompletedListener* Listener() const;

private:
    mutable std::mutex mutex_;
    PlateSolution solution_;
    IPlateSolvingCompletedListener* listener_ = nullptr;
};

}  // namespace orva
