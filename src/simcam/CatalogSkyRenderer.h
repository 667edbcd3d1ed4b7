#pragma once
// A picture source that shows real sky: the stars of a catalogue, projected
// gnomonically (the tangent-plane projection of a camera at a telescope's focus) around
// a pointing, at a given image scale, on the synthetic sky's background and noise. A
// frame of it can be plate-solved against the catalogue the stars came from.
//
// Geometry: the optical axis meets the sensor's centre. At rotation 0 north is up
// (towards image row 0) and east is to the left, as the sky looks; a rotation of r
// degrees turns north r degrees towards east, so a solver reports "up is r degrees E of
// N", not mirrored. Binning and the read-out origin are applied like any sensor read-out.
//
// The pointing is fixed, or follows the shared telescope state (right ascension in
// hours, declination in degrees) at every frame while that state is valid, so a mount
// can move the picture.
//
// A drift moves the drawn pointing away from the followed one at a steady rate, as a
// mount that tracks imperfectly does, so guiding has something to correct.
//
// Threads: Configure and Render run on the camera's generating thread; SetPointing and
// FollowTelescope may be called from any thread.

#include "common/Clock.h"
#include "simcam/IPictureSource.h"
#include "simcam/SimCameraConfig.h"
#include "simcam/SkyRenderer.h"
#include "simcam/StarCatalog.h"

#include <mutex>
#include <vector>

namespace orva {

class SharedTelescopeState;

struct SkyPointing {
    double rightAscensionDeg = 0.0;
    double declinationDeg = 0.0;
    double rotationDeg = 0.0;
    bool operator==(const SkyPointing&) const = default;
};

// Arc seconds per second of the clock, in right ascension (as an angle of right
// ascension) and declination.
struct SkyDrift {
    double rightAscensionArcsecPerSec = 0.0;
    double declinationArcsecPerSec = 0.0;
};

struct CatalogSkyConfig {
    // Arc seconds per unbinned sensor pixel: 206.265 x pixel size (um) / focal length (mm).
    double arcsecPerSensorPixel = 5.6;
    double starFwhmPixels = 2.5;  // unbinned
    // Peak of a star of the reference magnitude at the reference exposure and gain 1, in
    // counts; each magnitude fainter divides it by 10^0.4.
    double referenceMagnitude = 9.0;
    double referencePeak = 900.0;
    // Background and noise; its own stars, target and hot pixels are switched off.
    SimSkyConfig background;
};

class CatalogSkyRenderer final : public IPictureSource {
public:
    CatalogSkyRenderer(StarCatalog catalog, const CatalogSkyConfig& config, const SkyPointing& pointing);

    void SetPointing(const SkyPointing& pointing);
    // Null: back to the fixed pointing. The rotation stays that of the fixed pointing.
    void FollowTelescope(const SharedTelescopeState* state);
    // From now on the pointing drifts by the rates times the clock's elapsed time; a
    // null clock ends the drift.
    void SetDrift(const Clock* clock, const SkyDrift& drift);
    SkyPointing CurrentPointing() const;

    void Configure(const SimReadout& readout) override;
    void Render(const SimExposure& exposure, std::span<uint16_t> image) override;

    // Where a sky position lands in image pixel coordinates (0,0 is the centre of the
    // top-left pixel) with the current read-out; false behind the tangent plane.
    bool Project(double rightAscensionDeg, double declinationDeg, double& x, double& y) const;
    // Stars drawn into the last configured read-out.
    int VisibleStarCount() const { return static_cast<int>(stamps_.size()); }

private:
    struct Stamp {
        int x0, y0, size;
        std::vector<float> signal;  // counts at the reference exposure and gain 1
    };

    static SimSkyConfig BackgroundOnly(SimSkyConfig sky);
    void Rebuild(const SkyPointing& pointing);

    const StarCatalog catalog_;
    const CatalogSkyConfig config_;
    SkyRenderer background_;
    SimReadout readout_;
    SkyPointing drawn_;  // the pointing the stamps were made for
    std::vector<Stamp> stamps_;

    mutable std::mutex mutex_;
    SkyPointing fixed_;
    const SharedTelescopeState* telescope_ = nullptr;
    const Clock* driftClock_ = nullptr;
    Clock::TimePoint driftStart_{};
    SkyDrift drift_;
};

}  // namespace orva
