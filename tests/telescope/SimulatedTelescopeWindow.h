#pragma once
// The telescope window's logic over a simulated mount of ours on a manual clock, with
// everything the window is handed, the station's guiding corrector, its settings in a temporary folder and the log
// captured. The worker's thread is not started: tests run its passes.
//
// Threads: the test's thread.

#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "processing/GuidingService.h"
#include "support/FakeUiServices.h"
#include "support/LogCapture.h"
#include "support/ManualClock.h"
#include "telescope/GuidingCorrector.h"
#include "telescope/SimulatedMount.h"
#include "telescope/TelescopeDialogModel.h"

namespace orva::test {

struct SimulatedTelescopeWindow {
    static constexpr int kTrackingSpeedE5 = 417;

    explicit SimulatedTelescopeWindow(INextEventSource* events = nullptr)
        : settings(dir.Path(), center),
          mounts(clock),
          worker(mounts, shared, clock, settings.RaTrackingSpeedE5 * 0.00001),
          model({settings, ui, solution, events, worker, shared, clock}) {
        settings.TelescopeDriver = SimulatedMountFactory::kProgramId;
        settings.RaTrackingSpeedE5 = kTrackingSpeedE5;
    }

    LogCapture log;
    TempDir dir;
    NotificationCenter center;
    Settings settings;
    FakeUiServices ui;
    ManualClock clock;
    PlateSolvingResult solution;
    GuidingService guiding;
    SharedTelescopeState shared;
    SimulatedMountFactory mounts;
    TelescopeWorker worker;  // the station's, in the program; outlives the model
    TelescopeDialogModel model;
    GuidingCorrector guider{guiding, worker};  // the station's, ticked with it
};

}  // namespace orva::test
