#pragma once
// The guiding star's centroid in a square box round the target: pixels below a
// brightness threshold count as 0, and the threshold for the next frame lies halfway
// between the box's maximum and its mean.
//
// A box that reaches past the image edge is clipped to the image; positions stay
// relative to the unclipped box's top-left corner, so a star on the target still reads
// (radius, radius).
//
// Threads: one object per frame path, used by that thread only.

#include <cstdint>
#include <optional>
#include <vector>

namespace orva {

struct Centroid {
    double column = 0.0;
    double row = 0.0;
};

class GuidingCentroid {
public:
    // The box of 2r x 2r pixels from column x - r and row y - r. Nothing when the target
    // is unset (x or y below 1), the radius is not positive, the box lies outside the
    // image or no pixel reached the threshold (the star is gone): the caller then keeps
    // the previous centroid.
    std::optional<Centroid> Measure(const uint16_t* image, int width, int height, int x, int y, int radius);

    uint32_t Threshold() const { return threshold_; }
    void Reset() { threshold_ = 0; }

private:
    uint32_t threshold_ = 0;
    std::vector<uint64_t> columnSums_;  // kept to avoid an allocation per frame
};

}  // namespace orva
