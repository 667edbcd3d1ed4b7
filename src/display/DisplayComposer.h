#pragma once
// Composes the live view's picture from a calibrated 16-bit frame in one pass: the
// stretch through the lookup table, the zone borders or the overflow colours, the
// histogram of the picture and the line profile under the mouse. The rows of the
// timing record at the bottom and the marker columns at the left are shown from the
// pixel's high byte, without the stretch.
//
// Pure pixel code over caller-owned buffers; any thread.

#include "display/DisplayStretch.h"
#include "display/ZoneMatrix.h"
#include "processing/IDisplayTarget.h"

#include <array>
#include <cstdint>

namespace orva {

struct LineProfile {
    static constexpr int kHalfWidth = 16;
    static constexpr int kLength = 2 * kHalfWidth + 1;
    std::array<uint16_t, kLength> values{};
    bool captured = false;
};

struct ComposeInputs {
    const DisplayStretch::LookupTable* table = nullptr;  // required
    const ZoneBlocks* zones = nullptr;                   // null: zones off
    int profileX = -1;                                   // -1: no profile
    int profileY = -1;
};

class DisplayComposer {
public:
    // Overflow thresholds (clip-on-overflow off: bright pixels; on: dark pixels).
    static constexpr int kRedAbove = 64225;
    static constexpr int kYellowAbove = 58982;
    static constexpr int kRedBelow = 1311;
    static constexpr int kYellowBelow = 6554;
    // Histogram rows: 17 .. height - 17.
    static constexpr int kHistogramFirstRow = 17;
    static constexpr int kHistogramBottomRows = 16;

    // Rows at the bottom shown unstretched: 1 with no overlay (the record row alone),
    // 16 otherwise, 8 for the 176 x 128 mode.
    static int ExcludedBottomRows(const CameraStatus* status, int width, int height);
    // Columns at the left shown unstretched: 8 with the PPS marker or status flag A.
    static int ExcludedLeftColumns(const CameraStatus* status);

    // picture: width x height 32-bit pixels (0xAARRGGBB); histogram: 1024 bins, cleared
    // here; profile: filled when the profile row is in the picture.
    static void Compose(const DisplayFrame& frame, const ComposeInputs& inputs, uint32_t* picture,
                        uint64_t* histogram, LineProfile& profile);
};

}  // namespace orva
