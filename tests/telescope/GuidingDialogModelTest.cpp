// The guiding window's rules: the size list, the direction lists, the buttons and the
// control states.
#include "telescope/GuidingCorrector.h"
#include "telescope/GuidingDialogModel.h"

#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "processing/GuidingService.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

class GuidingDialogModelTest : public ::testing::Test {
protected:
    GuidingDialogModelTest() : settings(dir.Path(), center), model(settings, guiding) {}

    void StartWithTarget(const char* directions) {
        settings.GuidingDirections = directions;
        model.Initialise();
        guiding.SetTarget(100, 80);
        model.Start();
    }
    // One second of the window's timer.
    void OneSecond() {
        for (int i = 0; i < 5; ++i) model.Tick();
    }

    test::LogCapture log;
    test::TempDir dir;
    NotificationCenter center;
    Settings settings;
    GuidingService guiding;
    GuidingDialogModel model;
};

// The window only watches: the corrections are the station's, window or not.
TEST_F(GuidingDialogModelTest, TheWindowsTimerRequestsNoCorrection) {
    StartWithTarget("20");
    guiding.SetCentroid(40.0, 32.0);
    OneSecond();
    OneSecond();
    EXPECT_EQ(guiding.rightAscensionSteps.load(), 0);
    EXPECT_FALSE(log.Contains("I Guiding offsets (x/y *1000) 8000 0"));
    EXPECT_TRUE(model.TimerRunning());
}

TEST_F(GuidingDialogModelTest, TheTimerRunsFromSelectUntilNeitherSelectingNorATarget) {
    model.Initialise();
    EXPECT_FALSE(model.TimerRunning());
    model.Select();
    EXPECT_TRUE(model.TimerRunning());
    GuidingControls c = model.Controls();
    EXPECT_FALSE(c.selectEnabled);
    EXPECT_FALSE(c.sizeEnabled);
    EXPECT_FALSE(c.directionsEnabled);
    EXPECT_FALSE(c.startEnabled);
    EXPECT_FALSE(c.stopEnabled);
    model.Tick();
    EXPECT_TRUE(model.TimerRunning());
    // The live view's click.
    guiding.SetTarget(120, 90);
    guiding.selecting = false;
    guiding.SetCentroid(35.5, 30.0);
    c = model.Controls();
    EXPECT_TRUE(c.startEnabled);
    EXPECT_EQ(c.targetText, "120 / 90");
    EXPECT_EQ(c.offsetsText, "4.0 / -1.5");
    // The push shown is the one the mount gets.
    EXPECT_EQ(c.correctionPushText, std::to_string(GuidingCorrector::kGuidePulseMs));
    model.Start();
    EXPECT_TRUE(model.Controls().stopEnabled);
    EXPECT_FALSE(model.Controls().startEnabled);
    model.Reset();
    EXPECT_FALSE(guiding.active.load());
    EXPECT_EQ(model.Controls().targetText, "0 / 0");
    model.Tick();
    EXPECT_FALSE(model.TimerRunning());
}

TEST_F(GuidingDialogModelTest, SizeListFollowsTheRadiusAndStoresTheChoice) {
    EXPECT_EQ(GuidingDialogModel::SizeEntries(),
              (std::vector<std::string>{"32 x 32", "40 x 40", "48 x 48", "56 x 56", "64 x 64", "72 x 72"}));
    guiding.radius = 32;
    EXPECT_EQ(model.Controls().sizeIndex, 4);
    guiding.radius = 30;  // not a size of the list
    EXPECT_EQ(model.Controls().sizeIndex, 0);
    EXPECT_EQ(guiding.radius.load(), 30);
    model.OnSizeChange(1);
    EXPECT_EQ(guiding.radius.load(), 20);
    EXPECT_EQ(settings.GuidingTrackingRadius, 20);
    model.OnSizeChange(6);  // no such entry
    EXPECT_EQ(guiding.radius.load(), 20);
}

TEST_F(GuidingDialogModelTest, DirectionListsKeepOneEntryPerAxis) {
    struct Case {
        const char* stored;
        bool changeUp;
        int entry;
        int up, right;
        int32_t upIsDec, upDir, rightDir;
        const char* storedAfter;
    } cases[] = {
        // "RA +" up while right is "RA -": right goes to "DEC +".
        {"31", true, 0, 0, 2, 0, 1, 1, "02"},
        {"31", true, 2, 2, 1, 1, 1, -1, "21"},
        {"02", true, 3, 3, 0, 1, -1, 1, "30"},
        // "DEC -" right while up is "DEC +": up goes to "RA +".
        {"21", false, 3, 0, 3, 0, 1, -1, "03"},
        {"31", false, 0, 3, 0, 1, -1, 1, "30"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        settings.GuidingDirections = c.stored;
        model.Initialise();
        if (c.changeUp) {
            model.OnUpChange(c.entry);
        } else {
            model.OnRightChange(c.entry);
        }
        const GuidingControls controls = model.Controls();
        EXPECT_EQ(controls.up, c.up);
        EXPECT_EQ(controls.right, c.right);
        EXPECT_EQ(guiding.upIsDeclination.load(), c.upIsDec);
        EXPECT_EQ(guiding.upDirection.load(), c.upDir);
        EXPECT_EQ(guiding.rightDirection.load(), c.rightDir);
        EXPECT_EQ(settings.GuidingDirections, c.storedAfter);
    }
    EXPECT_TRUE(log.Contains("I Guiding up axis 0"));
    EXPECT_TRUE(log.Contains("I Guiding up/right dir 1 1"));
}

TEST_F(GuidingDialogModelTest, StoredDirectionsAreShownAndAppliedWhenGuidingStarts) {
    struct Case {
        const char* stored;
        int up, right;
    } cases[] = {{"31", 3, 1}, {"02", 0, 2}, {"9", 3, 1}, {"", 3, 1}, {"47", 3, 1}, {"01", 3, 1}, {"23", 3, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        settings.GuidingDirections = c.stored;
        model.Initialise();
        EXPECT_EQ(model.Controls().up, c.up);
        EXPECT_EQ(model.Controls().right, c.right);
    }
    settings.GuidingDirections = "31";
    model.Initialise();
    // Showing the lists changes nothing; starting applies what they show.
    EXPECT_EQ(guiding.upIsDeclination.load(), 1);
    EXPECT_EQ(guiding.upDirection.load(), 1);
    EXPECT_EQ(guiding.rightDirection.load(), 1);
    guiding.SetTarget(10, 10);
    model.Start();
    EXPECT_EQ(guiding.upIsDeclination.load(), 1);
    EXPECT_EQ(guiding.upDirection.load(), -1);
    EXPECT_EQ(guiding.rightDirection.load(), -1);
}

}  // namespace
}  // namespace orva
