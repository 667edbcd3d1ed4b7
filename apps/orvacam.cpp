// orvacam: the desktop station on Qt, over the same station core as orvacam-cli, with
// the simulated camera and the system's cameras listed in the Connect menu. See OrvacamOptions for the options.

#include "OrvacamOptions.h"
#include "OrvacamScript.h"
#include "StationCameraDevices.h"

#include "common/AppPaths.h"
#include "common/Log.h"
#include "common/ProgramVersion.h"
#include "common/Settings.h"
#include "common/SharedTelescopeState.h"
#include "common/SingleInstanceGuard.h"
#include "equipment/InstrumentManager.h"
#include "equipment/MountManager.h"
#include "equipment/ObserverManager.h"
#include "equipment/ObservingSiteManager.h"
#include "equipment/SetupWizardModel.h"
#include "events/OwEventReceiver.h"
#include "station/Station.h"
#include "station/WorkspaceReset.h"
#include "ui/CD2DControl.h"
#include "ui/CDlgSetupWizard.h"
#include "ui/CMainFrame.h"
#include "ui/QtUiServices.h"

#include <QApplication>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <memory>
#include <new>
#include <string_view>

namespace {

// Runs the window until it is closed; the station outlives it.
int RunStation(QApplication& app, const orva::OrvacamOptions& options) {
    using namespace orva;
    Settings& settings = Settings::Instance();
    // The Connect menu lists the simulated camera beside the system's cameras.
    // Where the mount points: the station's telescope worker writes it, the simulated
    // camera draws the sky there.
    SharedTelescopeState telescope;
    StationCameraDevices devices(options.sensorCode, options.simulatedUtcStartUnixNs, &telescope);
    QtUiServices ui;
    StationOptions stationOptions;
    stationOptions.settings = &settings;
    stationOptions.ui = &ui;
    stationOptions.devices = &devices.All();
    stationOptions.telescopeState = &telescope;
    Station station(stationOptions);
    // Without the feed (the failure is logged) events come only from Occult imports.
    station.StartEventFeed({OwEventReceiver::DefaultSocketPath(AppPaths::DataDirectory())});
    StationCameraSettings cameraSettings;
    cameraSettings.modeIndex = options.modeIndex;
    cameraSettings.exposureMs = options.exposureMs;
    station.SetCameraSettings(cameraSettings);
    // The lists outlive the window: their failures are shown while it is open.
    EquipmentManager* const lists[] = {&ObserverManager::Instance(), &ObservingSiteManager::Instance(),
                                       &InstrumentManager::Instance(), &MountManager::Instance()};
    for (EquipmentManager* list : lists) list->SetUiServices(&ui);

    CMainFrame frame(station);
    ui.SetParent(&frame);
    if (options.levels) frame.Histogram().SetLevels(options.levels->first, options.levels->second);
    if (options.zoomPercent) {
        frame.ViewOptions().SelectPreviewMode(orva::LiveViewOptionsModel::kAspectScale);
        frame.ViewOptions().EnterZoom(std::to_string(*options.zoomPercent));
    }
    if (options.probe) frame.View().SetFixedProfileCentre(options.probe);
    LogMessage("I ShowWindow");
    frame.show();
    if (options.connectAtStart) {
        const std::string link = devices.Simulated().SymbolicLink();
        QTimer::singleShot(0, &frame, [&frame, link] { frame.ConnectCamera(link); });
    }
    OrvacamScript script(frame, options);
    script.Start();
    const int result = app.exec();
    for (EquipmentManager* list : lists) list->SetUiServices(nullptr);
    return result;
}

// The first-start assistant, before the main window, when the configuration is incomplete.
// An unattended start (--camera) has nobody to answer it: it only says what is missing.
void RunSetupAssistantWhenDue(orva::Settings& settings, bool unattended) {
    using namespace orva;
    const SetupLists lists{ObserverManager::Instance(), ObservingSiteManager::Instance(), InstrumentManager::Instance(),
                           MountManager::Instance()};
    if (!SetupWizardModel::IsDue(settings, lists)) return;
    if (unattended) {
        std::fputs("orvacam: the setup is incomplete (observer, site, instrument, mount or folders); "
                   "start orvacam without --camera to complete it\n",
                   stderr);
        return;
    }
    QtUiServices ui;
    SetupWizardModel model(settings, lists, ui, AppPaths::HomeDirectory());
    CDlgSetupWizard wizard(model);
    ui.SetParent(&wizard);
    wizard.exec();
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before Qt looks for a display.
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("orvacam %s\n", orva::ProgramVersionText().c_str());
        return 0;
    }
    orva::InstallCrashHandler();
    QApplication app(argc, argv);
    // Qt set the C library's locale from the environment: numbers in files and log lines
    // keep the decimal point.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setStyle("Fusion");
    QApplication::setApplicationName("ORVA Cam Control");

    const QStringList arguments = QApplication::arguments();
    std::vector<std::string> args;
    for (qsizetype i = 1; i < arguments.size(); ++i) args.push_back(arguments[i].toStdString());
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(orva::OrvacamOptions::kUsage, stdout);
        return 0;
    }
    std::string error;
    const auto options = orva::OrvacamOptions::Parse(args, error);
    if (!options) {
        std::fprintf(stderr, "orvacam: %s\n%s", error.c_str(), orva::OrvacamOptions::kUsage);
        return 2;
    }

    // Before anything is read or written: a second station leaves the first one's files alone.
    orva::SingleInstanceGuard guard(orva::SingleInstanceGuard::DefaultDirectory());
    if (const auto state = guard.Acquire(); state == orva::SingleInstanceGuard::State::Busy) {
        std::fprintf(stderr, "orvacam: %s\n", orva::SingleInstanceGuard::kAlreadyRunning);
        // An unattended start has nobody to click a message box away.
        if (!options->connectAtStart) {
            orva::QtUiServices ui;
            ui.ShowMessage(orva::SingleInstanceGuard::kMessageTitle, orva::SingleInstanceGuard::kAlreadyRunning,
                           orva::MessageIcon::Warning);
        }
        return 3;
    } else if (state == orva::SingleInstanceGuard::State::Failed) {
        std::fprintf(stderr, "orvacam: no single-instance lock (%s); starting anyway\n", guard.Error().c_str());
    }

    orva::Settings& settings = orva::Settings::Instance();
    settings.Load();
    RunSetupAssistantWhenDue(settings, options->connectAtStart);
    // An unattended start has nobody to read the notice: the first attended one shows it.
    if (!options->connectAtStart) {
        orva::QtUiServices ui;
        orva::WorkspaceReset::RunOnce(settings, ui);
    }
    if (!settings.LogDirectory.empty()) {
        orva::AppPaths::EnsureDirectory(settings.LogDirectory);
        orva::InitLogFile(settings.LogDirectory);
    }
    settings.LogLoadWarning();
    orva::LogMessageString("I Version", orva::ProgramVersionText());
    int result = 1;
    // Running out of memory ends the program with one line in the terminal and the log,
    // not an abort; the station's destructors have closed its files on the way out.
    try {
        result = RunStation(app, *options);
    } catch (const std::bad_alloc&) {
        std::fputs("orvacam: not enough memory to go on\n", stderr);
        orva::LogMessage("E Not enough memory to go on");
    }
    if (orva::IsLogOpen()) orva::InitLogFile("");
    return result;
}
