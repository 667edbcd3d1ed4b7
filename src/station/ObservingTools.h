#pragma once
// The station's observing tools, owned in one place so that every front end (the window,
// the command line, the tests) drives the same objects and a tool goes on working while
// its window is hidden or was never made: the telescope worker with its driver factory,
// the last known telescope position, the plate-solving worker and the record of the last
// solve, the observation report, the planetarium hand-off and the launcher of the
// outside programs (report editor, planetarium).
//
// Tick is the station's 200 ms step: it runs guiding's corrections (GuidingCorrector),
// drives the planetarium hand-off to its answer and collects the outside programs that
// have ended, whether or not a window is shown.
// The solver programs are collected by the plate-solving worker's strategies.
//
// Threads: built, ticked and shut down on the station's thread. The telescope and
// plate-solving workers run threads of their own (see TelescopeWorker,
// PlateSolvingWorker); the telescope position and the solve record may be read from any
// thread.

#include "common/Clock.h"
#include "common/SharedTelescopeState.h"
#include "events/ObservationReport.h"
#include "events/PlanetariumHandoff.h"
#include "events/ProcessLauncher.h"
#include "station/EventStoreNextEvent.h"
#include "telescope/IPlateSolvingCapture.h"
#include "processing/GuidingService.h"
#include "telescope/GuidingCorrector.h"
#include "telescope/ITelescopeDriver.h"
#include "telescope/PlateSolvingResult.h"
#include "telescope/PlateSolvingWorker.h"
#include "telescope/TelescopeWorker.h"

#include <memory>
#include <string>

namespace orva {

class IUiServices;
class OwEventManager;
class Settings;

class ObservingTools {
public:
    struct Services {
        Settings& settings;
        IUiServices& ui;
        Clock& clock;
        OwEventManager& events;
        // The mounts the telescope worker may drive; none: those of an INDI server.
        ITelescopeDriverFactory* drivers = nullptr;
        // Where the mount points; none: the tools' own.
        SharedTelescopeState* telescopeState = nullptr;
        // Where the planetarium listens (tests use a port of their own).
        uint16_t planetariumPort = PlanetariumHandoff::kDefaultPort;
        // The guiding record the frame path measures into; none: the tools' own.
        GuidingService* guiding = nullptr;
    };

    explicit ObservingTools(const Services& services);
    // Stops the workers (see Shutdown).
    ~ObservingTools();
    ObservingTools(const ObservingTools&) = delete;
    ObservingTools& operator=(const ObservingTools&) = delete;

    SharedTelescopeState& TelescopeState() { return telescopeState_; }
    PlateSolvingResult& PlateSolution() { return plateSolution_; }
    INextEventSource& NextEvent() { return nextEvent_; }

    // The one telescope worker. Its thread runs from StartTelescope until Shutdown.
    TelescopeWorker& Telescope() { return *telescope_; }
    // Starts the telescope worker's thread; later calls do nothing.
    void StartTelescope();

    GuidingService& Guiding() { return guiding_; }
    // Sends guiding's corrections to the telescope worker's mount on every Tick.
    GuidingCorrector& Guider() { return guider_; }

    // The one plate-solving worker. Its thread runs from StartPlateSolver until Shutdown.
    PlateSolvingWorker& PlateSolver() { return *plateSolver_; }
    void StartPlateSolver();
    // The single FITS capture plate solving records new frames with (the front end's or
    // the station's); none: only existing files solve (a run wanting a new frame ends with
    // "No FITS file"). Only before StartPlateSolver or after Shutdown; false otherwise.
    bool SetPlateSolvingCapture(IPlateSolvingCapture* capture);
    // The strategy the settings name for an image of this height, or none with the reason.
    std::unique_ptr<IPlateSolvingStrategy> CreatePlateSolvingStrategy(int imageHeight, std::string& error);
    // The same for a solver named here (see PlateSolvingDialogModel::CreateStrategy), with
    // solve-field ended at `solveFieldLimit`.
    std::unique_ptr<IPlateSolvingStrategy> CreatePlateSolvingStrategy(const std::string& program, int imageHeight,
                                                                      Clock::Duration solveFieldLimit,
                                                                      std::string& error);

    ObservationReport& Report() { return report_; }
    PlanetariumHandoff& Planetarium() { return planetarium_; }
    ProcessLauncher& Launcher() { return launcher_; }

    void Tick();
    // Stops and joins the telescope and plate-solving workers (the mount's driver goes
    // with its thread). Safe to call twice.
    void Shutdown();

private:
    Settings& settings_;
    Clock& clock_;
    SharedTelescopeState ownTelescopeState_;
    SharedTelescopeState& telescopeState_;
    PlateSolvingResult plateSolution_;
    EventStoreNextEvent nextEvent_;
    std::unique_ptr<ITelescopeDriverFactory> ownDrivers_;
    ITelescopeDriverFactory& drivers_;
    std::unique_ptr<TelescopeWorker> telescope_;
    GuidingService ownGuiding_;
    GuidingService& guiding_;
    GuidingCorrector guider_;
    std::unique_ptr<IPlateSolvingCapture> noCapture_;
    std::unique_ptr<PlateSolvingWorker> plateSolver_;
    ProcessLauncher launcher_;
    ObservationReport report_;
    PlanetariumHandoff planetarium_;
};

}  // namespace orva
