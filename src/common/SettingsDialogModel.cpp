#include "common/SettingsDialogModel.h"

#include "common/Log.h"
#include "common/Settings.h"

#include <algorithm>
#include <iterator>

namespace orva {

SettingsDialogModel::SettingsDialogModel(Settings& settings) : settings_(settings) {}

void SettingsDialogModel::Open() {
    LogMessage("I Opened Dialog 'Settings'");
    fitsDirectory = settings_.FitsDirectory;
    serDirectory = settings_.SerDirectory;
    advDirectory = settings_.AdvDirectory;
    darkFramesDirectory = settings_.DarkFramesDirectory;
    flatFramesDirectory = settings_.FlatFramesDirectory;
    reportsDirectory = settings_.ReportsDirectory;
    reportFileNameTemplate = settings_.ReportFileNameTemplate;
    c2awExePath = settings_.C2awExePath;
    defaultDurationSec = settings_.RecordingWithOptionsDefaultDurationSec;
    createStatusCsvFile = settings_.CreateStatusCsvFile.IsOn();
    enableAdvCompression = settings_.EnableAdvCompression.IsOn();
    autoStartStreaming = settings_.AutoStartStreaming.IsOn();
    gpsLogEnabled = settings_.GpsLogEnabled.IsOn();
    performanceLogEnabled = settings_.PerformanceLogEnabled.IsOn();
    timeResolution100us = settings_.UseTimeResolution100us == 1;
    loggingEnabled = !settings_.LogDirectory.empty();
    logDirectory = settings_.LogDirectory;
    apiKey = settings_.PlateSolvingAstrometryNetApiKey();
    wcsinfoPath = settings_.PlateSolvingWcsinfoPath;
    // With none chosen yet the list shows its first entry.
    const std::string& program = settings_.PlateSolvingProgram();
    SelectSolver(program.empty() ? kSolverAstrometryNet : program);
}

std::vector<std::string> SettingsDialogModel::SolverChoices() const {
    std::vector<std::string> choices(std::begin(kSolvers), std::end(kSolvers));
    const std::string& stored = settings_.PlateSolvingProgram();
    if (!stored.empty() && std::find(choices.begin(), choices.end(), stored) == choices.end()) {
        choices.push_back(stored);
    }
    return choices;
}

void SettingsDialogModel::SelectSolver(const std::string& text) {
    solver = text;
    if (solver == kSolverAstrometryNet) {
        solverUrl = settings_.PlateSolvingAstrometryNetPath();
    } else if (solver == kSolverAnsvr) {
        solverUrl = settings_.PlateSolvingAnsvrPath();
    } else if (solver == kSolverAstap) {
        solverUrl = settings_.PlateSolvingAstapPath;
    } else if (solver == kSolverSolveField) {
        solverUrl = settings_.PlateSolvingSolveFieldPath;
    } else {
        solverUrl.clear();
    }
}

std::string SettingsDialogModel::SolverUrlLabel() const {
    if (solver == kSolverAnsvr) return "Host";
    if (solver == kSolverAstap || solver == kSolverSolveField) return "Path";
    return "URL";
}

bool SettingsDialogModel::Ok() {
    settings_.FitsDirectory = fitsDirectory;
    settings_.SerDirectory = serDirectory;
    settings_.AdvDirectory = advDirectory;
    settings_.DarkFramesDirectory = darkFramesDirectory;
    settings_.FlatFramesDirectory = flatFramesDirectory;
    settings_.ReportsDirectory = reportsDirectory;
    settings_.ReportFileNameTemplate = reportFileNameTemplate;
    settings_.C2awExePath = c2awExePath;
    settings_.RecordingWithOptionsDefaultDurationSec = defaultDurationSec;
    settings_.CreateStatusCsvFile.Set(createStatusCsvFile);
    settings_.EnableAdvCompression.Set(enableAdvCompression);
    settings_.AutoStartStreaming.Set(autoStartStreaming);
    settings_.GpsLogEnabled.Set(gpsLogEnabled);
    settings_.PerformanceLogEnabled.Set(performanceLogEnabled);
    settings_.UseTimeResolution100us = timeResolution100us ? 1 : 0;
    settings_.LogDirectory = loggingEnabled ? logDirectory : std::string();

    if (solver == kSolverAstrometryNet) {
        settings_.PlateSolvingProgram(solver);
        settings_.PlateSolvingAstrometryNetPath(solverUrl);
    } else if (solver == kSolverAnsvr) {
        settings_.PlateSolvingProgram(solver);
        settings_.PlateSolvingAnsvrPath(solverUrl);
    } else if (solver == kSolverAstap) {
        settings_.PlateSolvingProgram(solver);
        settings_.PlateSolvingAstapPath = solverUrl;
    } else if (solver == kSolverSolveField) {
        settings_.PlateSolvingProgram(solver);
        settings_.PlateSolvingSolveFieldPath = solverUrl;
    } else {
        LogMessageString("E unknown solver:", solver);
    }
    settings_.PlateSolvingAstrometryNetApiKey(apiKey);
    settings_.PlateSolvingWcsinfoPath = wcsinfoPath;

    const bool saved = settings_.Save();
    // Re-open even when the log was off, so that enabling logging takes effect now.
    InitLogFile("");
    InitLogFile(settings_.LogDirectory);
    if (reopenGpsLog) reopenGpsLog();
    return saved;
}

}  // namespace orva
