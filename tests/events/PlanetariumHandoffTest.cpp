#include "EventWindowsFixture.h"
#include "support/PlanetariumListener.h"

#include <csignal>

namespace orva {
namespace {

using test::EventWindowsTest;
using test::PlanetariumListener;
using test::Ticks;

// A port that nothing listens on: bound, then closed.
uint16_t UnusedPort() {
    PlanetariumListener listener;
    const uint16_t port = listener.Port();
    PlanetariumHandoff::SendToLoopback(port, "");  // lets the listener's accept end
    return port;
}

const char* const kTail =
    "displayAsteroid=False;loadAsteroid=False;catalogPolicy=eventCatalog;forcedCatalog=UCAC4;singleInstance=True;"
    "mapType=equatorial;horizontalSymetry=False;verticalSymetry=False;rotation=0;timeBefore=0;prepointTrack=True;";

class PlanetariumTest : public EventWindowsTest {
protected:
    PlanetariumTest() {
        id = AddShownEvent();
        store.UpdateEvent(id, [](OwEvent& e) {
            e.StarRaHours = 12.5;
            e.StarDecDegrees = -7.25;
        });
    }
    OwEventId id = 0;
    PlanetariumListener listener;
    PlanetariumHandoff handoff{launcher, clock, listener.Port()};
    OccultationDetailsModel c2aDetails{{store, ui, lists, settings, report, handoff, launcher}};
};

TEST_F(PlanetariumTest, RunningPlanetariumReceivesExactlyTheParameterText) {
    // The planetarium already runs: a stand-in of ours, started here, named like it.
    const std::string program = WriteScript("c2a-standin", "sleep 30; exit 0");
    const ProcessLauncher::Started running = launcher.Start({program});
    ASSERT_TRUE(running.ok());
    settings.C2awExePath = "/elsewhere/C2A-STANDIN";  // matched by file name, any letter case

    c2aDetails.Show(id);
    c2aDetails.OpenPlanetarium();
    EXPECT_FALSE(handoff.Busy());
    EXPECT_EQ(listener.Received(),
              std::string("/ow versionC2aMin=2043;ra=12.500000;de=-7.250000;fieldX=0.45;fieldY=0.45;"
                          "eventTime=05/03/2024 21:30:12;starName=TYC 1234-567-1;astName=(16) Psyche;") +
                  kTail);
    EXPECT_EQ(handoff.LastOutcome(), PlanetariumHandoff::Outcome::Sent);
    EXPECT_FALSE(log.Contains("I Need to start a new instance of C2A..."));
    EXPECT_TRUE(log.Contains("I Request to open C2A..."));
    ::kill(-running.pid, SIGTERM);
}

TEST_F(PlanetariumTest, NamesCannotAddParameters) {
    store.UpdateEvent(id, [](OwEvent& e) {
        e.StarName = "X;ra=0;lat=1";
        e.AsteroidName = "a=b;displayAsteroid=True";
    });
    sites.Add("Home");
    sites.Find("Home")->SetReal("Lat", 48.5);
    sites.Find("Home")->SetReal("Lon", -8.25);
    OwEvent e = *store.Find(id);
    e.RecordingObservingSite = "Home";
    const std::string text = PlanetariumHandoff::ParameterText(e, PlanetariumHandoff::Site{48.5, -8.25});
    EXPECT_EQ(text, std::string("/ow versionC2aMin=2043;ra=12.500000;de=-7.250000;fieldX=0.45;fieldY=0.45;"
                                "eventTime=05/03/2024 21:30:12;starName=X ra 0 lat 1;astName=a b displayAsteroid True;"
                                "lat=48.500000;lon=-8.250000;") +
                        kTail);
    EXPECT_TRUE(log.Contains("I Using custom site for C2A:  lat=48.500000;lon=-8.250000;"));
    // One "=" per parameter: 21 with the site, as for any plain name.
    EXPECT_EQ(std::count(text.begin(), text.end(), '='), 21);
}

TEST_F(PlanetariumTest, StartedPlanetariumIsWaitedForWithoutBlocking) {
    settings.C2awExePath = WriteScript("c2aw", "sleep 30; exit 0");
    c2aDetails.Show(id);
    c2aDetails.OpenPlanetarium();
    EXPECT_TRUE(handoff.Busy());
    EXPECT_TRUE(log.Contains("I Need to start a new instance of C2A..."));
    c2aDetails.Tick();
    EXPECT_TRUE(handoff.Busy());
    clock.Advance(std::chrono::milliseconds(4999));
    c2aDetails.Tick();
    EXPECT_TRUE(handoff.Busy());
    clock.Advance(std::chrono::milliseconds(1));
    c2aDetails.Tick();
    EXPECT_FALSE(handoff.Busy());
    EXPECT_TRUE(log.Contains("I C2A running."));
    EXPECT_NE(listener.Received().find("astName=(16) Psyche;"), std::string::npos);
    ASSERT_TRUE(ProcessLauncher::IsRunning("c2aw"));
    ::kill(-handoff.StartedPid(), SIGTERM);
}

TEST_F(PlanetariumTest, AProgramThatEndsAtOnceOrCannotStartStillGetsTheTextSent) {
    settings.C2awExePath = WriteScript("c2a-quits", "exit 0");
    c2aDetails.Show(id);
    c2aDetails.OpenPlanetarium();
    while (handoff.Busy()) c2aDetails.Tick();  // ends as soon as the stand-in has ended
    EXPECT_TRUE(log.Contains("W C2A ended early."));
    EXPECT_FALSE(listener.Received().empty());
    EXPECT_TRUE(ui.messages.empty());

    PlanetariumHandoff nowhere{launcher, clock, UnusedPort()};
    OccultationDetailsModel failing{{store, ui, lists, settings, report, nowhere, launcher}};
    settings.C2awExePath = programsDir.File("missing-c2a");
    failing.Show(id);
    failing.OpenPlanetarium();
    EXPECT_FALSE(nowhere.Busy());
    EXPECT_TRUE(log.Contains("E Failed to start process: " + programsDir.File("missing-c2a")));
    EXPECT_TRUE(log.Contains("W Failed to start C2A, last error  2"));
    EXPECT_FALSE(log.MessagesStartingWith("E Failed to connect socket:  ").empty());
    EXPECT_TRUE(log.Contains("W Failed to send the event parameters!"));
    EXPECT_EQ(nowhere.LastOutcome(), PlanetariumHandoff::Outcome::SendFailed);
    ASSERT_EQ(ui.messages.size(), 1u);  // the failed start is shown
    EXPECT_EQ(ui.messages[0].title, "Error");

    failing.Show(0);
    failing.OpenPlanetarium();
    EXPECT_TRUE(log.Contains("I Request to open C2A rejected (no event selected)"));
}

TEST(ProcessLauncher, ProgramsStartFromAnArgumentVectorWithoutAShell) {
    test::TempDir dir;
    ProcessLauncher launcher;
    // Shell syntax in an argument stays a plain argument: one file of exactly that name.
    const std::string name = dir.File("a b;c $(touch injected)");
    const ProcessLauncher::Started started = launcher.Start({"touch", name});
    ASSERT_TRUE(started.ok());
    while (launcher.Poll(started.pid) == ProcessLauncher::ChildState::Running) {
    }
    EXPECT_TRUE(std::filesystem::exists(name));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 1);
    EXPECT_EQ(launcher.Poll(started.pid), ProcessLauncher::ChildState::Unknown);
    EXPECT_FALSE(ProcessLauncher::IsRunning("no-such-program-here"));
    EXPECT_FALSE(ProcessLauncher::IsRunning(""));
    EXPECT_EQ(ProcessLauncher::FileNameOf("C:\\Program Files\\C2A\\c2aw.exe"), "c2aw.exe");
}

}  // namespace
}  // namespace orva
