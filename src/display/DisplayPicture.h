#pragma once
// One composed live-view picture with what belongs to the same frame: its size, the
// 32-bit pixels (0xAARRGGBB), the line profile and the record's text line; while the
// view asks for them (a guiding star is being chosen), the frame's calibrated pixels.

#include "display/DisplayComposer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orva {

struct DisplayPicture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    LineProfile profile;
    std::string textLine;
    uint64_t sequence = 0;  // counts composed pictures from 1
    std::vector<uint16_t> raw;  // width x height, or empty when not asked for
};

}  // namespace orva
