#pragma once
// The station's tool windows (occultation events, plate solving, telescope control,
// guiding), each made on first use and then only shown again, together with the models
// they show. The main window owns one and calls its Show... functions from its menu.
//
// Threads: GUI thread only.

#include "events/ObservationReport.h"
#include "events/OccultationDetailsModel.h"
#include "events/OccultationEventsModel.h"
#include "events/PlanetariumHandoff.h"
#include "events/ProcessLauncher.h"
#include "telescope/IPlateSolvingCapture.h"
#include "telescope/PlateSolvingWorker.h"

#include <memory>

class QWidget;

namespace orva {

class CDlgOccultationEvents;
class CDlgPlatesolving;
class Station;

class ToolWindows {
public:
    // parent: the windows' parent (the main window), may be none; the windows are
    // deleted with this object, so a main window keeps it as a member. capture: the
    // single FITS capture plate solving records with (none: only existing files).
    ToolWindows(Station& station, QWidget* parent, IPlateSolvingCapture* capture = nullptr);
    ~ToolWindows();
    ToolWindows(const ToolWindows&) = delete;
    ToolWindows& operator=(const ToolWindows&) = delete;

    // "Show Occultation Events...".
    CDlgOccultationEvents& ShowOccultationEvents();
    // "Plate Solving...": its worker thread starts with the window and runs until this
    // object goes.
    CDlgPlatesolving& ShowPlateSolving();

private:
    Station& station_;
    QWidget* parent_;
    ProcessLauncher launcher_;
    std::unique_ptr<ObservationReport> report_;
    std::unique_ptr<PlanetariumHandoff> planetarium_;
    std::unique_ptr<OccultationDetailsModel> details_;
    std::unique_ptr<OccultationEventsModel> events_;
    std::unique_ptr<CDlgOccultationEvents> eventsWindow_;
    std::unique_ptr<IPlateSolvingCapture> noCapture_;
    IPlateSolvingCapture& capture_;
    std::unique_ptr<PlateSolvingWorker> plateSolver_;
    std::unique_ptr<CDlgPlatesolving> plateSolvingWindow_;
};

}  // namespace orva
