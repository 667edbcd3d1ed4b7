// The guiding loop closed in one thread on a manual clock: a simulated mount of ours
// behind the driver interface, the station's telescope worker and guiding corrector, the
// catalogue sky following the mount with a tracking drift, the centroid as the frame
// processor measures it, and the guiding window's buttons.
#include "processing/GuidingCentroid.h"
#include "simcam/CatalogSkyRenderer.h"
#include "telescope/GuidingDialogModel.h"
#include "telescope/SimulatedTelescopeWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

namespace orva {
namespace {

using namespace std::chrono_literals;

constexpr double kStarRaDeg = 75.0;  // 5 h
constexpr double kStarDecDeg = 20.0;
constexpr double kArcsecPerPixel = 2.0;
// Imperfect tracking: about 0.28 px/s in x and 0.2 px/s in y at this declination.
constexpr SkyDrift kDrift{0.6, 0.4};
constexpr int kSteps = 600;  // two minutes of 200-ms frames
// Guiding looks once a second and reacts only once the centroid reads 4 pixels out on an
// axis. Its pulse starts on the next worker pass, 200 ms after the look, and that pass
// publishes the position the sky follows before it starts the pulse; from then on the
// guide rate, far above the drift, pushes the star back. So after the last look that saw
// it inside 4 pixels the star drifts on for 1.2 s at most. The drift is below 0.35 px/s
// on either axis; the limit allows 1.6 s of it, the other 0.4 s (0.14 px) being margin
// for a centroid that reads the star a little nearer than it is.
constexpr double kGuidedLimit = 4.0 + 0.35 * 1.6;

struct Excursion {
    double maxX = 0.0;
    double maxY = 0.0;
    double lastX = 0.0;
    double lastY = 0.0;
    double maxCentroidError = 0.0;
};

class GuidingClosedLoopTest : public ::testing::Test, protected test::SimulatedTelescopeWindow {
protected:
    GuidingClosedLoopTest()
        : guidingWindow(settings, guiding),
          sky(StarCatalog({{kStarRaDeg, kStarDecDeg, 8.0}, {kStarRaDeg + 0.1, kStarDecDeg + 0.05, 9.0}}), SkyConfig(),
              SkyPointing{kStarRaDeg, kStarDecDeg, 0.0}) {
        settings.GuidingDirections = "31";
        mounts.config.rightAscensionHours = kStarRaDeg / 15.0;
        mounts.config.declinationDegrees = kStarDecDeg;
        readout = {640, 480, 0, 0, 640, 480, 1};
        image.resize(640 * 480);
        exposure.exposureMs = 40.0;
    }

    static CatalogSkyConfig SkyConfig() {
        CatalogSkyConfig config;
        config.arcsecPerSensorPixel = kArcsecPerPixel;
        return config;
    }

    void SetUp() override {
        model.Initialise(false);
        model.ShownOrHidden();
        Step();
        ASSERT_TRUE(model.Worker().DriverCreated());
        model.OnConnectButton();
        model.OnConnectMessage();
        Step();
        model.OnTrackingCheck(true);
        Step();
        Step();  // a pass polls before it carries out the commands
        ASSERT_TRUE(model.Worker().Tracking());
        ASSERT_EQ(shared.Read().valid, 1);

        sky.FollowTelescope(&shared);
        sky.SetDrift(&clock, kDrift);
        sky.Configure(readout);
        guidingWindow.Initialise();
        Step();
        // The observer picks the star: the live view's click sets the target.
        guidingWindow.Select();
        double x = 0.0;
        double y = 0.0;
        ASSERT_TRUE(sky.Project(kStarRaDeg, kStarDecDeg, x, y));
        guiding.SetTarget(static_cast<int32_t>(std::lround(x)), static_cast<int32_t>(std::lround(y)));
        guiding.selecting = false;
    }

    // One 200-ms period of the whole station.
    void Step() {
        clock.Advance(200ms);
        model.Worker().RunPass();
        exposure.frameNumber++;
        sky.Render(exposure, image);
        const auto [targetX, targetY] = guiding.Target();
        if (targetX >= 1 && targetY >= 1) {
            if (const auto c = centroid.Measure(image.data(), readout.width, readout.height, targetX, targetY,
                                                guiding.radius)) {
                guiding.SetCentroid(c->column, c->row);
            }
        }
        if (guidingWindow.TimerRunning()) guidingWindow.Tick();
        guider.Tick();
        model.Tick();
    }

    // The star's true offset from the target over two minutes.
    Excursion RunTwoMinutes() {
        Excursion e;
        for (int i = 0; i < kSteps; ++i) {
            Step();
            double x = 0.0;
            double y = 0.0;
            EXPECT_TRUE(sky.Project(kStarRaDeg, kStarDecDeg, x, y));
            const auto [targetX, targetY] = guiding.Target();
            e.lastX = x - targetX;
            e.lastY = y - targetY;
            e.maxX = std::max(e.maxX, std::fabs(e.lastX));
            e.maxY = std::max(e.maxY, std::fabs(e.lastY));
            if (i > 0) {  // the first frame's threshold is 0, the whole box counts
                const auto [cx, cy] = guiding.Centroid();
                const double r = guiding.radius.load();
                e.maxCentroidError = std::max(
                    e.maxCentroidError, std::hypot(cx - r - e.lastX, cy - r - e.lastY));
            }
        }
        return e;
    }

    GuidingDialogModel guidingWindow;
    CatalogSkyRenderer sky;
    GuidingCentroid centroid;
    SimReadout readout;
    SimExposure exposure;
    std::vector<uint16_t> image;
};

TEST_F(GuidingClosedLoopTest, GuidingKeepsTheStarOnTheTargetForTwoMinutes) {
    guidingWindow.Start();
    const Excursion e = RunTwoMinutes();
    EXPECT_LT(e.maxX, kGuidedLimit);
    EXPECT_LT(e.maxY, kGuidedLimit);
    EXPECT_LT(e.maxCentroidError, 0.5);
    EXPECT_TRUE(guiding.active.load());
    // Both axes were corrected, each against its drift: east and north pushes would
    // drive the star further out.
    int west = 0, south = 0, other = 0;
    for (const auto& p : mounts.Last()->Pulses()) {
        if (p.axis == 0 && p.direction < 0) ++west;
        else if (p.axis == 1 && p.direction < 0) ++south;
        else ++other;
    }
    EXPECT_GT(west, 3);
    EXPECT_GT(south, 3);
    EXPECT_EQ(other, 0);
    EXPECT_TRUE(mounts.Last()->Moves().empty());
    EXPECT_TRUE(log.Contains("I Guiding offsets within limits."));
    EXPECT_FALSE(log.Contains("W Guiding offsets too large, aborting."));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(GuidingClosedLoopTest, WithoutGuidingTheStarDriftsAway) {
    const Excursion e = RunTwoMinutes();
    // 120 s of drift: about 34 px in x (east drift moves stars right) and 24 px in y.
    EXPECT_GT(e.lastX, 25.0);
    EXPECT_GT(e.lastY, 18.0);
    EXPECT_TRUE(mounts.Last()->Pulses().empty());
    EXPECT_EQ(guiding.rightAscensionSteps.load(), 0);
    EXPECT_EQ(guiding.declinationSteps.load(), 0);
}

TEST_F(GuidingClosedLoopTest, StoppingGuidingLetsTheStarGo) {
    guidingWindow.Start();
    RunTwoMinutes();
    const std::size_t pulses = mounts.Last()->Pulses().size();
    guidingWindow.Stop();
    const Excursion e = RunTwoMinutes();
    EXPECT_EQ(mounts.Last()->Pulses().size(), pulses);
    EXPECT_GT(std::hypot(e.lastX, e.lastY), 20.0);
}

}  // namespace
}  // namespace orva
