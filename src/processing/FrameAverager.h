#pragma once
// Sums frames pixel by pixel in 32-bit sums and gives their truncated mean: the image of
// averaged dark and flat captures.
//
// Threads: used by the frame path's thread only.

#include "processing/AlignedBuffer.h"

#include <cstddef>
#include <cstdint>

namespace orva {

class FrameAverager {
public:
    // More frames could overflow a 32-bit sum of 16-bit pixels.
    static constexpr int32_t kMaxFrames = 65536;

    explicit FrameAverager(std::size_t capacityPixels);

    // Starts a new average of `pixels` pixels per frame (at most the capacity).
    void Start(std::size_t pixels);
    // Adds one frame of the started size; false when the average is full (kMaxFrames).
    bool Add(const uint16_t* image);
    int32_t Count() const { return count_; }
    std::size_t Pixels() const { return pixels_; }
    // sum / count per pixel (integer division); nothing with no frame added.
    void Average(uint16_t* out) const;

private:
    AlignedBuffer<uint32_t> sums_;
    std::size_t pixels_ = 0;
    int32_t count_ = 0;
};

}  // namespace orva
