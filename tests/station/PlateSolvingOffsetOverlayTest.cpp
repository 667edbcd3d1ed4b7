#include "station/PlateSolvingOffsetOverlay.h"

#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "station/CameraPanelModel.h"
#include "station/SimulatedStation.h"
#include "telescope/PlateSolvingResult.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

// Ours: the event store's next event, set by the test.
struct FixedNextEvent final : INextEventSource {
    std::optional<NextEventTarget> NextEvent() override { return target; }
    std::optional<NextEventTarget> target;
};

class OffsetOverlay : public ::testing::Test {
protected:
    void Solve(double raDeg, double decDeg) {
        PlateSolution s;
        s.coordinatesValid = true;
        s.rightAscensionDeg = raDeg;
        s.declinationDeg = decDeg;
        solves.Publish(s);
    }
    double ArrowDx() {
        const auto arrow = overlay.Arrow(640, 480);
        return arrow ? arrow->endX - arrow->startX : 0.0;
    }

    test::TempDir dir;
    NotificationCenter center;
    Settings settings{dir.Path(), center};
    PlateSolvingResult solves;
    FixedNextEvent next;
    PlateSolvingOffsetOverlay overlay{solves, next, settings};
};

TEST_F(OffsetOverlay, NeedsASolutionAndANextEvent) {
    EXPECT_FALSE(overlay.Arrow(640, 480));
    next.target = NextEventTarget{"(1) Ceres", 6.0 + 4.0 / 60.0, 20.0};
    EXPECT_FALSE(overlay.Arrow(640, 480)) << "no solve yet";
    Solve(90.0, 20.0);
    const auto arrow = overlay.Arrow(640, 480);
    ASSERT_TRUE(arrow);
    EXPECT_EQ(arrow->text, "Dir 0.0' N, 60.0' E");
    next.target.reset();
    EXPECT_FALSE(overlay.Arrow(640, 480));
}

TEST_F(OffsetOverlay, AFlipChangedSinceTheSolveTurnsTheArrow) {
    next.target = NextEventTarget{"(1) Ceres", 6.0 + 4.0 / 60.0, 20.0};
    settings.CameraConfig.flipMode = "X";
    Solve(90.0, 20.0);
    EXPECT_LT(ArrowDx(), 0.0) << "east on the left, as solved";
    settings.CameraConfig.flipMode = "None";
    EXPECT_GT(ArrowDx(), 0.0) << "the picture is mirrored against the solved one";
    settings.CameraConfig.flipMode = "XY";
    EXPECT_LT(ArrowDx(), 0.0);
    // A new solve with the flip of its own time.
    Solve(90.0, 20.0);
    EXPECT_LT(ArrowDx(), 0.0);
}

// The check box's state is kept in the settings and read back at the next start.
TEST(PlateSolvingNextEventSetting, RoundTrip) {
    test::SimulatedStation rig;
    {
        CameraPanelModel panel(*rig.station, rig.center);
        EXPECT_FALSE(panel.State().plateSolvingNextEvent);
        panel.SetPlateSolvingNextEvent(true);
        EXPECT_TRUE(panel.State().plateSolvingNextEvent);
    }
    Settings reread(rig.dir.File("config"), rig.center);
    reread.Load();
    EXPECT_EQ(reread.CameraConfig.plateSolvingNextEvent, 1);
    EXPECT_TRUE(reread.CameraConfigPresent);
    rig.settings.Load();
    CameraPanelModel restarted(*rig.station, rig.center);
    EXPECT_TRUE(restarted.State().plateSolvingNextEvent);
    restarted.SetPlateSolvingNextEvent(false);
    reread.Load();
    EXPECT_EQ(reread.CameraConfig.plateSolvingNextEvent, 0);
}

}  // namespace
}  // namespace orva
