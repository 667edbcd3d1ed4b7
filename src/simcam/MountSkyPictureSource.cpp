#include "simcam/MountSkyPictureSource.h"

#include "common/SharedTelescopeState.h"

#include <utility>

namespace orva {

MountSkyPictureSource::MountSkyPictureSource(const SimSkyConfig& synthetic, StarCatalog catalog,
                                             const CatalogSkyConfig& catalogConfig, const SharedTelescopeState& telescope)
    : synthetic_(synthetic), catalog_(std::move(catalog), catalogConfig, SkyPointing{}), telescope_(telescope) {}

void MountSkyPictureSource::Configure(const SimReadout& readout) {
    synthetic_.Configure(readout);
    catalog_.Configure(readout);
}

void MountSkyPictureSource::Render(const SimExposure& exposure, std::span<uint16_t> image) {
    // One read decides both the picture and its pointing.
    const SharedTelescopeState::Position position = telescope_.Read();
    if (position.valid) {
        catalog_.SetPointing({position.rightAscensionHours * 15.0, position.declinationDegrees, 0.0});
        catalog_.Render(exposure, image);
    } else {
        synthetic_.Render(exposure, image);
    }
}

}  // namespace orva
