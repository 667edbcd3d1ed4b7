#pragma once
// Where the frame processor delivers a frame the live view asked for: the view's
// picture and histogram are prepared from it.
//
// Threads: PrepareDisplay runs on the frame path's thread; the target hands its results
// to the GUI thread itself (the histogram through its double buffer).

#include "camera/CameraStatus.h"
#include "camera/BinaryOverlay.h"

#include <cstdint>

namespace orva {

struct DisplayFrame {
    const uint16_t* pixels = nullptr;  // width x height, calibrated, with any burnt-in text
    int width = 0;
    int height = 0;
    const BinaryOverlay* overlay = nullptr;
    // The camera state after this frame's record (overlay mode, PPS marker, flag A).
    const CameraStatus* status = nullptr;
    // Columns 0 .. pcTimeColumns - 1 of rows 0..15 carry the PC time text (0: none).
    int pcTimeColumns = 0;
    bool showOverflow = false;
    bool clipOnOverflow = false;
    bool eightBit = false;
};

class IDisplayTarget {
public:
    virtual ~IDisplayTarget() = default;
    virtual void PrepareDisplay(const DisplayFrame& frame) = 0;
};

}  // namespace orva
