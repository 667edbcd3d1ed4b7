#include "ui/ToolWindows.h"

#include "station/Station.h"
#include "ui/CDlgOccultationEvents.h"

namespace orva {

ToolWindows::ToolWindows(Station& station, QWidget* parent) : station_(station), parent_(parent) {}

// The windows go before the models they show.
ToolWindows::~ToolWindows() { eventsWindow_.reset(); }

CDlgOccultationEvents& ToolWindows::ShowOccultationEvents() {
    if (!eventsWindow_) {
        IUiServices& ui = station_.Ui();
        report_ = std::make_unique<ObservationReport>(ObservationReport::DefaultTemplatePath(), ui, launcher_);
        planetarium_ = std::make_unique<PlanetariumHandoff>(launcher_, station_.GetClock());
        details_ = std::make_unique<OccultationDetailsModel>(OccultationDetailsModel::Services{
            station_.Events(), ui, station_.Equipment(), station_.GetSettings(), *report_, *planetarium_, launcher_});
        events_ = std::make_unique<OccultationEventsModel>(station_.Events(), ui, *details_);
        eventsWindow_ = std::make_unique<CDlgOccultationEvents>(*events_, *details_, parent_);
    }
    eventsWindow_->show();
    eventsWindow_->raise();
    return *eventsWindow_;
}

}  // namespace orva
