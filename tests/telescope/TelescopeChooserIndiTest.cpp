// The telescope driver list against the real INDI telescope simulator.
#include "telescope/TelescopeChooserModel.h"

#include "support/LogCapture.h"
#include "telescope/IndiServerProcess.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

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
