#pragma once
// What the plate-solving window decides without its widgets: the start checks of the
// hints, the strategy for the configured solver, the file list, the texts of the step
// line, the scale hint and the messages for each result code. The view copies its
// controls in and shows what comes out; the worker (PlateSolvingWorker) does the run.
//
// Threads: GUI thread only.

#include "common/Clock.h"
#include "common/IUiServices.h"
#include "common/SharedTelescopeState.h"
#include "telescope/IPlateSolvingStrategy.h"
#include "telescope/PlateSolvingResult.h"
#include "telescope/PlateSolvingWorker.h"

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

struct PlateSolvingMessage {
    std::string title;
    std::string text;
    MessageIcon icon = MessageIcon::Error;
};

class PlateSolvingDialogModel {
public:
    static constexpr const char* kRecordNewFile = "Record new file";
    static constexpr const char* kStartErrorTitle = "Can't start plate solving";
    // The local solver that runs solve-field; beside "astrometry.net", "ansvr" and "ASTAP".
    static constexpr const char* kSolverSolveField = "solve-field";

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
    // "Record new file", then the ".fits" and ".fit" files of the folder sorted by name;
    // empty when the folder does not exist.
    static std::optional<std::vector<std::string>> FileList(const std::string& folder);
    static std::string StepText(PlateSolvingStep step, bool stopPending, const std::string& program);
    // The message box for a final code; none for 0.
    static std::optional<PlateSolvingMessage> MessageForCode(int32_t code);

    // The strategy the settings name, or empty with the message to show.
    static std::unique_ptr<IPlateSolvingStrategy> CreateStrategy(const Settings& settings, PlateSolvingResult& result,
                                                                 int imageHeight, Clock& clock, std::string& error);
};

}  // namespace orva
