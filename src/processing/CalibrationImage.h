#pragma once
// A loaded dark or flat frame: width x height 16-bit pixels, top row first. Immutable
// once handed to the frame processor, so it may be shared between threads.

#include <cstdint>
#include <vector>

namespace orva {

struct CalibrationImage {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> pixels;

    bool Fits(int frameWidth, int frameHeight) const {
        return width == frameWidth && height == frameHeight &&
               pixels.size() == static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    }
};

}  // namespace orva
