#pragma once
// What the Settings dialog shows and what its OK button does, without the widgets: the
// view copies its controls into these fields and calls Ok.
//
// Threads: GUI thread only.

#include <functional>
#include <string>

namespace orva {

class Settings;

class SettingsDialogModel {
public:
    static constexpr const char* kSolverAstrometryNet = "astrometry.net";
    static constexpr const char* kSolverAnsvr = "ansvr";
    static constexpr const char* kSolverAstap = "ASTAP";
    static constexpr const char* kC2awPickerTitle = "Select the c2aw.exe program";

    explicit SettingsDialogModel(Settings& settings);

    // Fills the fields from the settings and logs the opening.
    void Open();
    // Shows the chosen solver's server or program in the URL field.
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

private:
    Settings& settings_;
};

}  // namespace orva
