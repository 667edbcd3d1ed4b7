// The telescope driver list against the real INDI telescope simulator.
#include "telescope/TelescopeChooserModel.h"

#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "support/IndiServerProcess.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace orva {
namespace {

using namespace std::chrono_literals;

// Polls as the chooser window's timer does until the listing's answer is taken.
bool PollUntilDone(TelescopeChooserModel& chooser) {
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < end) {
        if (chooser.Poll()) return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

TEST(TelescopeChooserIndiTest, ListsTheSimulatorsMountAsAProgramIdTheWindowOpens) {
    test::LogCapture log;
    test::IndiServerProcess server;
    ASSERT_TRUE(server.Start());
    TelescopeChooserModel chooser;
    const std::string where = "127.0.0.1:" + std::to_string(server.Port());
    ASSERT_EQ(chooser.List(where), 0);
    ASSERT_EQ(chooser.Entries().size(), 1u);
    EXPECT_EQ(chooser.Entries()[0].programId, server.ProgramId());
    EXPECT_EQ(chooser.Entries()[0].description.rfind("Telescope Simulator (", 0), 0u) << chooser.Entries()[0].description;
    EXPECT_EQ(chooser.Label(), "Telescope Driver (INDI server " + where + ")");
    EXPECT_EQ(chooser.IndexOf(server.ProgramId()), 0);
    EXPECT_EQ(chooser.IndexOf("127.0.0.1:1/Telescope Simulator"), -1);

    // The server gone: a clear label, no stale entries.
    server.Kill();
    EXPECT_EQ(chooser.List(where), kTelescopeServerUnreachable);
    EXPECT_TRUE(chooser.Entries().empty());
    EXPECT_EQ(chooser.Label(), "Telescope Driver (INDI server " + where + " unavailable!)");
    EXPECT_TRUE(log.Contains("E Failed to reach the INDI server " + where));
}

TEST(TelescopeChooserIndiTest, ListsOffTheCallersThreadAndStoresThePick) {
    test::LogCapture log;
    test::TempDir dir;
    NotificationCenter center;
    Settings settings(dir.Path(), center);
    test::IndiServerProcess server;
    ASSERT_TRUE(server.Start());
    const std::string port = std::to_string(server.Port());

    TelescopeChooserModel chooser;
    chooser.Load(server.ProgramId());
    EXPECT_EQ(chooser.Host(), "127.0.0.1");
    EXPECT_EQ(chooser.Port(), port);
    ASSERT_TRUE(chooser.StartListing("127.0.0.1", port));
    EXPECT_TRUE(chooser.Busy());
    EXPECT_FALSE(chooser.ListEnabled());
    EXPECT_EQ(chooser.Status(), TelescopeChooserModel::kListing);
    EXPECT_FALSE(chooser.StartListing("127.0.0.1", port)) << "one listing at a time";
    EXPECT_FALSE(chooser.Commit(0, settings)) << "nothing to pick while listing";
    ASSERT_TRUE(PollUntilDone(chooser));
    EXPECT_FALSE(chooser.Busy());
    EXPECT_EQ(chooser.Result(), 0);
    EXPECT_EQ(chooser.Status(), "");
    ASSERT_EQ(chooser.Entries().size(), 1u);
    EXPECT_EQ(chooser.PreferredIndex(), 0);
    EXPECT_FALSE(chooser.OkEnabled(-1));
    EXPECT_FALSE(chooser.OkEnabled(1));
    EXPECT_FALSE(chooser.Commit(1, settings));
    EXPECT_EQ(settings.TelescopeDriver, "");

    ASSERT_TRUE(chooser.Commit(0, settings));
    EXPECT_EQ(settings.TelescopeDriver, server.ProgramId());
    Settings reloaded(dir.Path(), center);
    reloaded.Load();
    EXPECT_EQ(reloaded.TelescopeDriver, server.ProgramId()) << "the pick is saved";
}

TEST(TelescopeChooserIndiTest, ListingsThatFindNoMountSayWhy) {
    test::LogCapture log;
    test::IndiServerProcess gone;
    ASSERT_TRUE(gone.Start());
    const std::string port = std::to_string(gone.Port());
    gone.Kill();
    struct Case {
        const char* host;
        std::string port;
        int32_t result;
        const char* label;
    } cases[] = {
        {"127.0.0.1", port, kTelescopeServerUnreachable, "Telescope Driver (INDI server 127.0.0.1:"},
        {"127.0.0.1", "x", kTelescopeBadProgramId, "Telescope Driver (INDI server 127.0.0.1:x unavailable!)"},
        {"127.0.0.1/a", "7624", kTelescopeBadProgramId, "Telescope Driver (INDI server 127.0.0.1/a:7624 unavailable!)"},
    };
    TelescopeChooserModel chooser;
    for (const Case& c : cases) {
        ASSERT_TRUE(chooser.StartListing(c.host, c.port)) << c.host;
        ASSERT_TRUE(PollUntilDone(chooser)) << c.host;
        EXPECT_EQ(chooser.Result(), c.result) << c.host << ":" << c.port;
        EXPECT_EQ(chooser.Label().rfind(c.label, 0), 0u) << chooser.Label();
        EXPECT_NE(chooser.Label().find("unavailable!)"), std::string::npos) << chooser.Label();
        EXPECT_TRUE(chooser.Entries().empty());
        EXPECT_EQ(chooser.PreferredIndex(), -1);
        EXPECT_FALSE(chooser.OkEnabled(0));
    }
}

TEST(TelescopeChooserIndiTest, RefusesAMalformedServerText) {
    TelescopeChooserModel chooser;
    for (const char* bad : {"localhost:0", "localhost:99999", "localhost:x", ":7624"}) {
        EXPECT_EQ(chooser.List(bad), kTelescopeBadProgramId) << bad;
        EXPECT_TRUE(chooser.Entries().empty());
        EXPECT_EQ(chooser.Label(), std::string("Telescope Driver (INDI server ") + bad + " unavailable!)");
    }
}

}  // namespace
}  // namespace orva
