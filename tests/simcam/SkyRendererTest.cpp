// The synthetic sky's sensor noise: fresh for every pixel and every frame, with the
// spread the sky's levels ask for.
#include "simcam/SkyRenderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace orva {
namespace {

// A sky of background and noise only.
SimSkyConfig FlatSky() {
    SimSkyConfig sky;
    sky.starCount = 0;
    sky.targetPeak = 0.0;
    sky.hotPixelCount = 0;
    sky.rowPatternCounts = 0.0;
    return sky;
}

SimReadout FullSensor() {
    SimReadout readout;
    readout.sensorWidth = readout.width = 1920;
    readout.sensorHeight = readout.height = 1200;
    return readout;
}

std::vector<uint16_t> Render(SkyRenderer& sky, int32_t frameNumber, int64_t startUnixNs) {
    SimExposure exposure;
    exposure.frameNumber = frameNumber;
    exposure.startUnixNs = startUnixNs;
    exposure.exposureMs = 40.0;
    std::vector<uint16_t> image(1920u * 1200u);
    sky.Render(exposure, image);
    return image;
}

// A hash of every run of kRun samples, at every position.
constexpr std::size_t kRun = 12;
void AddRunHashes(const std::vector<uint16_t>& image, std::vector<uint64_t>& hashes) {
    for (std::size_t i = 0; i + kRun <= image.size(); ++i) {
        uint64_t h = 0xCBF29CE484222325ull;
        for (std::size_t k = 0; k < kRun; ++k) h = (h ^ image[i + k]) * 0x100000001B3ull;
        hashes.push_back(h);
    }
}

std::size_t Repeats(std::vector<uint64_t> hashes) {
    std::sort(hashes.begin(), hashes.end());
    return static_cast<std::size_t>(hashes.end() - std::unique(hashes.begin(), hashes.end()));
}

TEST(SkyRendererNoise, NoRunOfSamplesRepeatsWithinAFrameOrAcrossFrames) {
    // 12 samples of noise with a spread of 11.7 counts carry about 67 bits: a run seen twice
    // among a few million is a repeating generator, not chance.
    SkyRenderer sky(FlatSky());
    sky.Configure(FullSensor());
    const auto first = Render(sky, 1, 1000);
    const auto second = Render(sky, 2, 41000);
    const auto restarted = Render(sky, 1, 2000000);  // frame numbers start again after a restart

    std::vector<uint64_t> hashes;
    AddRunHashes(first, hashes);
    EXPECT_EQ(Repeats(hashes), 0u) << "within a frame";
    AddRunHashes(second, hashes);
    AddRunHashes(restarted, hashes);
    EXPECT_EQ(Repeats(hashes), 0u) << "across frames";

    EXPECT_EQ(Render(sky, 2, 41000), second) << "the same frame gives the same picture";
}

TEST(SkyRendererNoise, SpreadFollowsTheLevelsAndNeighboursAreIndependent) {
    struct Case {
        double background;
        double readNoise;
    };
    for (const Case c : {Case{120.0, 4.0}, Case{2000.0, 10.0}, Case{20.0, 1.5}}) {
        SCOPED_TRACE("background " + std::to_string(c.background));
        SimSkyConfig config = FlatSky();
        config.backgroundCounts = c.background;
        config.readNoiseCounts = c.readNoise;
        SkyRenderer sky(config);
        sky.Configure(FullSensor());
        const auto image = Render(sky, 7, 123456789);
        double sum = 0;
        double sumSquares = 0;
        double sumProducts = 0;
        for (std::size_t i = 0; i < image.size(); ++i) {
            const double v = image[i] - c.background;
            sum += v;
            sumSquares += v * v;
            if (i > 0) sumProducts += v * (image[i - 1] - c.background);
        }
        const double n = static_cast<double>(image.size());
        const double mean = sum / n;
        const double variance = sumSquares / n - mean * mean;
        const double expectedSigma = std::sqrt(c.readNoise * c.readNoise + c.background);
        EXPECT_NEAR(mean, 0.0, 0.6);  // rounding down to whole counts costs up to half a count
        // Samples never go below 0: a background of 20 with a spread of 4.7 stays clear of it.
        EXPECT_NEAR(std::sqrt(variance), expectedSigma, 0.03 * expectedSigma);
        const double correlation = (sumProducts / (n - 1) - mean * mean) / variance;
        EXPECT_LT(std::abs(correlation), 0.01);
    }
}

}  // namespace
}  // namespace orva
