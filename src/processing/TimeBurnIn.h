#pragma once
// Burns a line of text into the top of a frame (the PC clock on request), so that it
// travels with the picture into recordings and captures.
//
// Pure functions over caller-owned buffers; any thread.

#include "common/UtcTime.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace orva {

// " PC YYYYMMDD hh:mm:ss.mmm"
std::string FormatPcTimeText(const UtcDateTime& utc);

// Draws the text into rows 0..15 from column 0, one 8 x 16 cell per byte: a set font bit
// writes 65535, a clear bit 0. Cells are cut at the image's right and bottom edge.
void BurnInText(uint16_t* image, int width, int height, std::string_view text);

}  // namespace orva
