#pragma once
// What the plate-solving window decides without its widgets: the start checks of the
// hints, the strategy for the configured solver, the file list, the texts of the step
// line, the scale hint and the messages for each result code. The view copies its
// controls in and shows what comes out; the worker (PlateSolvingWorker) does the run.
//
// Threads: GUI thread only.

#include "common/Clock.h"
#include "common/IUiServices.h"
#include "common/SettingsDialogModel.h"
#include "common/SharedTelescopeState.h"
#include "telescope/IPlateSolvingStrategy.h"
#include "telescope/PlateSolvingResult.h"
#include "telescope/PlateSolvingWorker.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orva {

class Settings;

struct PlateSolvingHints {
    std::optional<double> scale;  // arc seconds per pixel, > 0
    bool position = false;
    double rightAscensionHours = 0.0;
    double declinationDeg = 0.0;
};

// What the window's controls hold when "Start" is pressed.
struct PlateSolvingStartInput {
    bool streaming = false;  // the camera is connected and streaming
    std::string folder;      // the FITS folder of the last file-list refresh
    std::string file;        // the file list's choice; kRecordNewFile records a new one
    std::string scaleText;
    std::string raText;
    std::string decText;
};

// A run ready for the worker: its strategy with the hints set, and the file (empty:
// record a new one).
struct PlateSolvingStart {
    std::unique_ptr<IPlateSolvingStrategy> strategy;
    std::string filePath;
    bool clearPositionEdits = false;  // no position hint: the window empties both edits
};

struct PlateSolvingMessage {
    std::string title;
    std::string text;
    MessageIcon icon = MessageIcon::Error;
};

class PlateSolvingDialogModel {
public:
    static constexpr const char* kRecordNewFile = "Record new file";
    static constexpr const char* kStartErrorTitle = "Can't start plate solving";
    static constexpr const char* kOpenedLog = "I Opened Dialog 'Platesolving'";
    static constexpr const char* kFitsFolderMissingTitle = "FITS directory not found";
    static constexpr const char* kFitsFolderMissingText =
        "The FITS files directory doesn't exist or isn't configured. Please check the settings.";
    static constexpr const char* kNoTelescopeTitle = "Error";
    static constexpr const char* kNoTelescopeText = "Telescope position unavailable. Connect to telescope driver first.";
    // The position edits' texts until the observer types hints.
    static constexpr const char* kRaPlaceholder = "hh mm";
    static constexpr const char* kDecPlaceholder = "dd mm";
    // The local solver that runs solve-field; beside "astrometry.net", "ansvr" and "ASTAP".
    static constexpr const char* kSolverSolveField = SettingsDialogModel::kSolverSolveField;

    // Reads the scale and position edits; the error message when they are not valid.
    // Position edits left at "hh mm" / "dd mm", or with one of them empty, give no hint.
    static std::optional<PlateSolvingHints> ReadHints(const std::string& scaleText, const std::string& raText,
                                                      const std::string& decText, std::string& error);
    // The right ascension and declination edits for the telescope's position: "%02d %02d"
    // and the sign, degrees and minutes (the sign kept for declinations above -1).
    static std::optional<std::pair<std::string, std::string>> HintsFromTelescope(
        const SharedTelescopeState::Position& position);
    // The scale edit ("%.2f") and the note below it.
    static std::pair<std::string, std::string> ScaleHintTexts(double imageScale);
    // "Record new file", then the ".fits" and ".fit" files of the folder by name, newest first;
    // empty when the folder does not exist.
    static std::optional<std::vector<std::string>> FileList(const std::string& folder);
    // "Start": the checks in order (capture needs streaming, hints, solver), each failure
    // with its message for a "Can't start plate solving" box. strategyFor makes the
    // strategy the settings name (CreateStrategy in the station).
    using StrategyFactory = std::function<std::unique_ptr<IPlateSolvingStrategy>(std::string& error)>;
    static std::optional<PlateSolvingStart> PrepareStart(const PlateSolvingStartInput& input,
                                                         const StrategyFactory& strategyFor, std::string& error);
    // "Stop" while a run is under way, else "Start".
    static const char* ButtonText(PlateSolvingStep step) { return step == PlateSolvingStep::Idle ? "Start" : "Stop"; }
    static std::string StepText(PlateSolvingStep step, bool stopPending, const std::string& program);
    // The message box for a final code; none for 0.
    static std::optional<PlateSolvingMessage> MessageForCode(int32_t code);

    // The strategy the settings name, or empty with the message to show.
    static std::unique_ptr<IPlateSolvingStrategy> CreateStrategy(const Settings& settings, PlateSolvingResult& result,
                                                                 int imageHeight, Clock& clock, std::string& error);
    // The same for a solver named here ("astrometry.net", "ansvr", "ASTAP" or
    // kSolverSolveField) with the settings' configuration of it; solve-field is ended at
    // `solveFieldLimit`.
    static std::unique_ptr<IPlateSolvingStrategy> CreateStrategy(const Settings& settings, const std::string& program,
                                                                 PlateSolvingResult& result, int imageHeight,
                                                                 Clock& clock, Clock::Duration solveFieldLimit,
                                                                 std::string& error);
};

}  // namespace orva
