// Real solves: a frame of the simulated camera looking at catalogue stars, written as the
// station's FITS capture writes it, solved by astrometry.net's solve-field, once through
// the web strategy against our local API server and once through the local strategy.

#include "support/CatalogSkyFits.h"
#include "support/LogCapture.h"
#include "support/ManualClock.h"
#include "support/TestPaths.h"
#include "support/TempDir.h"
#include "telescope/PlateSolvingStrategyAstrometryNet.h"
#include "telescope/PlateSolvingStrategySolveField.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <numbers>

namespace orva {
namespace {

constexpr double kArcsecPerPixel = 5.6;  // 5.86 um pixels at 216 mm: a 3 x 1.9 degree field

double SeparationArcsec(double ra1, double dec1, double ra2, double dec2) {
    constexpr double d = std::numbers::pi / 180.0;
    const double c = std::sin(dec1 * d) * std::sin(dec2 * d) + std::cos(dec1 * d) * std::cos(dec2 * d) * std::cos((ra1 - ra2) * d);
    return std::acos(std::min(1.0, c)) / d * 3600.0;
}

double AngleDifference(double a, double b) { return std::fabs(std::remainder(a - b, 360.0)); }

class RealPlateSolveTest : public ::testing::Test {
protected:
    // One frame of the simulated camera at the pointing, as a FITS capture file.
    std::string CaptureFrame(const SkyPointing& pointing) {
        const std::string path = dir.File("capture.fits");
        test::WriteCatalogSkyFits(path, pointing, kArcsecPerPixel, clock);
        return path;
    }

    // Polls until the strategy gives a final code; the waits are for the solver program.
    int32_t PollToEnd(IPlateSolvingStrategy& strategy) {
        std::string status;
        for (int i = 0; i < 600; ++i) {
            const int32_t code = strategy.Poll(status);
            if (code != kPlateSolvingWorking) return code;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return -1;
    }

    void ExpectSolution(const SkyPointing& truth) {
        const PlateSolution s = result.Read();
        ASSERT_TRUE(s.coordinatesValid);
        EXPECT_LT(SeparationArcsec(s.rightAscensionDeg, s.declinationDeg, truth.rightAscensionDeg, truth.declinationDeg), 5.0)
            << s.rightAscensionDeg << " " << s.declinationDeg;
        ASSERT_TRUE(s.pixelScaleValid);
        EXPECT_NEAR(s.pixelScaleArcsec, kArcsecPerPixel, kArcsecPerPixel * 0.005);
        ASSERT_TRUE(s.orientationValid);
        EXPECT_LT(AngleDifference(s.orientationDeg, truth.rotationDeg), 0.5) << s.orientationDeg;
        EXPECT_EQ(s.parity, 0);
        ASSERT_TRUE(s.fieldSizeValid);
        EXPECT_NEAR(s.fieldWidthArcsec / 3600.0, 1936 * kArcsecPerPixel / 3600.0, 0.05);
    }

    test::LogCapture log;
    test::TempDir dir;
    test::ManualClock clock;
    PlateSolvingResult result;
};

TEST_F(RealPlateSolveTest, WebStrategyAgainstTheLocalApiServer) {
    const SkyPointing truth{83.8, -5.4, 30.0};
    const std::string fits = CaptureFrame(truth);

    SolverProcess server;
    ASSERT_EQ(server.Start({"python3", test::TestSupportDir() + "/astrometry_api_server.py", "--port", "0", "--cpulimit", "30"}), 0);
    while (!server.LastLine().starts_with("PORT ")) {
        ASSERT_FALSE(server.WaitFinished(std::chrono::milliseconds(20))) << server.LastLine();
    }
    const std::string address = "127.0.0.1:" + server.LastLine().substr(5);

    PlateSolvingStrategyAstrometryNet strategy(result, address, "");
    strategy.SetScaleHint(kArcsecPerPixel);
    strategy.SetPositionHint(5.5, -5.0);  // "05 30", "-05 00": 1.3 degrees off
    ASSERT_EQ(strategy.Login(), 0);
    ASSERT_EQ(strategy.Submit(fits), 0);
    EXPECT_EQ(PollToEnd(strategy), kPlateSolvingSolved);
    ExpectSolution(truth);
    kill(server.Pid(), SIGTERM);
    EXPECT_TRUE(server.WaitFinished(std::chrono::seconds(10)));
}

TEST_F(RealPlateSolveTest, LocalStrategyJustSouthOfTheEquator) {
    // A declination between -1 and 0 degrees, given as the hint "-00 30".
    const SkyPointing truth{150.0, -0.5, -100.0};
    const std::string fits = CaptureFrame(truth);
    test::ManualClock solverClock;
    PlateSolvingStrategySolveField strategy(result, SolveFieldPrograms{}, solverClock, std::chrono::seconds(30));
    strategy.SetScaleHint(kArcsecPerPixel);
    strategy.SetPositionHint(10.0, -0.5);
    ASSERT_EQ(strategy.Login(), 0);
    ASSERT_EQ(strategy.Submit(fits), 0);
    EXPECT_EQ(PollToEnd(strategy), kPlateSolvingSolved);
    ExpectSolution(truth);
}

}  // namespace
}  // namespace orva
