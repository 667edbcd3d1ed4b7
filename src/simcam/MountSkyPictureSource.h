#pragma once
// The station's simulated sky: while a connected mount reports its position (the shared
// telescope state is valid), the catalogue's stars around where it points, so that
// slewing moves the picture and a frame can be plate-solved; otherwise the synthetic sky
// with its target star, as before a mount is connected.
//
// Threads: Configure and Render run on the camera's generating thread; the telescope
// state is written from any thread and read here once per frame.

#include "simcam/CatalogSkyRenderer.h"
#include "simcam/IPictureSource.h"
#include "simcam/SkyRenderer.h"

namespace orva {

class SharedTelescopeState;

// How far the sky truly shown lies from where the mount reports it points: a mount whose
// idea of its pointing is wrong (as before its first sync), in degrees of RA and Dec.
struct MountPointingError {
    double rightAscensionDeg = 0.0;
    double declinationDeg = 0.0;
};

class MountSkyPictureSource final : public IPictureSource {
public:
    // `telescope` outlives the source.
    MountSkyPictureSource(const SimSkyConfig& synthetic, StarCatalog catalog, const CatalogSkyConfig& catalogConfig,
                          const SharedTelescopeState& telescope, MountPointingError error = {});

    void Configure(const SimReadout& readout) override;
    void Render(const SimExposure& exposure, std::span<uint16_t> image) override;

    const CatalogSkyRenderer& CatalogSky() const { return catalog_; }

private:
    SkyRenderer synthetic_;
    CatalogSkyRenderer catalog_;
    const SharedTelescopeState& telescope_;
    const MountPointingError error_;
};

}  // namespace orva
