#include "simcam/MountSkyPictureSource.h"

#include "common/SharedTelescopeState.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

namespace orva {
namespace {

class MountSkyTest : public ::testing::Test {
protected:
    MountSkyTest() {
        readout.sensorWidth = 1000;
        readout.sensorHeight = 800;
        readout.width = 1000;
        readout.height = 800;
        synthetic.readNoiseCounts = 0.0;
        synthetic.rowPatternCounts = 0.0;
        catalogConfig.arcsecPerSensorPixel = 10.0;
        catalogConfig.background = synthetic;
    }

    std::vector<uint16_t> Render(IPictureSource& source, int32_t frameNumber) {
        std::vector<uint16_t> image(1000 * 800);
        source.Render({frameNumber, 0, 40.0, 1.0, false}, image);
        return image;
    }

    // The brightest pixel lies within a pixel of the star's projected centre.
    void ExpectPeakAt(const std::vector<uint16_t>& image, const MountSkyPictureSource& sky, const CatalogStar& star) {
        double x = 0.0;
        double y = 0.0;
        ASSERT_TRUE(sky.CatalogSky().Project(star.rightAscensionDeg, star.declinationDeg, x, y));
        const auto peak = std::max_element(image.begin(), image.end()) - image.begin();
        EXPECT_NEAR(static_cast<double>(peak % 1000), x, 1.0);
        EXPECT_NEAR(static_cast<double>(peak / 1000), y, 1.0);
    }

    SimReadout readout;
    SimSkyConfig synthetic;
    CatalogSkyConfig catalogConfig;
    SharedTelescopeState telescope;
};

TEST_F(MountSkyTest, AConnectedMountMovesTheCatalogueStarsAndWithoutOneTheSyntheticSkyShows) {
    // In Orion's belt, and a fainter star 3000" (300 px) further north.
    const CatalogStar belt{83.8, -5.4, 8.0};
    const CatalogStar north{83.8, -5.4 + 3000.0 / 3600.0, 9.0};
    MountSkyPictureSource sky(synthetic, StarCatalog({belt, north}), catalogConfig, telescope);
    sky.Configure(readout);
    SkyRenderer plain(synthetic);
    plain.Configure(readout);

    // No mount: the picture the camera showed before, to the byte.
    EXPECT_EQ(Render(sky, 1), Render(plain, 1));

    // The mount points at the belt star: it lies in the centre, the other star 300 px above.
    telescope.Write({1, 83.8 / 15.0, -5.4});
    std::vector<uint16_t> image = Render(sky, 2);
    EXPECT_NE(image, Render(plain, 2));
    ExpectPeakAt(image, sky, belt);
    double x = 0.0;
    double y = 0.0;
    ASSERT_TRUE(sky.CatalogSky().Project(belt.rightAscensionDeg, belt.declinationDeg, x, y));
    EXPECT_NEAR(x, 499.5, 0.01);
    EXPECT_NEAR(y, 399.5, 0.01);
    ASSERT_TRUE(sky.CatalogSky().Project(north.rightAscensionDeg, north.declinationDeg, x, y));
    EXPECT_NEAR(x, 499.5, 0.5);
    EXPECT_NEAR(y, 99.5, 0.5);
    EXPECT_GT(image[100 * 1000 + 500], image[100 * 1000 + 520] + 200);

    // Slewed 3000" north: the northern star has come to the centre, the belt star 300 px below.
    telescope.Write({1, 83.8 / 15.0, north.declinationDeg});
    image = Render(sky, 3);
    ASSERT_TRUE(sky.CatalogSky().Project(north.rightAscensionDeg, north.declinationDeg, x, y));
    EXPECT_NEAR(x, 499.5, 0.01);
    EXPECT_NEAR(y, 399.5, 0.01);
    EXPECT_GT(image[400 * 1000 + 500], image[400 * 1000 + 520] + 200);
    EXPECT_GT(image[700 * 1000 + 500], image[700 * 1000 + 520] + 200);

    // The mount disconnected: the synthetic sky again.
    telescope.Reset();
    EXPECT_EQ(Render(sky, 4), Render(plain, 4));
}

// The mount's worker writes the state while the camera's thread draws (ThreadSanitizer
// checks the hand-over).
TEST_F(MountSkyTest, TheMountMayMoveWhileFramesAreDrawn) {
    readout.sensorWidth = readout.width = 200;
    readout.sensorHeight = readout.height = 160;
    MountSkyPictureSource sky(synthetic, StarCatalog({{83.8, -5.4, 8.0}}), catalogConfig, telescope);
    sky.Configure(readout);
    std::atomic<bool> done{false};
    std::thread mount([&] {
        for (int i = 0; !done.load(); ++i) {
            if (i % 2 == 0) {
                telescope.Write({1, 83.8 / 15.0, -5.4 + 0.01 * (i % 10)});
            } else {
                telescope.Reset();
            }
            std::this_thread::yield();
        }
    });
    std::vector<uint16_t> image(200 * 160);
    for (int32_t frame = 1; frame <= 20; ++frame) sky.Render({frame, 0, 40.0, 1.0, false}, image);
    done = true;
    mount.join();
    EXPECT_LE(sky.CatalogSky().VisibleStarCount(), 1);
}

// The shipped star list has stars wherever the solver and guiding tests point.
TEST_F(MountSkyTest, TheShippedStarListCoversTheTestPointings) {
    std::string error;
    auto catalog = StarCatalog::LoadFile(test::SourceDir() + "/data/tycho2-regions.csv", &error);
    ASSERT_TRUE(catalog) << error;
    catalogConfig.arcsecPerSensorPixel = 5.6;
    readout.sensorWidth = readout.width = 1936;
    readout.sensorHeight = readout.height = 1216;
    MountSkyPictureSource sky(synthetic, std::move(*catalog), catalogConfig, telescope);
    sky.Configure(readout);
    const std::pair<double, double> pointings[] = {{83.8, -5.4}, {150.0, -0.5}, {0.8, 30.0}};
    for (const auto& [ra, dec] : pointings) {
        telescope.Write({1, ra / 15.0, dec});
        std::vector<uint16_t> image(static_cast<std::size_t>(1936) * 1216);
        sky.Render({1, 0, 40.0, 1.0, false}, image);
        EXPECT_GE(sky.CatalogSky().VisibleStarCount(), 10) << ra << "," << dec;
    }
}

}  // namespace
}  // namespace orva
