#pragma once
// The station's tool windows (occultation events, plate solving, telescope control,
// guiding, satellite configuration), each made on first use and then only shown again, together with the models
// they show. The main window owns one and calls its Show... functions from its menu. The
// workers, the report, the planetarium and the launcher are the station's (ObservingTools);
// the windows are handed references and never outlive them.
//
// Threads: GUI thread only.

#include "camera/GnssSelectionDialogModel.h"
#include "camera/SatConfigDialogModel.h"
#include "events/OccultationDetailsModel.h"
#include "events/OccultationEventsModel.h"
#include "telescope/GuidingDialogModel.h"
#include "telescope/TelescopeDialogModel.h"

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
    // deleted with this object, so a main window keeps it as a member.
    ToolWindows(Station& station, QWidget* parent);
    ~ToolWindows();
    ToolWindows(const ToolWindows&) = delete;
    ToolWindows& operator=(const ToolWindows&) = delete;

    // "Show Occultation Events...".
    CDlgOccultationEvents& ShowOccultationEvents();
    // "Plate Solving...": the station's worker thread starts with the window and runs until
    // the station shuts down.
    CDlgPlatesolving& ShowPlateSolving();
    // "Telescope...": made once and only hidden afterwards.
    CDlgTelescope& ShowTelescope();
    // "Guiding...".
    CDlgGuiding& ShowGuiding();
    // "Satellite Configuration...": reads the GPS module's version on every call.
    CDlgSatConfig& ShowSatConfig();
    // Hides every window made so far (the main window is closing); the workers go on
    // until the station shuts down.
    void HideAll();
    // The telescope window's logic for the main window's Ctrl+arrow keys; none until the
    // telescope window was made (the keys then do nothing).
    TelescopeDialogModel* Telescope() { return telescope_.get(); }

private:
    Station& station_;
    QWidget* parent_;
    std::unique_ptr<OccultationDetailsModel> details_;
    std::unique_ptr<OccultationEventsModel> events_;
    std::unique_ptr<CDlgOccultationEvents> eventsWindow_;
    std::unique_ptr<CDlgPlatesolving> plateSolvingWindow_;
    std::unique_ptr<TelescopeDialogModel> telescope_;
    std::unique_ptr<CDlgTelescope> telescopeWindow_;
    std::unique_ptr<GuidingDialogModel> guiding_;
    std::unique_ptr<CDlgGuiding> guidingWindow_;
    std::unique_ptr<SatConfigDialogModel> satConfig_;
    std::unique_ptr<GnssSelectionDialogModel> gnssSelection_;
    std::unique_ptr<CDlgSatConfig> satConfigWindow_;
};

}  // namespace orva
