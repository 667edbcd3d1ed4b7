#pragma once
// Where the simulated sensor's light comes from: a synthetic sky now, a replay of
// recorded frames later. A source fills the image with signal in 12-bit counts (noise
// included) before the camera adds its black level and applies clipping, inversion,
// flip and bit depth.
//
// Threads: called from the one thread that generates frames.

#include <cstdint>
#include <span>

namespace orva {

// The part of the sensor a video mode reads out, in unbinned sensor pixels.
struct SimReadout {
    int sensorWidth = 0;
    int sensorHeight = 0;
    int originX = 0;  // top-left sensor pixel of the read-out region
    int originY = 0;
    int width = 0;  // image pixels
    int height = 0;
    int binning = 1;
};

struct SimExposure {
    int32_t frameNumber = 0;
    int64_t startUnixNs = 0;  // exposure start, GPS time: goes on across restarts and repeats
    double exposureMs = 0.0;
    double gainFactor = 1.0;  // linear
    bool targetOcculted = false;
};

class IPictureSource {
public:
    virtual ~IPictureSource() = default;
    // A new read-out region; called before the first frame and on every mode change.
    virtual void Configure(const SimReadout& readout) = 0;
    // Fills width x height samples, row by row; values above 4095 are overflow that the
    // camera clips or wraps. The same frame number and exposure start give the same
    // picture.
    virtual void Render(const SimExposure& exposure, std::span<uint16_t> image) = 0;
};

}  // namespace orva
