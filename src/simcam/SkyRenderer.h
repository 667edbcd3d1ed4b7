#pragma once
// A deterministic synthetic sky: background, a few dozen stars with a Moffat profile,
// one bright target star that an occultation can switch off, read and shot noise, a
// fixed per-row pattern and hot pixels. Everything is derived from the seed and the
// sensor position, so a mode change shows the same sky and a frame number always gives
// the same picture.
//
// Speed: the star profiles are computed once per read-out region; per frame the work is
// one pass of fresh noise (SimNoiseGenerator) plus the star stamps. No per-pixel
// transcendental functions.
//
// Threads: used by the one thread that generates frames.

#include "simcam/IPictureSource.h"
#include "simcam/SimCameraConfig.h"

#include <cstdint>
#include <vector>

namespace orva {

class SkyRenderer final : public IPictureSource {
public:
    explicit SkyRenderer(const SimSkyConfig& config);

    void Configure(const SimReadout& readout) override;
    void Render(const SimExposure& exposure, std::span<uint16_t> image) override;

    // The target star's centre in image pixels (before any flip); negative when it lies
    // outside the read-out region.
    double TargetImageX() const { return targetX_; }
    double TargetImageY() const { return targetY_; }
    // The target's summed signal in counts at the reference exposure and gain 1.
    double TargetFluxAtReference() const { return targetFlux_; }
    int HotPixelCount() const { return static_cast<int>(hotPixels_.size()); }
    // Row offset of an image row (the fixed pattern), in counts.
    int RowOffset(int row) const { return rowOffset_[static_cast<std::size_t>(row)]; }

private:
    struct Star {
        double sensorX, sensorY, peak;
        bool target;
    };
    struct Stamp {
        int x0, y0, size;
        bool target;
        std::vector<float> signal;  // counts at the reference exposure and gain 1
    };

    void AddStamp(const Star& star);

    SimSkyConfig config_;
    SimReadout readout_;
    std::vector<Star> stars_;
    std::vector<Stamp> stamps_;
    std::vector<int16_t> gaussTable_;  // N(0, 1) x 256, for the stars' shot noise
    std::vector<uint16_t> sqrtTable_;  // sqrt(n) x 256 for n = 0..4095
    std::vector<int> rowOffset_;
    std::vector<uint32_t> hotPixels_;  // image pixel indices
    double targetX_ = -1.0;
    double targetY_ = -1.0;
    double targetFlux_ = 0.0;
};

}  // namespace orva
