#include "telescope/PlateSolvingStrategyAstap.h"

#include "support/LogCapture.h"
#include "support/ManualClock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sys/stat.h>

namespace orva {
namespace {

TEST(AstapOutput, SolutionLines) {
    struct Case {
        const char* line;
        bool valid;
        double ra;
        double dec;
    } cases[] = {
        {"Solution found: 05: 35 17.3 -05d 23 28", true, 83.822083, -5.391111},
        {"Solution found: 05: 35 17.3 +05d 23 28", true, 83.822083, 5.391111},
        {"Solution found: 10: 00 00.0 -00d 15 00", true, 150.0, -0.25},  // the sign of -0 counts
        {"Solution found: 10: 00 00.0 00d 15 00", true, 150.0, 0.25},
        {"Solution found: 23: 59 59.9 +89d 59 59.9", true, 359.999583, 89.999972},
        {"Solution found: 05: 35 nan -05d 23 28", false, 0, 0},
        {"Solution found: 05: 35 17.3 -05d 23 inf", false, 0, 0},
        {"Solution found: 25: 35 17.3 -05d 23 28", false, 0, 0},
        {"Solution found: 05: 35 17.3 -95d 23 28", false, 0, 0},
        {"Solution found: 05: 35", false, 0, 0},
        {"No solution found!", false, 0, 0},
    };
    for (const Case& c : cases) {
        const auto position = PlateSolvingStrategyAstap::ParseSolutionLine(c.line);
        ASSERT_EQ(position.has_value(), c.valid) << c.line;
        if (!position) continue;
        EXPECT_NEAR(position->first, c.ra, 1e-6) << c.line;
        EXPECT_NEAR(position->second, c.dec, 1e-6) << c.line;
        EXPECT_EQ(std::signbit(position->second), std::signbit(c.dec)) << c.line;
    }
}

TEST(AstapOutput, TransformationAndScaleLines) {
    const auto flipped = PlateSolvingStrategyAstap::ParseTransformationLine(
        "Solution[\"] x:=1.0*x+0.0*y+5.0,  y:=0*x+-1*y+7.0");
    ASSERT_TRUE(flipped);
    EXPECT_NEAR(flipped->first, 180.0, 1e-4);
    EXPECT_EQ(flipped->second, 0);
    const auto turned = PlateSolvingStrategyAstap::ParseTransformationLine(
        "Solution[\"] x:=1.0*x+0.0*y+5.0,  y:=-1*x+0*y+7.0");
    ASSERT_TRUE(turned);
    EXPECT_NEAR(turned->first, 90.0, 1e-4);
    EXPECT_EQ(turned->second, 1);
    EXPECT_FALSE(PlateSolvingStrategyAstap::ParseTransformationLine("Solution[\"] x:=1*x+0*y+5,  y:=nan*x+1*y+7"));
    EXPECT_FALSE(PlateSolvingStrategyAstap::ParseTransformationLine("Solution[\"] x:=1*x+0*y+5"));
    EXPECT_EQ(PlateSolvingStrategyAstap::ParseScaleLine("Warning scale was inaccurate! Set FOV=3.00d, scale=5.61"), 5.61);
    EXPECT_FALSE(PlateSolvingStrategyAstap::ParseScaleLine("Warning scale was inaccurate! Set FOV=3.00d, scale=inf"));
}

TEST(AstapStrategy, FieldOfViewFromTheScaleHintAndImageHeight) {
    PlateSolvingResult result;
    test::ManualClock clock;
    PlateSolvingStrategyAstap strategy(result, "/opt/astap/astap_cli", 1200, clock);
    EXPECT_EQ(strategy.Arguments("/data/a b.fits"),
              (std::vector<std::string>{"-annotate", "-fov", "0.000000", "-f", "/data/a b.fits"}));
    strategy.SetScaleHint(5.6);
    EXPECT_EQ(strategy.Arguments("x.fits")[2], "1.866667");
}

// Ours: shell scripts that stand in for the ASTAP program.
class AstapStandInTest : public ::testing::Test {
protected:
    std::string StandIn(const std::string& body) {
        const std::string path = dir.File("astap_cli");
        test::WriteFile(path, "#!/bin/sh\n" + body);
        chmod(path.c_str(), 0755);
        return path;
    }
    // Polls until the strategy gives a final code, waiting for the program, not a timer.
    int32_t PollToEnd(PlateSolvingStrategyAstap& strategy) {
        for (int i = 0; i < 3000; ++i) {
            const int32_t code = strategy.Poll(status);
            if (code != kPlateSolvingWorking) return code;
            strategy.Process()->WaitFinished(std::chrono::milliseconds(10));
        }
        return -1;
    }

    test::LogCapture log;
    test::TempDir dir;
    test::ManualClock clock;
    PlateSolvingResult result;
    std::string status;
};

TEST_F(AstapStandInTest, ResultAfterMuchOutputIsRead) {
    // More than a 4 KiB read of chatter first, the result lines last, then the exit.
    const std::string program = StandIn(
        "i=0; while [ $i -lt 300 ]; do echo \"Progress line $i of the star detection and matching ....\"; i=$((i+1)); done\n"
        "echo 'Solution found: 05: 35 12.0 -05d 24 00'\n"
        "echo 'Solution[\"] x:=0.866*x+-0.5*y+12.5,  y:=0.5*x+0.866*y+3.25'\n"
        "echo 'Warning scale was inaccurate! Set FOV=1.87d, scale=5.6'\n"
        "printf 'Solved in 0.5 sec\\r\\n'\n");
    PlateSolvingStrategyAstap strategy(result, program, 1200, clock);
    strategy.SetScaleHint(5.6);
    ASSERT_EQ(strategy.Login(), 0);
    ASSERT_EQ(strategy.Submit(dir.File("frame.fits")), 0);
    ASSERT_EQ(PollToEnd(strategy), kPlateSolvingSolved);
    EXPECT_EQ(strategy.Process()->Lines().size(), 304u);
    const PlateSolution s = result.Read();
    EXPECT_EQ(s.solutionCounter, 1u);
    EXPECT_TRUE(s.coordinatesValid);
    EXPECT_NEAR(s.rightAscensionDeg, 83.8, 1e-9);
    EXPECT_NEAR(s.declinationDeg, -5.4, 1e-9);
    EXPECT_TRUE(s.orientationValid);
    EXPECT_NEAR(s.orientationDeg, 30.0, 0.05);
    EXPECT_EQ(s.parity, 0);
    EXPECT_TRUE(s.pixelScaleValid);
    EXPECT_DOUBLE_EQ(s.pixelScaleArcsec, 5.6);
    EXPECT_EQ(status, "05h 35m 12.000s, -05 24' 00.000\"   5.6\"/pix   ");
    EXPECT_TRUE(log.Contains("I ASTAP solution string: Solution found: 05: 35 12.0 -05d 24 00"));
}

TEST_F(AstapStandInTest, NoSolutionGivesNotSolvedWithTheLastLine) {
    const std::string program = StandIn("echo 'Solution found: garbage'\necho 'No solution found!'\nexit 1\n");
    PlateSolvingStrategyAstap strategy(result, program, 0, clock);
    ASSERT_EQ(strategy.Login(), 0);
    ASSERT_EQ(strategy.Submit("x.fits"), 0);
    EXPECT_EQ(PollToEnd(strategy), kPlateSolvingNotSolved);
    EXPECT_EQ(status, "No solution found!");
    EXPECT_EQ(result.Read().solutionCounter, 1u);
    EXPECT_FALSE(result.Read().coordinatesValid);
}

TEST_F(AstapStandInTest, AHungProgramIsKilledAtTheTimeLimit) {
    const std::string program = StandIn("echo 'Solving...'\nexec sleep 300\n");
    PlateSolvingStrategyAstap strategy(result, program, 1200, clock, std::chrono::seconds(60));
    ASSERT_EQ(strategy.Login(), 0);
    ASSERT_EQ(strategy.Submit("x.fits"), 0);
    EXPECT_EQ(strategy.Poll(status), kPlateSolvingWorking);
    clock.Advance(std::chrono::seconds(59));
    EXPECT_EQ(strategy.Poll(status), kPlateSolvingWorking);
    clock.Advance(std::chrono::seconds(1));
    EXPECT_EQ(strategy.Poll(status), kPlateSolvingNotSolved);
    EXPECT_EQ(status, "ASTAP did not finish in time and was stopped.");
    EXPECT_TRUE(strategy.Process()->Finished());
    EXPECT_TRUE(strategy.Process()->Killed());
    EXPECT_TRUE(log.Contains("E ASTAP did not finish in time and was stopped after seconds: 60"));
}

TEST_F(AstapStandInTest, AProgramThatCannotStartFailsTheSubmit) {
    PlateSolvingStrategyAstap strategy(result, dir.File("missing"), 0, clock);
    ASSERT_EQ(strategy.Login(), 0);
    EXPECT_EQ(strategy.Submit("x.fits"), -1);
    EXPECT_TRUE(log.Contains("E Failed to start process: " + dir.File("missing")));
    EXPECT_EQ(strategy.Poll(status), kPlateSolvingNotSolved);
}

}  // namespace
}  // namespace orva
