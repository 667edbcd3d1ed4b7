#pragma once
// The pieces the event windows work with, all of the test's own: a data folder with the
// four equipment lists, settings in a folder of their own, the event store showing 5 and
// 6 March 2024, a recording UI fake, a manual clock, and the report and planetarium
// hand-off with their launcher. Helpers write the stand-in programs of ours that play
// the text editor and the planetarium.

#include "EventTestSupport.h"
#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "equipment/InstrumentManager.h"
#include "equipment/MountManager.h"
#include "equipment/ObserverManager.h"
#include "equipment/ObservingSiteManager.h"
#include "events/ObservationReport.h"
#include "events/OccultationDetailsModel.h"
#include "events/OwEventManager.h"
#include "events/PlanetariumHandoff.h"
#include "events/ProcessLauncher.h"
#include "support/FakeUiServices.h"
#include "support/LogCapture.h"
#include "support/ManualClock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

namespace orva::test {

class EventWindowsTest : public ::testing::Test {
protected:
    EventWindowsTest() {
        store.SetUiServices(&ui);
        EXPECT_TRUE(store.Load());
        settings.ReportsDirectory = reportsDir.Path();
        settings.ReportFileNameTemplate = "";
    }

    // The event the details view shows: an event of 5 March 2024 with a recording.
    OwEventId AddShownEvent(const std::string& asteroid = "(16) Psyche", const std::string& star = "TYC 1234-567-1") {
        OwEvent e = MakeEvent(asteroid, star, Ticks(2024, 3, 5, 21, 30, 12, 250));
        const AddEventResult r = store.AddEvent(e);
        EXPECT_EQ(r.status, AddEventStatus::Added);
        details.Show(r.id);
        return r.id;
    }
    const OwEvent& Shown() const { return *details.Event(); }

    // A stand-in program of ours: a shell script with the given body.
    std::string WriteScript(const std::string& name, const std::string& body) const {
        const std::string path = programsDir.File(name);
        WriteFile(path, "#!/bin/sh\n" + body + "\n");
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    }
    // Waits (bounded) for a file that a started program writes.
    static bool AwaitFile(const std::string& path) {
        for (int i = 0; i < 1000; ++i) {
            if (std::filesystem::exists(path)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    LogCapture log;
    TempDir dataDir;
    TempDir configDir;
    TempDir reportsDir;
    TempDir programsDir;
    NotificationCenter center;
    Settings settings{configDir.Path(), center};
    ObserverManager observers{dataDir.Path(), settings};
    ObservingSiteManager sites{dataDir.Path(), settings};
    InstrumentManager instruments{dataDir.Path(), settings, center};
    MountManager mounts{dataDir.Path(), settings};
    EquipmentLists lists{observers, sites, instruments, mounts};
    uint64_t now = Ticks(2024, 3, 5, 12);
    OwEventManager store{dataDir.Path(), [this] { return now; }};
    FakeUiServices ui;
    ManualClock clock;
    ProcessLauncher launcher;
    ObservationReport report{ObservationReport::DefaultTemplatePath(), ui, launcher};
    PlanetariumHandoff planetarium{launcher, clock, 0};
    OccultationDetailsModel details{{store, ui, lists, settings, report, planetarium, launcher}};
};

}  // namespace orva::test
