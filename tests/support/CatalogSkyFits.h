#pragma once
// One frame of the simulated camera looking at the catalogue's stars, written as the
// station's FITS capture writes it: a file that astrometry.net's solve-field solves.
// Header-only: used by tests that link the simulated camera and the recording library.

#include "processing/FrameUnpack.h"
#include "recording/FitsCaptureSink.h"
#include "simcam/CatalogSkyRenderer.h"
#include "simcam/SimulatedCamera.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace orva::test {

// Writes the frame at `pointing` with `arcsecPerPixel` to `path`.
inline void WriteCatalogSkyFits(const std::string& path, const SkyPointing& pointing, double arcsecPerPixel,
                                Clock& clock) {
    std::string error;
    auto catalog = StarCatalog::LoadFile(SourceDir() + "/data/tycho2-regions.csv", &error);
    ASSERT_TRUE(catalog) << error;
    SimCameraConfig config;
    config.pacing = SimPacing::AsFastAsRequested;
    SimulatedCamera camera(config, clock);
    CatalogSkyConfig sky;
    sky.arcsecPerSensorPixel = arcsecPerPixel;
    camera.SetPictureSource(std::make_unique<CatalogSkyRenderer>(std::move(*catalog), sky, pointing));
    std::vector<uint8_t> bytes;
    SimFrameTruth truth;
    ASSERT_EQ(camera.GenerateFrame(bytes, &truth), 0);
    const SimVideoMode& mode = truth.mode;
    ASSERT_EQ(mode.binning, 1);
    std::vector<uint16_t> pixels(static_cast<std::size_t>(mode.width) * mode.height);
    UnpackFrame(bytes.data(), mode.IsPacked(), mode.width, mode.height, pixels.data());
    FitsCaptureSink capture(path, RecordingNames{}, "Plate solving");
    capture.FillStaticHeader(mode.width, mode.height);
    capture.WriteFile(pixels.data());
}

}  // namespace orva::test
