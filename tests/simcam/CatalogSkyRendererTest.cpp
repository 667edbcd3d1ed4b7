#include "simcam/CatalogSkyRenderer.h"

#include "common/SharedTelescopeState.h"
#include "support/ManualClock.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace orva {
namespace {

TEST(StarCatalog, ParsesTheStarListAndRefusesBadLines) {
    std::string error;
    const auto catalog = StarCatalog::Parse("# comment\n\n83.8, -5.4, 9.5\r\n0.5,30,7\n", &error);
    ASSERT_TRUE(catalog) << error;
    ASSERT_EQ(catalog->Stars().size(), 2u);
    EXPECT_DOUBLE_EQ(catalog->Stars()[0].declinationDeg, -5.4);
    EXPECT_DOUBLE_EQ(catalog->Stars()[1].magnitude, 7.0);
    for (const char* bad : {"1, 2\n", "1, 2, 3, 4\n", "x, 2, 3\n", "360, 0, 5\n", "10, 91, 5\n", "10, nan, 5\n", "1,,3\n"}) {
        EXPECT_FALSE(StarCatalog::Parse(std::string("# ok\n") + bad, &error)) << bad;
        EXPECT_EQ(error.substr(0, 7), "line 2:") << bad;
    }
    EXPECT_FALSE(StarCatalog::LoadFile("/nonexistent/stars.csv", &error));
}

TEST(StarCatalog, TheCommittedListLoads) {
    std::string error;
    const auto catalog = StarCatalog::LoadFile(test::SourceDir() + "/data/tycho2-regions.csv", &error);
    ASSERT_TRUE(catalog) << error;
    EXPECT_GT(catalog->Stars().size(), 300u);
}

class CatalogSkyTest : public ::testing::Test {
protected:
    CatalogSkyTest() {
        readout.sensorWidth = 1000;
        readout.sensorHeight = 800;
        readout.width = 1000;
        readout.height = 800;
        config.arcsecPerSensorPixel = 10.0;
        config.background.readNoiseCounts = 0.0;
        config.background.rowPatternCounts = 0.0;
    }
    // One star 100 pixels (1000") north of the pointing, one 100 pixels east.
    StarCatalog Stars() const {
        return StarCatalog({{0.0, 1000.0 / 3600.0, 9.0}, {1000.0 / 3600.0, 0.0, 9.0}});
    }
    SimReadout readout;
    CatalogSkyConfig config;
};

TEST_F(CatalogSkyTest, NorthUpEastLeftAndRotationTowardsEast) {
    struct Case {
        double rotation;
        double northX, northY, eastX, eastY;
    } cases[] = {
        {0.0, 499.5, 399.5 - 100.0, 499.5 - 100.0, 399.5},
        {90.0, 499.5 + 100.0, 399.5, 499.5, 399.5 - 100.0},
    };
    for (const Case& c : cases) {
        CatalogSkyRenderer sky(Stars(), config, {0.0, 0.0, c.rotation});
        sky.Configure(readout);
        double x = 0, y = 0;
        ASSERT_TRUE(sky.Project(0.0, 1000.0 / 3600.0, x, y));
        EXPECT_NEAR(x, c.northX, 0.01) << c.rotation;
        EXPECT_NEAR(y, c.northY, 0.01) << c.rotation;
        ASSERT_TRUE(sky.Project(1000.0 / 3600.0, 0.0, x, y));
        EXPECT_NEAR(x, c.eastX, 0.01) << c.rotation;
        EXPECT_NEAR(y, c.eastY, 0.01) << c.rotation;
        EXPECT_FALSE(sky.Project(180.0, 0.0, x, y)) << "behind the tangent plane";
    }
}

TEST_F(CatalogSkyTest, BinningAndReadOutOriginMoveTheStars) {
    CatalogSkyRenderer sky(Stars(), config, {0.0, 0.0, 0.0});
    readout.binning = 2;
    readout.originX = 100;
    readout.width = 400;
    readout.height = 400;
    sky.Configure(readout);
    double x = 0, y = 0;
    ASSERT_TRUE(sky.Project(0.0, 1000.0 / 3600.0, x, y));
    EXPECT_NEAR(x, (500.0 - 100.0) / 2 - 0.5, 0.01);
    EXPECT_NEAR(y, (400.0 - 100.0) / 2 - 0.5, 0.01);
}

TEST_F(CatalogSkyTest, StarsAreDrawnWhereTheyProjectAndFollowTheTelescope) {
    CatalogSkyRenderer sky(Stars(), config, {0.0, 0.0, 0.0});
    sky.Configure(readout);
    EXPECT_EQ(sky.VisibleStarCount(), 2);
    std::vector<uint16_t> image(1000 * 800);
    sky.Render({1, 0, 40.0, 1.0, false}, image);
    const auto peak = std::max_element(image.begin(), image.end()) - image.begin();
    const int px = static_cast<int>(peak % 1000);
    const int py = static_cast<int>(peak / 1000);
    EXPECT_TRUE((std::abs(px - 500) <= 1 && std::abs(py - 300) <= 1) || (std::abs(px - 400) <= 1 && std::abs(py - 400) <= 1))
        << px << "," << py;

    // The mount points 1000" further north: the northern star is now in the centre.
    SharedTelescopeState telescope;
    telescope.Write({1, 0.0, 1000.0 / 3600.0});
    sky.FollowTelescope(&telescope);
    EXPECT_NEAR(sky.CurrentPointing().declinationDeg, 1000.0 / 3600.0, 1e-12);
    sky.Render({2, 0, 40.0, 1.0, false}, image);
    EXPECT_GT(image[400 * 1000 + 500], image[300 * 1000 + 500]);
    telescope.Reset();
    EXPECT_EQ(sky.CurrentPointing(), (SkyPointing{0.0, 0.0, 0.0}));
}

TEST_F(CatalogSkyTest, DriftMovesTheDrawnPointingOnTheClockOnTopOfTheMount) {
    using namespace std::chrono_literals;
    CatalogSkyRenderer sky(Stars(), config, {0.0, 0.0, 0.0});
    sky.Configure(readout);
    test::ManualClock clock;
    clock.Advance(1h);  // the drift counts from when it was set, not from the clock's zero
    sky.SetDrift(&clock, {36.0, -18.0});
    EXPECT_EQ(sky.CurrentPointing(), (SkyPointing{0.0, 0.0, 0.0}));
    clock.Advance(10s);
    // 360" east and 180" south: the stars move 36 px right and 18 px up.
    std::vector<uint16_t> image(1000 * 800);
    sky.Render({1, 0, 40.0, 1.0, false}, image);
    double x = 0.0;
    double y = 0.0;
    ASSERT_TRUE(sky.Project(0.0, 1000.0 / 3600.0, x, y));
    EXPECT_NEAR(x, 499.5 + 36.0, 0.05);
    EXPECT_NEAR(y, 299.5 - 18.0, 0.05);

    // The drift comes on top of where the mount points; right ascension wraps at 0.
    SharedTelescopeState telescope;
    telescope.Write({1, 23.99, 10.0});
    sky.FollowTelescope(&telescope);
    clock.Advance(1000s);  // 10 h of 36"/s: 10 degrees
    const SkyPointing p = sky.CurrentPointing();
    EXPECT_NEAR(p.rightAscensionDeg, 23.99 * 15.0 + 10.1 - 360.0, 1e-9);
    EXPECT_NEAR(p.declinationDeg, 10.0 - 5.05, 1e-9);
    // Declination stops at the pole.
    sky.SetDrift(&clock, {0.0, 3600.0});
    clock.Advance(100s);
    EXPECT_DOUBLE_EQ(sky.CurrentPointing().declinationDeg, 90.0);
    // No clock: no drift.
    sky.SetDrift(nullptr, {36.0, 36.0});
    EXPECT_EQ(sky.CurrentPointing(), (SkyPointing{23.99 * 15.0, 10.0, 0.0}));
}

}  // namespace
}  // namespace orva
