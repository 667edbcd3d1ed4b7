#include "simcam/MountSkyPictureSource.h"

#include "common/SharedTelescopeState.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace orva {

MountSkyPictureSource::MountSkyPictureSource(const SimSkyConfig& synthetic, StarCatalog catalog,
                                             const CatalogSkyConfig& catalogConfig, const SharedTelescopeState& telescope,
                                             MountPointingError error)
    : synthetic_(synthetic),
      catalog_(std::move(catalog), catalogConfig, SkyPointing{}),
      telescope_(telescope),
      error_(error) {}

void MountSkyPictureSource::Configure(const SimReadout& readout) {
    synthetic_.Configure(readout);
    catalog_.Configure(readout);
}

void MountSkyPictureSource::Render(const SimExposure& exposure, std::span<uint16_t> image) {
    // One read decides both the picture and its pointing.
    const SharedTelescopeState::Position position = telescope_.Read();
    if (position.valid) {
        const double ra = std::fmod(position.rightAscensionHours * 15.0 + error_.rightAscensionDeg + 360.0, 360.0);
        const double dec = std::clamp(position.declinationDegrees + error_.declinationDeg, -90.0, 90.0);
        catalog_.SetPointing({ra, dec, 0.0});
        catalog_.Render(exposure, image);
    } else {
        synthetic_.Render(exposure, image);
    }
}

}  // namespace orva
