#pragma once
// Checks each frame's time stamp and counters against the preceding frame's: a value
// that did not change from one frame to the next is an error and is logged. There is no
// tolerance and no ordering test.
//
// Threads: one object per frame path, used by that thread only.

#include "camera/BinaryOverlay.h"

#include <cstdint>

namespace orva {

class FrameIntegrityChecker {
public:
    // Compares, logs, and keeps the frame's values for the next call.
    void Check(uint64_t frameTimestamp, const BinaryOverlay& overlay);

private:
    uint64_t previousTimestamp_ = 0;
    int32_t previousFrameNr_ = 0;
    uint8_t previousCommIrqCtr_ = 0;
    uint8_t previousFrameStartIrqCtr_ = 0;
};

}  // namespace orva
