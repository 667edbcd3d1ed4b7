#include "simcam/CatalogSkyRenderer.h"

#include "common/SharedTelescopeState.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>

namespace orva {

namespace {

constexpr double kDeg = std::numbers::pi / 180.0;

}  // namespace

CatalogSkyRenderer::CatalogSkyRenderer(StarCatalog catalog, const CatalogSkyConfig& config, const SkyPointing& pointing)
    : catalog_(std::move(catalog)), config_(config), background_(BackgroundOnly(config.background)), fixed_(pointing) {}

SimSkyConfig CatalogSkyRenderer::BackgroundOnly(SimSkyConfig sky) {
    sky.starCount = 0;
    sky.targetPeak = 0.0;
    sky.hotPixelCount = 0;
    return sky;
}

void CatalogSkyRenderer::SetPointing(const SkyPointing& pointing) {
    std::lock_guard lock(mutex_);
    fixed_ = pointing;
}

void CatalogSkyRenderer::FollowTelescope(const SharedTelescopeState* state) {
    std::lock_guard lock(mutex_);
    telescope_ = state;
}

void CatalogSkyRenderer::SetDrift(const Clock* clock, const SkyDrift& drift) {
    std::lock_guard lock(mutex_);
    driftClock_ = clock;
    drift_ = drift;
    if (clock) driftStart_ = clock->Now();
}

SkyPointing CatalogSkyRenderer::CurrentPointing() const {
    std::lock_guard lock(mutex_);
    SkyPointing pointing = fixed_;
    if (telescope_) {
        const SharedTelescopeState::Position position = telescope_->Read();
        if (position.valid) {
            pointing.rightAscensionDeg = position.rightAscensionHours * 15.0;
            pointing.declinationDeg = position.declinationDegrees;
        }
    }
    if (driftClock_) {
        const double seconds = std::chrono::duration<double>(driftClock_->Now() - driftStart_).count();
        pointing.rightAscensionDeg =
            std::fmod(pointing.rightAscensionDeg + drift_.rightAscensionArcsecPerSec * seconds / 3600.0 + 360.0, 360.0);
        pointing.declinationDeg =
            std::clamp(pointing.declinationDeg + drift_.declinationArcsecPerSec * seconds / 3600.0, -90.0, 90.0);
    }
    return pointing;
}

void CatalogSkyRenderer::Configure(const SimReadout& readout) {
    readout_ = readout;
    background_.Configure(readout);
    Rebuild(CurrentPointing());
}

bool CatalogSkyRenderer::Project(double rightAscensionDeg, double declinationDeg, double& x, double& y) const {
    const double ra0 = drawn_.rightAscensionDeg * kDeg;
    const double dec0 = drawn_.declinationDeg * kDeg;
    const double ra = rightAscensionDeg * kDeg;
    const double dec = declinationDeg * kDeg;
    const double cosC = std::sin(dec0) * std::sin(dec) + std::cos(dec0) * std::cos(dec) * std::cos(ra - ra0);
    if (cosC <= 1e-6) return false;
    // Standard coordinates: xi towards east, eta towards north, in sensor pixels.
    const double toPixels = 3600.0 / kDeg / config_.arcsecPerSensorPixel;
    const double xi = std::cos(dec) * std::sin(ra - ra0) / cosC * toPixels;
    const double eta = (std::cos(dec0) * std::sin(dec) - std::sin(dec0) * std::cos(dec) * std::cos(ra - ra0)) / cosC * toPixels;
    const double r = drawn_.rotationDeg * kDeg;
    const double u = xi * std::cos(r) - eta * std::sin(r);
    const double v = xi * std::sin(r) + eta * std::cos(r);
    // East left, north up; then into the binned read-out.
    const double sensorX = 0.5 * readout_.sensorWidth - u;
    const double sensorY = 0.5 * readout_.sensorHeight - v;
    const int binning = std::max(readout_.binning, 1);
    x = (sensorX - readout_.originX) / binning - 0.5;
    y = (sensorY - readout_.originY) / binning - 0.5;
    return true;
}

void CatalogSkyRenderer::Rebuild(const SkyPointing& pointing) {
    drawn_ = pointing;
    stamps_.clear();
    const int binning = std::max(readout_.binning, 1);
    const double sigma = std::max(config_.starFwhmPixels / binning, 1.0) / (2.0 * std::sqrt(2.0 * std::log(2.0)));
    const int radius = static_cast<int>(std::ceil(4.0 * sigma)) + 1;
    for (const CatalogStar& star : catalog_.Stars()) {
        double cx = 0.0;
        double cy = 0.0;
        if (!Project(star.rightAscensionDeg, star.declinationDeg, cx, cy)) continue;
        if (cx < -radius || cy < -radius || cx > readout_.width + radius || cy > readout_.height + radius) continue;
        const double peak = config_.referencePeak * std::pow(10.0, -0.4 * (star.magnitude - config_.referenceMagnitude));
        Stamp stamp;
        stamp.x0 = static_cast<int>(std::floor(cx)) - radius;
        stamp.y0 = static_cast<int>(std::floor(cy)) - radius;
        stamp.size = 2 * radius + 2;
        stamp.signal.resize(static_cast<std::size_t>(stamp.size) * stamp.size);
        for (int j = 0; j < stamp.size; ++j) {
            for (int i = 0; i < stamp.size; ++i) {
                const double dx = stamp.x0 + i - cx;
                const double dy = stamp.y0 + j - cy;
                stamp.signal[static_cast<std::size_t>(j) * stamp.size + i] =
                    static_cast<float>(peak * std::exp(-(dx * dx + dy * dy) / (2.0 * sigma * sigma)));
            }
        }
        stamps_.push_back(std::move(stamp));
    }
}

void CatalogSkyRenderer::Render(const SimExposure& exposure, std::span<uint16_t> image) {
    const int width = readout_.width;
    const int height = readout_.height;
    if (image.size() < static_cast<std::size_t>(width) * height) return;
    const SkyPointing pointing = CurrentPointing();
    if (!(pointing == drawn_)) Rebuild(pointing);
    background_.Render(exposure, image);
    const float gain = static_cast<float>(exposure.exposureMs / config_.background.referenceExposureMs * exposure.gainFactor);
    for (const Stamp& stamp : stamps_) {
        for (int j = 0; j < stamp.size; ++j) {
            const int y = stamp.y0 + j;
            if (y < 0 || y >= height) continue;
            uint16_t* out = image.data() + static_cast<std::size_t>(y) * width;
            const float* signal = stamp.signal.data() + static_cast<std::size_t>(j) * stamp.size;
            for (int i = 0; i < stamp.size; ++i) {
                const int x = stamp.x0 + i;
                if (x < 0 || x >= width) continue;
                const float v = static_cast<float>(out[x]) + signal[i] * gain;
                out[x] = static_cast<uint16_t>(std::min(v, 65535.0f));
            }
        }
    }
}

}  // namespace orva
