// Guiding's corrections as the station runs them: the once-a-second comparison and the
// steps it requests, and the steps sent to the mount as timed guide pulses through the
// telescope worker, with no window involved.
#include "telescope/GuidingCorrector.h"

#include "telescope/GuidingDirections.h"
#include "telescope/SimulatedTelescopeWindow.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

class GuidingCorrectorTest : public ::testing::Test, protected test::SimulatedTelescopeWindow {
protected:
    GuidingCorrectorTest() {
        guider.SetPulseListener([this](const GuidingPulse& p) { sent.push_back(p); });
    }

    void StartWithTarget(const char* directions) {
        GuidingDirections::FromSetting(directions).ApplyTo(guiding);
        guiding.SetTarget(100, 80);
        guiding.active = true;
    }
    // One second of the station's ticks.
    void OneSecond() {
        for (int i = 0; i < GuidingCorrector::kTicksPerLook; ++i) guider.Tick();
    }
    // The worker makes the mount's driver and connects it (as the telescope window or the
    // command line asks it to).
    void ConnectMount() {
        mounts.config.connected = true;
        worker.SetDriver(test::SimulatedMountFactory::kProgramId, "");
        worker.PostCommand(TelescopeCommandKind::CreateDriver);
        worker.RunPass();
        worker.RunPass();
        ASSERT_TRUE(worker.Connected());
    }
    std::vector<TelescopeCommand> Queued() {
        std::vector<TelescopeCommand> commands;
        for (auto c = worker.TakeCommand(); c.kind != TelescopeCommandKind::None; c = worker.TakeCommand()) {
            commands.push_back(c);
        }
        return commands;
    }

    std::vector<GuidingPulse> sent;
};

TEST_F(GuidingCorrectorTest, OffsetsOfFourPixelsOrMoreRequestOneStepPerAxis) {
    struct Case {
        const char* name;
        const char* directions;
        double cx, cy;
        int32_t raSteps, decSteps;
        bool active;
        std::vector<std::string> logLines;
    } cases[] = {
        {"within limits", "20", 35.5, 30.0, 0, 0, true,
         {"I Guiding offsets (x/y *1000) 3500 -2000", "I Guiding offsets within limits."}},
        {"x out, right RA +", "20", 38.0, 32.0, 1, 0, true,
         {"I Guiding offsets (x/y *1000) 6000 0", "I Guiding detected excess offset in x, triggering pulse 6"}},
        {"x out, right RA -", "31", 38.0, 32.0, -1, 0, true, {}},
        {"y out, up DEC -", "31", 32.0, 27.5, 0, 1, true,
         {"I Guiding detected excess offset in y, triggering pulse -4"}},
        {"both out, up on right ascension", "02", 27.0, 37.0, 1, -1, true, {}},
        {"too far aborts", "20", 58.0, 32.0, 0, 0, false, {"W Guiding offsets too large, aborting."}},
        {"too far in y aborts", "20", 32.0, 6.3, 0, 0, false, {"W Guiding offsets too large, aborting."}},
    };
    // No mount is connected: the requested steps stay on the record to be read here.
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        guiding.rightAscensionSteps = 0;
        guiding.declinationSteps = 0;
        StartWithTarget(c.directions);
        guiding.SetCentroid(c.cx, c.cy);
        for (int i = 0; i < GuidingCorrector::kTicksPerLook - 1; ++i) guider.Tick();
        EXPECT_EQ(guiding.rightAscensionSteps.load(), 0) << "before the fifth tick";
        guider.Tick();
        EXPECT_EQ(guiding.rightAscensionSteps.load(), c.raSteps);
        EXPECT_EQ(guiding.declinationSteps.load(), c.decSteps);
        EXPECT_EQ(guiding.active.load(), c.active);
        for (const std::string& line : c.logLines) EXPECT_TRUE(log.Contains(line)) << line;
        // The target stays; the next start resumes.
        EXPECT_EQ(guiding.Target(), std::make_pair(100, 80));
        guiding.active = false;
        OneSecond();
    }
    EXPECT_TRUE(sent.empty());
}

TEST_F(GuidingCorrectorTest, AStepIsSetNotAddedAndStoppedOrUntargetedGuidingRequestsNothing) {
    StartWithTarget("20");
    guiding.SetCentroid(40.0, 32.0);
    OneSecond();
    OneSecond();
    EXPECT_EQ(guiding.rightAscensionSteps.load(), 1);
    guiding.rightAscensionSteps = 0;
    guiding.active = false;
    OneSecond();
    EXPECT_EQ(guiding.rightAscensionSteps.load(), 0);
    // Started without a target (the guiding window's "Reset", then "Start"): nothing to look at.
    guiding.SetTarget(0, 0);
    guiding.active = true;
    OneSecond();
    EXPECT_EQ(guiding.rightAscensionSteps.load(), 0);
}

TEST_F(GuidingCorrectorTest, StepsBecomeOneTimedPulsePerAxisAndAreTakenOff) {
    ConnectMount();
    struct Case {
        int32_t raSteps, decSteps;
        std::vector<TelescopeCommand> queued;
        std::vector<GuidingPulse> pulses;
    } cases[] = {
        {1, 0, {{TelescopeCommandKind::GuidePulse, 0, 400.0, 0.0}}, {{0, 1, 400}}},
        {-1, 0, {{TelescopeCommandKind::GuidePulse, 0, -400.0, 0.0}}, {{0, -1, 400}}},
        {0, 1, {{TelescopeCommandKind::GuidePulse, 1, 400.0, 0.0}}, {{1, 1, 400}}},
        {-1, -1,
         {{TelescopeCommandKind::GuidePulse, 0, -400.0, 0.0}, {TelescopeCommandKind::GuidePulse, 1, -400.0, 0.0}},
         {{0, -1, 400}, {1, -1, 400}}},
        {0, 0, {}, {}},
    };
    for (const Case& c : cases) {
        sent.clear();
        guiding.rightAscensionSteps = c.raSteps;
        guiding.declinationSteps = c.decSteps;
        guider.Tick();
        EXPECT_EQ(Queued(), c.queued);
        EXPECT_EQ(sent, c.pulses);
        EXPECT_EQ(guiding.rightAscensionSteps.load(), 0);
        EXPECT_EQ(guiding.declinationSteps.load(), 0);
    }
    EXPECT_TRUE(log.Contains("I Guiding triggers move in RA -1"));
    EXPECT_TRUE(log.Contains("I Guiding triggers move in DEC 1"));
}

// A mount that is not connected gets nothing: the request waits on the record and the
// next one overwrites it, so a mount connected later is not sent a pile of old pulses.
TEST_F(GuidingCorrectorTest, WithoutAConnectedMountAStepWaitsAndIsOverwritten) {
    StartWithTarget("20");
    guiding.SetCentroid(40.0, 32.0);
    for (int i = 0; i < 3; ++i) OneSecond();
    EXPECT_TRUE(Queued().empty());
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(guiding.rightAscensionSteps.load(), 1);
    EXPECT_FALSE(log.Contains("I Guiding triggers move in RA"));
    ConnectMount();
    guiding.SetCentroid(32.0, 32.0);  // the star is back
    guider.Tick();
    EXPECT_EQ(sent, (std::vector<GuidingPulse>{{0, 1, 400}}));
    worker.RunPass();
    ASSERT_EQ(mounts.Last()->Pulses().size(), 1u);
    for (int i = 0; i < 3; ++i) OneSecond();
    EXPECT_EQ(sent.size(), 1u);
}

}  // namespace
}  // namespace orva
