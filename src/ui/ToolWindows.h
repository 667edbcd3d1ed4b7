#pragma once
// The station's tool windows (occultation events, plate solving, telescope control,
// guiding, satellite configuration), each made on first use and then only shown again, together with the models
// they show. The main window owns one and calls its Show... functions from its menu.
//
// Threads: GUI thread only.

#include "camera/GnssSelectionDialogModel.h"
#include "camera/SatConfigDialogModel.h"
#include "events/ObservationReport.h"
#include "events/OccultationDetailsModel.h"
#include "events/OccultationEventsModel.h"
#include "events/PlanetariumHandoff.h"
#include "events/ProcessLauncher.h"
#include "station/EventStoreNextEvent.h"
#include "telescope/GuidingDialogModel.h"
#include "telescope/IPlateSolvingCapture.h"
#include "telescope/PlateSolvingWorker.h"
#include "telescope/TelescopeDialogModel.h"
#include "telescope/TelescopeDriverFactory.h"

#include <memory>

class QWidget;

namespace orva {

class CDlgOccultationEvents;
class CDlgGuiding;
class CDlgPlatesolving;
class CDlgSatConfig;
class CDlgTelescope;
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
    // "Telescope...": the window owns the telescope worker's model and runs the guiding
    // corrections, so it is made once and only hidden afterwards.
    CDlgTelescope& ShowTelescope();
    // "Guiding...".
    CDlgGuiding& ShowGuiding();
    // "Satellite Configuration...": reads the GPS module's version on every call.
    CDlgSatConfig& ShowSatConfig();
    // Hides every window made so far (the main window is closing); their workers go on
    // until this object goes.
    void HideAll();
    // The telescope window's logic for the main window's Ctrl+arrow keys; none until the
    // telescope window was made (the keys then do nothing).
    TelescopeDialogModel* Telescope() { return telescope_.get(); }

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
    TelescopeDriverFactory drivers_;
    std::unique_ptr<EventStoreNextEvent> nextEvent_;
    std::unique_ptr<TelescopeDialogModel> telescope_;
    std::unique_ptr<CDlgTelescope> telescopeWindow_;
    std::unique_ptr<GuidingDialogModel> guiding_;
    std::unique_ptr<CDlgGuiding> guidingWindow_;
    std::unique_ptr<SatConfigDialogModel> satConfig_;
    std::unique_ptr<GnssSelectionDialogModel> gnssSelection_;
    std::unique_ptr<CDlgSatConfig> satConfigWindow_;
};

}  // namespace orva
