#include "processing/FrameAverager.h"

#include <algorithm>

namespace orva {

FrameAverager::FrameAverager(std::size_t capacityPixels) : sums_(capacityPixels) {}

void FrameAverager::Start(std::size_t pixels) {
    pixels_ = std::min(pixels, sums_.Size());
    count_ = 0;
}

bool FrameAverager::Add(const uint16_t* image) {
    if (count_ >= kMaxFrames) return false;
    uint32_t* sums = sums_.Data();
    // The first frame replaces whatever an earlier average left.
    if (count_ == 0) {
        for (std::size_t i = 0; i < pixels_; ++i) sums[i] = image[i];
    } else {
        for (std::size_t i = 0; i < pixels_; ++i) sums[i] += image[i];
    }
    ++count_;
    return true;
}

void FrameAverager::Average(uint16_t* out) const {
    if (count_ == 0) return;
    const uint32_t* sums = sums_.Data();
    const uint32_t n = static_cast<uint32_t>(count_);
    for (std::size_t i = 0; i < pixels_; ++i) out[i] = static_cast<uint16_t>(sums[i] / n);
}

}  // namespace orva
