// Against the real INDI telescope simulator, started by the test on a free port.
#include "telescope/TelescopeFacade.h"

#include "support/IndiServerProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <thread>

namespace orva {
namespace {

using namespace std::chrono_literals;

constexpr double kArcsecond = 1.0 / 3600.0;

class IndiSimulatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.Start()) << "indiserver with indi_simulator_telescope did not start";
        ASSERT_EQ(TelescopeFacade::Create(server.ProgramId(), driver), 0);
    }

    // Waits (polling the real mount) until the condition holds; false after the limit.
    bool Eventually(const std::function<bool()>& condition, std::chrono::seconds limit = 30s) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            if (condition()) return true;
            std::this_thread::sleep_for(100ms);
        }
        return condition();
    }

    struct Reading {
        double ra = 0.0;
        double dec = 0.0;
        bool connected = false;
        int32_t result = 0;
    };
    Reading Read() {
        Reading r;
        r.result = driver->GetCoordinates(r.ra, r.dec, r.connected);
        return r;
    }
    // The right ascension that stands the given hours west of the meridian at longitude 0
    // (the simulator's site) now.
    static double WestOfMeridian(double hourAngle) {
        const double days =
            std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count() / 86400.0 -
            10957.5;
        const double siderealTime = std::fmod(18.697374558 + 24.06570982441908 * days, 24.0);
        return std::fmod(siderealTime - hourAngle + 48.0, 24.0);
    }
    bool Near(double raHours, double decDeg, double tolerance) {
        const Reading r = Read();
        return r.result == 0 && std::fabs(r.ra - raHours) * 15.0 < tolerance && std::fabs(r.dec - decDeg) < tolerance;
    }

    test::IndiServerProcess server;
    std::unique_ptr<ITelescopeDriver> driver;
};

TEST(TelescopeProgramId, ParsesServerAndDevice) {
    struct Case {
        const char* text;
        bool ok;
        const char* host;
        int port;
        const char* device;
    } cases[] = {
        {"Telescope Simulator", true, "localhost", 7624, "Telescope Simulator"},
        {"example.org:7000/EQMod Mount", true, "example.org", 7000, "EQMod Mount"},
        {"example.org/Mount/A", true, "example.org", 7624, "Mount/A"},
        {"", false, "", 0, ""},
        {"host:0/dev", false, "", 0, ""},
        {"host:70000/dev", false, "", 0, ""},
        {"host:12x/dev", false, "", 0, ""},
        {"host:7624/", false, "", 0, ""},
        {":7624/dev", false, "", 0, ""},
    };
    for (const Case& c : cases) {
        const auto id = TelescopeFacade::ParseProgramId(c.text);
        ASSERT_EQ(id.has_value(), c.ok) << c.text;
        if (!id) continue;
        EXPECT_EQ(id->host, c.host);
        EXPECT_EQ(id->port, c.port);
        EXPECT_EQ(id->device, c.device);
        EXPECT_EQ(TelescopeFacade::ParseProgramId(TelescopeFacade::FormatProgramId(*id))->device, c.device);
    }
}

TEST(TelescopeProgramId, NominalRatesFromLabels) {
    EXPECT_DOUBLE_EQ(TelescopeFacade::NominalRate("16x", 3), 16 * TelescopeFacade::kSiderealDegPerSec);
    EXPECT_DOUBLE_EQ(TelescopeFacade::NominalRate("0.5x", 0), 0.5 * TelescopeFacade::kSiderealDegPerSec);
    EXPECT_DOUBLE_EQ(TelescopeFacade::NominalRate("Find", 2), 16 * TelescopeFacade::kSiderealDegPerSec);
    EXPECT_DOUBLE_EQ(TelescopeFacade::NominalRate("x", 0), TelescopeFacade::kSiderealDegPerSec);
}

TEST(TelescopeFacadeCreate, FailsClearlyWithoutServerOrDevice) {
    std::unique_ptr<ITelescopeDriver> driver;
    EXPECT_EQ(TelescopeFacade::Create("nonsense:0/x", driver), kTelescopeBadProgramId);
    test::IndiServerProcess server;
    ASSERT_TRUE(server.Start());
    const int port = server.Port();
    EXPECT_EQ(TelescopeFacade::Create("127.0.0.1:" + std::to_string(port) + "/No Such Mount", driver),
              kTelescopeNoDevice);
    EXPECT_FALSE(driver);
    server.Kill();
    EXPECT_EQ(TelescopeFacade::Create("127.0.0.1:" + std::to_string(port) + "/Telescope Simulator", driver),
              kTelescopeServerUnreachable);
}

TEST_F(IndiSimulatorTest, ConnectTrackSlewMoveSyncDisconnect) {
    bool connected = true;
    ASSERT_EQ(driver->IsConnected(connected), 0);
    EXPECT_FALSE(connected);
    EXPECT_FALSE(Read().connected);

    ASSERT_EQ(driver->SetConnected(true), 0);
    ASSERT_EQ(driver->IsConnected(connected), 0);
    EXPECT_TRUE(connected);
    std::string info;
    ASSERT_EQ(driver->GetDriverInfo(info), 0);
    EXPECT_EQ(info, "Telescope Simulator 1.0");
    bool canSync = false;
    ASSERT_EQ(driver->GetBoolProperty("CanSync", canSync), 0);
    EXPECT_TRUE(canSync);
    std::vector<TelescopeRateRange> ranges;
    ASSERT_EQ(driver->GetAxisRates(0, ranges), 0);
    EXPECT_GE(ranges.size(), 2u);

    ASSERT_EQ(driver->PutBoolProperty("Tracking", true), 0);
    bool tracking = false;
    ASSERT_EQ(driver->GetBoolProperty("Tracking", tracking), 0);
    EXPECT_TRUE(tracking);

    // Start near the target so the slew is short, then slew and read back. The target
    // stands two hours west of the meridian: east of it the simulator's mount is on the
    // other side of its pier, where its north motion lowers the declination.
    const double ra = WestOfMeridian(2.0);
    ASSERT_EQ(driver->Sync(ra, 20.0), 0);
    EXPECT_TRUE(Near(ra, 20.0, 5 * kArcsecond));
    const double target = std::fmod(ra + 0.05, 24.0);
    ASSERT_EQ(driver->Slew(target, 21.5), 0);
    ASSERT_TRUE(Eventually([&] { return Near(target, 21.5, kArcsecond); })) << Read().ra << " " << Read().dec;

    // North for a second: the declination grows.
    const double before = Read().dec;
    ASSERT_EQ(driver->MoveAxis(1, TelescopeFacade::kSiderealDegPerSec), 0);
    std::this_thread::sleep_for(1s);  // the move itself lasts a second of real time
    ASSERT_EQ(driver->MoveAxis(1, 0.0), 0);
    ASSERT_TRUE(Eventually([&] { return Read().dec > before + 10 * kArcsecond; })) << Read().dec - before;

    // East: right ascension grows.
    const double raBefore = Read().ra;
    ASSERT_EQ(driver->MoveAxis(0, TelescopeFacade::kSiderealDegPerSec), 0);
    std::this_thread::sleep_for(1s);
    ASSERT_EQ(driver->MoveAxis(0, 0.0), 0);
    EXPECT_TRUE(Eventually([&] { return Read().ra > raBefore + 10 * kArcsecond / 15.0; })) << Read().ra - raBefore;

    ASSERT_EQ(driver->Sync(7.25, -10.5), 0);
    EXPECT_TRUE(Near(7.25, -10.5, kArcsecond));

    ASSERT_EQ(driver->SetConnected(false), 0);
    ASSERT_EQ(driver->IsConnected(connected), 0);
    EXPECT_FALSE(connected);
    EXPECT_FALSE(Read().connected);
}

TEST_F(IndiSimulatorTest, RefusesCoordinatesOutOfRangeAndReportsTheLostServer) {
    ASSERT_EQ(driver->SetConnected(true), 0);
    EXPECT_EQ(driver->Slew(24.0, 0.0), kTelescopeBadArgument);
    EXPECT_EQ(driver->Sync(1.0, 90.5), kTelescopeBadArgument);
    EXPECT_EQ(driver->Slew(std::nan(""), 0.0), kTelescopeBadArgument);
    EXPECT_EQ(driver->PulseGuide(0, 1, 0), kTelescopeBadArgument);
    EXPECT_FALSE(driver->ConnectionLost());
    server.Kill();
    EXPECT_TRUE(Eventually([&] { return driver->ConnectionLost(); }, 10s));
    const Reading r = Read();
    EXPECT_EQ(r.result, kTelescopeServerLost);
    EXPECT_FALSE(r.connected);
    EXPECT_EQ(driver->Slew(1.0, 1.0), kTelescopeServerLost);
}

}  // namespace
}  // namespace orva
