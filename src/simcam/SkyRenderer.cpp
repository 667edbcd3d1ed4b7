#include "simcam/SkyRenderer.h"

#include "simcam/SimNoiseGenerator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orva {

namespace {

constexpr std::size_t kGaussTableSize = 1u << 16;

uint64_t SplitMix64(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// A fast 64-bit generator (the SplitMix64 sequence) for the per-frame noise.
class FastRandom {
public:
    explicit FastRandom(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        state_ += 0x9E3779B97F4A7C15ull;
        uint64_t z = state_;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

private:
    uint64_t state_;
};

}  // namespace

SkyRenderer::SkyRenderer(const SimSkyConfig& config) : config_(config) {
    FastRandom random(SplitMix64(config_.seed));
    gaussTable_.resize(kGaussTableSize);
    for (std::size_t i = 0; i < gaussTable_.size(); i += 2) {
        // Box-Muller, once at construction.
        const double u1 = std::max(random.Uniform(), 1e-12);
        const double u2 = random.Uniform();
        const double r = std::sqrt(-2.0 * std::log(u1));
        const double a = std::clamp(r * std::cos(2.0 * std::numbers::pi * u2), -6.0, 6.0);
        const double b = std::clamp(r * std::sin(2.0 * std::numbers::pi * u2), -6.0, 6.0);
        gaussTable_[i] = static_cast<int16_t>(std::lround(a * 256.0));
        if (i + 1 < gaussTable_.size()) gaussTable_[i + 1] = static_cast<int16_t>(std::lround(b * 256.0));
    }
    sqrtTable_.resize(4096);
    for (std::size_t n = 0; n < sqrtTable_.size(); ++n) {
        sqrtTable_[n] = static_cast<uint16_t>(std::lround(std::sqrt(static_cast<double>(n)) * 256.0));
    }
    // Star field in unit sensor coordinates; brightness spread logarithmically between
    // the faintest and the brightest peak.
    for (int i = 0; i < config_.starCount; ++i) {
        const double x = 0.02 + 0.96 * random.Uniform();
        const double y = 0.02 + 0.96 * random.Uniform();
        const double t = random.Uniform();
        const double peak = config_.faintestStarPeak * std::pow(config_.brightestStarPeak / config_.faintestStarPeak, t);
        stars_.push_back({x, y, peak, false});
    }
    stars_.push_back({config_.targetX, config_.targetY, config_.targetPeak, true});
}

void SkyRenderer::AddStamp(const Star& star) {
    const SimReadout& r = readout_;
    // Image coordinates of the star's centre.
    const double cx = (star.sensorX * r.sensorWidth - r.originX) / r.binning - 0.5;
    const double cy = (star.sensorY * r.sensorHeight - r.originY) / r.binning - 0.5;
    const double fwhm = std::max(config_.starFwhmPixels / r.binning, 1.0);
    const int radius = static_cast<int>(std::ceil(2.5 * fwhm)) + 1;
    if (cx < -radius || cy < -radius || cx > r.width + radius || cy > r.height + radius) return;
    // Moffat profile, beta 3: alpha from the FWHM.
    constexpr double beta = 3.0;
    const double alpha = fwhm / (2.0 * std::sqrt(std::pow(2.0, 1.0 / beta) - 1.0));
    Stamp stamp;
    stamp.x0 = static_cast<int>(std::floor(cx)) - radius;
    stamp.y0 = static_cast<int>(std::floor(cy)) - radius;
    stamp.size = 2 * radius + 2;
    stamp.target = star.target;
    stamp.signal.resize(static_cast<std::size_t>(stamp.size) * stamp.size);
    double flux = 0.0;
    for (int j = 0; j < stamp.size; ++j) {
        for (int i = 0; i < stamp.size; ++i) {
            const double dx = stamp.x0 + i - cx;
            const double dy = stamp.y0 + j - cy;
            const double v = star.peak * std::pow(1.0 + (dx * dx + dy * dy) / (alpha * alpha), -beta);
            stamp.signal[static_cast<std::size_t>(j) * stamp.size + i] = static_cast<float>(v);
            flux += v;
        }
    }
    if (star.target) {
        targetX_ = cx;
        targetY_ = cy;
        targetFlux_ = flux;
    }
    stamps_.push_back(std::move(stamp));
}

void SkyRenderer::Configure(const SimReadout& readout) {
    readout_ = readout;
    stamps_.clear();
    targetX_ = targetY_ = -1.0;
    targetFlux_ = 0.0;
    for (const Star& star : stars_) AddStamp(star);

    // The row pattern belongs to the sensor rows, so it stays put across modes.
    rowOffset_.assign(static_cast<std::size_t>(readout.height), 0);
    for (int y = 0; y < readout.height; ++y) {
        const uint64_t h = SplitMix64(config_.seed ^ (0x524F57ull << 32) ^ static_cast<uint64_t>(readout.originY + y * readout.binning));
        const double u = static_cast<double>(h >> 11) * 0x1.0p-53 * 2.0 - 1.0;
        rowOffset_[static_cast<std::size_t>(y)] = static_cast<int>(std::lround(u * config_.rowPatternCounts));
    }
    // Hot pixels at fixed sensor positions.
    hotPixels_.clear();
    FastRandom random(SplitMix64(config_.seed ^ 0x484F54ull));
    for (int i = 0; i < config_.hotPixelCount; ++i) {
        const int sx = static_cast<int>(random.Next() % static_cast<uint64_t>(std::max(readout.sensorWidth, 1)));
        const int sy = static_cast<int>(random.Next() % static_cast<uint64_t>(std::max(readout.sensorHeight, 1)));
        const int x = (sx - readout.originX) / readout.binning;
        const int y = (sy - readout.originY) / readout.binning;
        if (sx < readout.originX || sy < readout.originY || x >= readout.width || y >= readout.height) continue;
        hotPixels_.push_back(static_cast<uint32_t>(y) * static_cast<uint32_t>(readout.width) + static_cast<uint32_t>(x));
    }
}

void SkyRenderer::Render(const SimExposure& exposure, std::span<uint16_t> image) {
    const int width = readout_.width;
    const int height = readout_.height;
    if (image.size() < static_cast<std::size_t>(width) * height) return;
    // The exposure start goes on where frame numbers repeat (a restart, a repeated number).
    const uint64_t frameSeed = SplitMix64(config_.seed ^ SplitMix64(static_cast<uint64_t>(exposure.frameNumber) ^
                                                                     SplitMix64(static_cast<uint64_t>(exposure.startUnixNs))));
    FastRandom random(frameSeed);
    const double scale = exposure.exposureMs / config_.referenceExposureMs * exposure.gainFactor;
    const double background = config_.backgroundCounts * scale;
    // Read noise and the background's shot noise, one sigma for the whole frame.
    const double sigma = std::sqrt(config_.readNoiseCounts * config_.readNoiseCounts + background);
    const int32_t base = static_cast<int32_t>(std::lround(std::min(background, 60000.0)));

    SimNoiseGenerator noise(SplitMix64(frameSeed));
    for (int y = 0; y < height; ++y) {
        noise.FillRow(image.data() + static_cast<std::size_t>(y) * width, width, base + rowOffset_[static_cast<std::size_t>(y)],
                      sigma);
    }

    for (const Stamp& stamp : stamps_) {
        if (stamp.target && exposure.targetOcculted) continue;
        const float gain = static_cast<float>(scale);
        for (int j = 0; j < stamp.size; ++j) {
            const int y = stamp.y0 + j;
            if (y < 0 || y >= height) continue;
            uint16_t* out = image.data() + static_cast<std::size_t>(y) * width;
            const float* signal = stamp.signal.data() + static_cast<std::size_t>(j) * stamp.size;
            for (int i = 0; i < stamp.size; ++i) {
                const int x = stamp.x0 + i;
                if (x < 0 || x >= width) continue;
                const float s = signal[i] * gain;
                if (s < 0.5f) continue;
                // Shot noise: a Gaussian draw times the square root of the signal.
                const int32_t root = sqrtTable_[static_cast<std::size_t>(std::min(s, 4095.0f))];
                const int32_t g = gaussTable_[random.Next() % kGaussTableSize];
                const int32_t v = out[x] + static_cast<int32_t>(s) + ((g * root) >> 16);
                out[x] = static_cast<uint16_t>(std::clamp(v, 0, 65535));
            }
        }
    }

    const uint16_t hot = static_cast<uint16_t>(std::clamp(config_.hotPixelCounts, 0, 65535));
    for (uint32_t index : hotPixels_) image[index] = std::max(image[index], hot);
}

}  // namespace orva
