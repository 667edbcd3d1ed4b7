// The telescope window's logic with its worker thread against the real INDI telescope
// simulator, and a SIMBAD stand-in of ours on 127.0.0.1.
#include "telescope/TelescopeDialogModel.h"

#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "support/FakeUiServices.h"
#include "support/LogCapture.h"
#include "telescope/CannedHttpServer.h"
#include "support/IndiServerProcess.h"
#include "telescope/TelescopeDriverFactory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <thread>

namespace orva {
namespace {

using namespace std::chrono_literals;

constexpr double kArcsecond = 1.0 / 3600.0;

// The answer page in SIMBAD's documented ASCII form, trimmed to the lines we read (ours).
std::string SimbadPage(const std::string& coordinates) {
    return "C.D.S.  -  SIMBAD4 rel 1.8  -  2024.01.01CET12:00:00\n\nM  42 -- HII Region\n"
           "---------------------------------------------------------\n"
           "Coordinates(ICRS,ep=J2000,eq=2000): " + coordinates + " (Opt ) A [ 1 1 0] 2003AJ....125..984M\n"
           "Coordinates(FK4,ep=B1950,eq=1950): 05 32 49.0 -05 25 00\n";
}

class TelescopeWindowTest : public ::testing::Test {
protected:
    TelescopeWindowTest()
        : settings(dir.Path(), center),
          worker(drivers, shared, SteadyClock::Instance(), settings.RaTrackingSpeedE5 * 0.00001),
          model({settings, ui, solution, nullptr, worker, shared, SteadyClock::Instance()}) {}

    void SetUp() override {
        ASSERT_TRUE(server.Start());
        settings.TelescopeDriver = server.ProgramId();
        settings.SimbadServer = simbad.Server();
        model.Initialise();
        model.ShownOrHidden();
    }

    // Runs the window's timer until the condition holds (the worker and the mount move in
    // real time); false after the limit.
    bool TickUntil(const std::function<bool()>& condition, std::chrono::seconds limit = 30s) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            model.Tick();
            if (condition()) return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }
    bool At(double raHours, double decDeg, double tolerance) {
        const auto p = shared.Read();
        return p.valid && std::fabs(p.rightAscensionHours - raHours) * 15.0 < tolerance &&
               std::fabs(p.declinationDegrees - decDeg) < tolerance;
    }
    void ConnectAndTrack() {
        ASSERT_TRUE(TickUntil([&] { return model.Worker().DriverCreated(); }));
        model.OnConnectButton();
        model.OnConnectMessage();
        ASSERT_TRUE(TickUntil([&] { return model.Worker().Connected(); }));
        model.OnTrackingCheck(true);
        ASSERT_TRUE(TickUntil([&] { return model.Controls().slewEnabled && model.Controls().syncEnabled; }));
    }

    test::LogCapture log;
    test::TempDir dir;
    NotificationCenter center;
    Settings settings;
    test::FakeUiServices ui;
    PlateSolvingResult solution;
    TelescopeDriverFactory drivers;
    SharedTelescopeState shared;
    test::IndiServerProcess server;
    test::CannedHttpServer simbad;
    TelescopeWorker worker;  // the station's, in the program; outlives the model
    TelescopeDialogModel model;
};

TEST_F(TelescopeWindowTest, SyncToSolvedThenSimbadLookupAndSlew) {
    ConnectAndTrack();
    EXPECT_EQ(model.Controls().connectText, "Disconnect");
    EXPECT_GT(model.Worker().Rates().Size(), 0u);

    // A solve without a centre moves nothing.
    model.SyncToSolved();
    EXPECT_EQ(model.InstructionText(), "No valid plate solution to synchronize to.");

    PlateSolution solved;
    solved.coordinatesValid = true;
    solved.rightAscensionDeg = 83.5;  // 5.5666 h
    solved.declinationDeg = -4.75;
    solution.Publish(solved);
    model.SyncToSolved();
    ASSERT_TRUE(TickUntil([&] { return At(83.5 / 15.0, -4.75, kArcsecond); }));
    EXPECT_TRUE(TickUntil([&] { return model.Controls().position[2] == "0'"; }));

    simbad.Reply(SimbadLookup::QueryPath("M 42"), {200, SimbadPage("05 35 17.3 -05 23 28")});
    model.Simbad("M 42");
    ASSERT_TRUE(TickUntil([&] { return model.EditTextVersion() > 0; }));
    EXPECT_EQ(model.InstructionText(), "Received coordinates from SIMBAD:");
    EXPECT_EQ(model.EditText(), "5 35 17.3    -5 23 28");
    model.Slew(model.EditText());
    const double ra = 5 + 35 / 60.0 + 17.3 / 3600.0;
    const double dec = -(5 + 23 / 60.0 + 28 / 3600.0);
    ASSERT_TRUE(TickUntil([&] { return At(ra, dec, kArcsecond); }, 60s));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TelescopeWindowTest, SimbadAnswersThatCarryNoPositionGiveClearMessages) {
    struct Case {
        const char* name;
        std::string body;
        int status;
        const char* message;
    } cases[] = {
        {"no marker", "!! No known catalog could be found\n", 200, "No coordinates received from SIMBAD."},
        {"malformed", SimbadPage("05 35 xx"), 200, "No coordinates received from SIMBAD."},
        {"cut after the marker", "Coordinates(ICRS,ep=J2000,eq=2000):", 200, "No coordinates received from SIMBAD."},
        {"out of range", SimbadPage("25 35 17.3 -05 23 28"), 200, "No coordinates received from SIMBAD."},
        {"server error", "", 503, "Couldn't get result from SIMBAD."},
        {"empty answer", "", 200, "No coordinates received from SIMBAD."},
    };
    for (const Case& c : cases) {
        simbad.Reply(SimbadLookup::QueryPath(c.name), {c.status, c.body});
        const int version = model.EditTextVersion();
        model.Simbad(c.name);
        ASSERT_TRUE(TickUntil([&] { return model.InstructionText() == c.message; }, 10s)) << c.name << ": " << model.InstructionText() << " " << ::testing::PrintToString(log.MessagesStartingWith("E "));
        EXPECT_EQ(model.EditTextVersion(), version) << c.name;
        model.OnEditFocus();
    }
    model.Simbad("x");
    EXPECT_EQ(model.InstructionText(), "Please enter at least 2 characters for SIMBAD.");
    EXPECT_TRUE(log.Contains("I Querying SIMBAD with identifier  no marker") ||
                log.Contains("I Querying SIMBAD with identifier no marker"));
}

TEST_F(TelescopeWindowTest, SimulatorKilledMidSlewGivesAClearErrorAndTheWindowGoesOn) {
    ConnectAndTrack();
    PlateSolution solved;
    solved.coordinatesValid = true;
    solved.rightAscensionDeg = 30.0;
    solved.declinationDeg = 10.0;
    solution.Publish(solved);
    model.SyncToSolved();
    ASSERT_TRUE(TickUntil([&] { return At(2.0, 10.0, kArcsecond); }));
    model.Slew("8 00 00.0 60 00 00");  // a long slew
    ASSERT_TRUE(TickUntil([&] { return !At(2.0, 10.0, 60 * kArcsecond); }));
    server.Kill();
    ASSERT_TRUE(TickUntil([&] { return !ui.messages.empty(); }, 20s));
    EXPECT_EQ(ui.messages[0], (test::FakeUiServices::Message{"Telescope Error", "Lost the connection to the telescope driver.",
                                                             MessageIcon::Error}));
    EXPECT_TRUE(log.Contains("E Lost the connection to the telescope driver"));
    // No stale position is published, and the window shows no position.
    EXPECT_EQ(shared.Read().valid, 0);
    ASSERT_TRUE(TickUntil([&] { return model.Controls().position[0] == "-"; }));
    EXPECT_FALSE(model.Controls().connectEnabled);
    // The next showing tries again and says why it fails.
    model.ShownOrHidden();
    ASSERT_TRUE(TickUntil([&] { return ui.messages.size() >= 2; }, 20s));
    EXPECT_EQ(ui.messages[1].text, "Failed to access the telescope driver.");
}

TEST_F(TelescopeWindowTest, ChooserPicksNothingOnceTheWindowHasADriver) {
    ASSERT_TRUE(TickUntil([&] { return model.Worker().DriverCreated(); }));
    settings.TelescopeDriver = "127.0.0.1:1/Another Mount";
    TelescopeChooserModel& chooser = model.OpenChooser();
    EXPECT_EQ(chooser.Port(), "1");
    ASSERT_TRUE(chooser.StartListing("127.0.0.1", std::to_string(server.Port())));
    ASSERT_TRUE(TickUntil([&] { return chooser.Poll(); }));
    ASSERT_TRUE(chooser.OkEnabled(0));
    EXPECT_FALSE(model.ChooseDriver(0));
    EXPECT_EQ(settings.TelescopeDriver, "127.0.0.1:1/Another Mount");
    EXPECT_FALSE(model.Controls().chooseEnabled);
}

}  // namespace
}  // namespace orva
