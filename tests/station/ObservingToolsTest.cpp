#include "station/ObservingTools.h"

#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "events/OwEventManager.h"
#include "support/FakeUiServices.h"
#include "support/LogCapture.h"
#include "support/ManualClock.h"
#include "support/PlanetariumListener.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

namespace orva {
namespace {

using namespace std::chrono_literals;

// The state letter of a process in /proc ('Z': ended, not yet collected); 0 when there is
// no such process any more.
char ProcessState(pid_t pid) {
    const std::string stat = test::ReadFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    return close == std::string::npos || close + 2 >= stat.size() ? '\0' : stat[close + 2];
}

class ObservingToolsTest : public ::testing::Test {
protected:
    std::string WriteScript(const std::string& name, const std::string& body) const {
        const std::string path = programsDir.File(name);
        test::WriteFile(path, "#!/bin/sh\n" + body + "\n");
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    }

    test::LogCapture log;
    test::TempDir configDir;
    test::TempDir dataDir;
    test::TempDir programsDir;
    NotificationCenter center;
    Settings settings{configDir.Path(), center};
    test::FakeUiServices ui;
    test::ManualClock clock;
    OwEventManager store{dataDir.Path()};
    test::PlanetariumListener planetarium;
    ObservingTools tools{{settings, ui, clock, store, nullptr, nullptr, planetarium.Port()}};
};

// A program the tools started (a report's editor) that has ended is collected by the
// station's tick, though no window was ever made to drive a timer.
TEST_F(ObservingToolsTest, TickCollectsAnEndedProgramWithoutAnyWindow) {
    // The program ends only when told: one that ended before Start's own check of it
    // would be collected there, and there would be nothing left for the tick.
    const std::string go = programsDir.File("go");
    const ProcessLauncher::Started started =
        tools.Launcher().Start({WriteScript("editor", "while [ ! -e '" + go + "' ]; do sleep 0.01; done; exit 0")});
    ASSERT_TRUE(started.ok());
    ASSERT_NE(ProcessState(started.pid), '\0');
    test::WriteFile(go, "");
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (ProcessState(started.pid) != 'Z' && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_EQ(ProcessState(started.pid), 'Z');
    tools.Tick();
    EXPECT_EQ(ProcessState(started.pid), '\0');
}

// The planetarium is started, waited for on the ticks and handed its text without a window.
TEST_F(ObservingToolsTest, TickHandsThePlanetariumItsTextWithoutAnyWindow) {
    ASSERT_EQ(tools.Planetarium().Begin(WriteScript("c2aw", "sleep 30; exit 0"), "/ow ra=1;"),
              PlanetariumHandoff::Step::Waiting);
    tools.Tick();
    EXPECT_TRUE(tools.Planetarium().Busy());
    clock.Advance(PlanetariumHandoff::kStartWait);
    tools.Tick();
    EXPECT_FALSE(tools.Planetarium().Busy());
    EXPECT_EQ(tools.Planetarium().LastOutcome(), PlanetariumHandoff::Outcome::Sent);
    EXPECT_EQ(planetarium.Received(), "/ow ra=1;");
    ::kill(-tools.Planetarium().StartedPid(), SIGTERM);
}

// The workers are the station's: they stop with Shutdown (twice is harmless), and the
// capture may be swapped only while the plate solver's thread does not run.
TEST_F(ObservingToolsTest, ShutdownStopsTheWorkersAndFreesTheCapture) {
    tools.StartTelescope();
    tools.StartPlateSolver();
    EXPECT_FALSE(tools.SetPlateSolvingCapture(nullptr));
    tools.Shutdown();
    tools.Shutdown();
    EXPECT_TRUE(tools.SetPlateSolvingCapture(nullptr));
}

}  // namespace
}  // namespace orva
