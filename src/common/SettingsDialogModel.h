#pragma once
// What the Settings dialog shows and what its OK button does, without the widgets: the
// view copies its controls into these fields and calls Ok.
//
// Threads: GUI thread only.

#include <functional>
#include <string>
#include <vector>

namespace orva {

class Settings;

class SettingsDialogModel {
public:
    static constexpr const char* kSolverAstrometryNet = "astrometry.net";
    static constexpr const char* kSolverAnsvr = "ansvr";
    static constexpr const char* kSolverAstap = "ASTAP";
    // astrometry.net's solve-field on this computer.
    static constexpr const char* kSolverSolveField = "solve-field";
    // Every solver the station has, in the order of the "Solver" list.
    static constexpr const char* kSolvers[] = {kSolverAstrometryNet, kSolverAnsvr, kSolverAstap, kSolverSolveField};
    static constexpr const char* kC2awPickerTitle = "Select the c2aw.exe program";

    explicit SettingsDialogModel(Settings& settings);

    // Fills the fields from the settings and logs the opening. A solver text the station
    // does not know is shown as it stands (and kept by OK), not replaced by the first entry.
    void Open();
    // The "Solver" list: every solver the station has, then the stored text when it is
    // none of them.
    std::vector<std::string> SolverChoices() const;
    // Shows the chosen solver's server or program in the URL field (empty for a solver
    // the station does not know).
    void SelectSolver(const std::string& solver);
    // The label in front of the URL field for the selected solver.
    std::string SolverUrlLabel() const;
    // Stores the fields, saves, and re-opens the log (and the GPS log) with the log
    // directory. False when the settings file could not be written.
    bool Ok();

    // Called after the log has been re-opened, to re-open the GPS log.
    std::function<void()> reopenGpsLog;

    std::string fitsDirectory;
    std::string serDirectory;
    std::string advDirectory;
    std::string darkFramesDirectory;
    std::string flatFramesDirectory;
    std::string reportsDirectory;
    std::string reportFileNameTemplate;
    std::string c2awExePath;
    std::string defaultDurationSec;
    bool createStatusCsvFile = false;
    bool enableAdvCompression = false;
    bool autoStartStreaming = false;
    bool gpsLogEnabled = false;
    bool performanceLogEnabled = false;
    bool timeResolution100us = false;  // the "0.1ms" radio button; else "1 ms"
    bool loggingEnabled = false;
    std::string logDirectory;
    std::string solver;  // text of the "Solver" list
    std::string solverUrl;
    std::string apiKey;
    std::string wcsinfoPath;  // solve-field's companion; empty: found on PATH

private:
    Settings& settings_;
};

}  // namespace orva
