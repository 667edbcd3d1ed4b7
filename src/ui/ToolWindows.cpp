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

// Without the main window's capture nothing can be recorded; the run then ends with
// "No FITS file", and existing files still solve.
class NoPlateSolvingCapture final : public IPlateSolvingCapture {
public:
    std::optional<std::string> StartCapture() override { return std::nullopt; }
    bool IsCaptureComplete(const std::string&) override { return false; }
    Clock::Duration CaptureDuration() const override { return Clock::Duration::zero(); }
};

template <class Window>
Window& Raise(Window& window) {
    window.show();
    window.raise();
    return window;
}

}  // namespace

ToolWindows::ToolWindows(Station& station, QWidget* parent, IPlateSolvingCapture* capture)
    : station_(station),
      parent_(parent),
      noCapture_(capture ? nullptr : std::make_unique<NoPlateSolvingCapture>()),
      capture_(capture ? *capture : *noCapture_) {}

// The windows go before the models and the worker they show.
ToolWindows::~ToolWindows() {
    guidingWindow_.reset();
    telescopeWindow_.reset();
    telescope_.reset();  // joins the telescope worker
    eventsWindow_.reset();
    plateSolvingWindow_.reset();
    plateSolver_.reset();
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
        report_ = std::make_unique<ObservationReport>(ObservationReport::DefaultTemplatePath(), ui, launcher_);
        planetarium_ = std::make_unique<PlanetariumHandoff>(launcher_, station_.GetClock());
        details_ = std::make_unique<OccultationDetailsModel>(OccultationDetailsModel::Services{
            station_.Events(), ui, station_.Equipment(), station_.GetSettings(), *report_, *planetarium_, launcher_});
        events_ = std::make_unique<OccultationEventsModel>(station_.Events(), ui, *details_);
        const OccultationDialogServices dialogs{station_.Events(), ui, station_.Equipment()};
        eventsWindow_ = std::make_unique<CDlgOccultationEvents>(*events_, *details_, dialogs, parent_);
    }
    return Raise(*eventsWindow_);
}

CDlgPlatesolving& ToolWindows::ShowPlateSolving() {
    if (!plateSolvingWindow_) {
        PlateSolvingResult& result = PlateSolvingResult::Instance();
        plateSolver_ = std::make_unique<PlateSolvingWorker>(result, capture_, station_.GetClock());
        Station& station = station_;
        CDlgPlatesolving::Services services{
            station.GetSettings(),
            station.Ui(),
            *plateSolver_,
            SharedTelescopeState::Instance(),
            [&station] { return station.IsConnected() && station.IsStreaming(); },
            [&station, &result](std::string& error) {
                const int height = station.Mode() ? station.Mode()->Height() : 0;
                return PlateSolvingDialogModel::CreateStrategy(station.GetSettings(), result, height,
                                                               station.GetClock(), error);
            }};
        plateSolvingWindow_ = std::make_unique<CDlgPlatesolving>(std::move(services), parent_);
        plateSolver_->StartThread();
    }
    return Raise(*plateSolvingWindow_);
}

CDlgTelescope& ToolWindows::ShowTelescope() {
    if (!telescopeWindow_) {
        nextEvent_ = std::make_unique<EventStoreNextEvent>(station_.Events());
        telescope_ = std::make_unique<TelescopeDialogModel>(TelescopeDialogModel::Services{
            station_.GetSettings(), station_.Ui(), PlateSolvingResult::Instance(), nextEvent_.get(),
            station_.Guiding(), drivers_, SharedTelescopeState::Instance(), station_.GetClock()});
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
        satConfig_ = std::make_unique<SatConfigDialogModel>(station_.Manager(), station_.GetSettings(),
                                                            station_.GetClock());
        satConfig_->formatFrameTime = [](const CameraStatus& s) {
            const auto& t = s.frameStartTime;
            return FormatOverlayTime(CalendarTime{t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7]});
        };
        gnssSelection_ = std::make_unique<GnssSelectionDialogModel>(station_.Manager(), station_.Ui(),
                                                                    station_.GetClock());
        satConfigWindow_ = std::make_unique<CDlgSatConfig>(*satConfig_, *gnssSelection_, parent_);
    }
    satConfigWindow_->Open();
    return *satConfigWindow_;
}

}  // namespace orva
