#include "station/ObservingTools.h"

#include "common/Settings.h"
#include "telescope/PlateSolvingDialogModel.h"
#include "telescope/TelescopeDriverFactory.h"

namespace orva {
namespace {

// Without a capture nothing can be recorded; the run then ends with "No FITS file", and
// existing files still solve.
class NoPlateSolvingCapture final : public IPlateSolvingCapture {
public:
    std::optional<std::string> StartCapture() override { return std::nullopt; }
    bool IsCaptureComplete(const std::string&) override { return false; }
    Clock::Duration CaptureDuration() const override { return Clock::Duration::zero(); }
};

}  // namespace

ObservingTools::ObservingTools(const Services& services)
    : settings_(services.settings),
      clock_(services.clock),
      telescopeState_(services.telescopeState ? *services.telescopeState : ownTelescopeState_),
      nextEvent_(services.events),
      ownDrivers_(services.drivers ? nullptr : std::make_unique<TelescopeDriverFactory>()),
      drivers_(services.drivers ? *services.drivers : *ownDrivers_),
      // The mount's tracking rate in degrees per second, as the telescope window reads it.
      telescope_(std::make_unique<TelescopeWorker>(drivers_, telescopeState_, clock_,
                                                   settings_.RaTrackingSpeedE5 * 0.00001)),
      guiding_(services.guiding ? *services.guiding : ownGuiding_),
      guider_(guiding_, *telescope_),
      noCapture_(std::make_unique<NoPlateSolvingCapture>()),
      plateSolver_(std::make_unique<PlateSolvingWorker>(plateSolution_, *noCapture_, clock_)),
      report_(ObservationReport::DefaultTemplatePath(), services.ui, launcher_),
      planetarium_(launcher_, clock_, services.planetariumPort) {}

ObservingTools::~ObservingTools() { Shutdown(); }

void ObservingTools::StartTelescope() { telescope_->StartThread(); }

void ObservingTools::StartPlateSolver() { plateSolver_->StartThread(); }

bool ObservingTools::SetPlateSolvingCapture(IPlateSolvingCapture* capture) {
    return plateSolver_->SetCapture(capture ? *capture : *noCapture_);
}

std::unique_ptr<IPlateSolvingStrategy> ObservingTools::CreatePlateSolvingStrategy(int imageHeight,
                                                                                  std::string& error) {
    return PlateSolvingDialogModel::CreateStrategy(settings_, plateSolution_, imageHeight, clock_, error);
}

std::unique_ptr<IPlateSolvingStrategy> ObservingTools::CreatePlateSolvingStrategy(const std::string& program,
                                                                                  int imageHeight,
                                                                                  Clock::Duration solveFieldLimit,
                                                                                  std::string& error) {
    return PlateSolvingDialogModel::CreateStrategy(settings_, program, plateSolution_, imageHeight, clock_,
                                                   solveFieldLimit, error);
}

void ObservingTools::Tick() {
    guider_.Tick();
    if (planetarium_.Busy()) planetarium_.Poll();
    launcher_.ReapExited();
}

void ObservingTools::Shutdown() {
    telescope_->Stop();
    plateSolver_->Stop();
}

}  // namespace orva
