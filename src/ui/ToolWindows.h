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

#include <memory>

class QWidget;

namespace orva {

class CDlgOccultationEvents;
class Station;

class ToolWindows {
public:
    // parent: the windows' parent (the main window), may be none.
    ToolWindows(Station& station, QWidget* parent);
    ~ToolWindows();
    ToolWindows(const ToolWindows&) = delete;
    ToolWindows& operator=(const ToolWindows&) = delete;

    // "Show Occultation Events...".
    CDlgOccultationEvents& ShowOccultationEvents();

private:
    Station& station_;
    QWidget* parent_;
    ProcessLauncher launcher_;
    std::unique_ptr<ObservationReport> report_;
    std::unique_ptr<PlanetariumHandoff> planetarium_;
    std::unique_ptr<OccultationDetailsModel> details_;
    std::unique_ptr<OccultationEventsModel> events_;
    std::unique_ptr<CDlgOccultationEvents> eventsWindow_;
};

}  // namespace orva
