#include "ui/ToolWindows.h"

#include "processing/OverlayText.h"
#include "station/Station.h"
#include "ui/CDlgOccultationEvents.h"
#include "ui/CDlgGuiding.h"
#include "ui/CDlgPlatesolving.h"
#include "ui/CDlgSatConfig.h"
#include "ui/CDlgTelescope.h"

#include <initializer_list>

namespace orva {
namespace {

template <class Window>
Window& Raise(Window& window) {
    window.show();
    window.raise();
    return window;
}

}  // namespace

ToolWindows::ToolWindows(Station& station, QWidget* parent) : station_(station), parent_(parent) {}

// The windows go before the models they show; the workers are the station's and go on.
ToolWindows::~ToolWindows() {
    guidingWindow_.reset();
    telescopeWindow_.reset();
    telescope_.reset();
    eventsWindow_.reset();
    plateSolvingWindow_.reset();
}

void ToolWindows::HideAll() {
    for (QWidget* window : std::initializer_list<QWidget*>{eventsWindow_.get(), plateSolvingWindow_.get(),
                                                           telescopeWindow_.get(), guidingWindow_.get(),
                                                           satConfigWindow_.get()}) {
        if (window != nullptr) window->hide();
    }
}

CDlgOccultationEvents& ToolWindows::ShowOccultationEvents() {
    if (!eventsWindow_) {
        IUiServices& ui = station_.Ui();
        ObservingTools& tools = station_.Tools();
        details_ = std::make_unique<OccultationDetailsModel>(
            OccultationDetailsModel::Services{station_.Events(), ui, station_.Equipment(), station_.GetSettings(),
                                              tools.Report(), tools.Planetarium(), tools.Launcher()});
        events_ = std::make_unique<OccultationEventsModel>(station_.Events(), ui, *details_);
        const OccultationDialogServices dialogs{station_.Events(), ui, station_.Equipment()};
        eventsWindow_ = std::make_unique<CDlgOccultationEvents>(*events_, *details_, dialogs, parent_);
    }
    return Raise(*eventsWindow_);
}

CDlgPlatesolving& ToolWindows::ShowPlateSolving() {
    if (!plateSolvingWindow_) {
        Station& station = station_;
        ObservingTools& tools = station.Tools();
        CDlgPlatesolving::Services services{
            station.GetSettings(),
            station.Ui(),
            tools.PlateSolver(),
            tools.TelescopeState(),
            [&station] { return station.IsConnected() && station.IsStreaming(); },
            [&station](std::string& error) {
                const int height = station.Mode() ? station.Mode()->Height() : 0;
                return station.Tools().CreatePlateSolvingStrategy(height, error);
            },
            [&station] { return station.GetImageScale(); }};
        plateSolvingWindow_ = std::make_unique<CDlgPlatesolving>(std::move(services), parent_);
        tools.StartPlateSolver();
    }
    return Raise(*plateSolvingWindow_);
}

CDlgTelescope& ToolWindows::ShowTelescope() {
    if (!telescopeWindow_) {
        ObservingTools& tools = station_.Tools();
        telescope_ = std::make_unique<TelescopeDialogModel>(TelescopeDialogModel::Services{
            station_.GetSettings(), station_.Ui(), tools.PlateSolution(), &tools.NextEvent(), tools.Telescope(),
            tools.TelescopeState(), station_.GetClock()});
        telescopeWindow_ = std::make_unique<CDlgTelescope>(*telescope_, parent_);
    }
    return Raise(*telescopeWindow_);
}

CDlgGuiding& ToolWindows::ShowGuiding() {
    if (!guidingWindow_) {
        guiding_ = std::make_unique<GuidingDialogModel>(station_.GetSettings(), station_.Guiding());
        guidingWindow_ = std::make_unique<CDlgGuiding>(*guiding_, parent_);
    }
    return Raise(*guidingWindow_);
}

CDlgSatConfig& ToolWindows::ShowSatConfig() {
    if (!satConfigWindow_) {
        satConfig_ = station_.MakeSatConfigDialog();
        satConfig_->formatFrameTime = [](const CameraStatus& s) {
            const auto& t = s.frameStartTime;
            return FormatOverlayTime(CalendarTime{t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7]});
        };
        gnssSelection_ = station_.MakeGnssSelectionDialog();
        satConfigWindow_ = std::make_unique<CDlgSatConfig>(*satConfig_, *gnssSelection_, parent_);
    }
    satConfigWindow_->Open();
    return *satConfigWindow_;
}

}  // namespace orva
