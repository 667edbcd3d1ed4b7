#include "telescope/PlateSolvingDialogModel.h"

#include "common/Settings.h"
#include "telescope/PlateSolvingStrategyAstap.h"
#include "telescope/PlateSolvingStrategyAstrometryNet.h"
#include "telescope/PlateSolvingStrategySolveField.h"

#include <algorithm>
#include <functional>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace orva {

namespace {

// Two whole numbers separated by blanks; the sign of the first as written, so "-0 15" is
// negative.
std::optional<std::pair<double, bool>> ReadTwoNumbers(const std::string& text) {
    int first = 0;
    int second = 0;
    int consumed = 0;
    if (std::sscanf(text.c_str(), " %d %d%n", &first, &second, &consumed) != 2) return std::nullopt;
    const std::size_t sign = text.find_first_not_of(' ');
    const bool negative = sign != std::string::npos && text[sign] == '-';
    const double magnitude = std::abs(first) + second / 60.0;
    return std::pair{magnitude, negative};
}

}  // namespace

std::optional<PlateSolvingHints> PlateSolvingDialogModel::ReadHints(const std::string& scaleText,
                                                                    const std::string& raText,
                                                                    const std::string& decText, std::string& error) {
    PlateSolvingHints hints;
    if (!scaleText.empty()) {
        double scale = 0.0;
        if (std::sscanf(scaleText.c_str(), "%lf", &scale) != 1 || !std::isfinite(scale) || scale < 0.0 ||
            scale > 3600.0) {
            error = "Please enter a valid scale hint or leave the field empty.";
            return std::nullopt;
        }
        if (scale > 0.0) hints.scale = scale;
    }
    if (!raText.empty() && !decText.empty() && raText != "hh mm" && decText != "dd mm") {
        const auto ra = ReadTwoNumbers(raText);
        const auto dec = ReadTwoNumbers(decText);
        if (!ra || !dec || ra->second || ra->first >= 24.0 || dec->first > 90.0) {
            error = "Please enter no or valid RA and DEC hints (hh mm, dd mm)";
            return std::nullopt;
        }
        hints.position = true;
        hints.rightAscensionHours = ra->first;
        hints.declinationDeg = dec->second ? -dec->first : dec->first;
    }
    return hints;
}

std::optional<PlateSolvingStart> PlateSolvingDialogModel::PrepareStart(const PlateSolvingStartInput& input,
                                                                       const StrategyFactory& strategyFor,
                                                                       std::string& error) {
    const bool recordNew = input.file == kRecordNewFile;
    if (recordNew && !input.streaming) {
        error = "To record a new FITS file before plate solving, the camera has to be connected and streaming mode enabled.";
        return std::nullopt;
    }
    const auto hints = ReadHints(input.scaleText, input.raText, input.decText, error);
    if (!hints) return std::nullopt;
    PlateSolvingStart start;
    start.strategy = strategyFor(error);
    if (!start.strategy) return std::nullopt;
    if (hints->position) start.strategy->SetPositionHint(hints->rightAscensionHours, hints->declinationDeg);
    if (hints->scale) start.strategy->SetScaleHint(*hints->scale);
    start.clearPositionEdits = !hints->position;
    if (!recordNew) start.filePath = (std::filesystem::path(input.folder) / input.file).string();
    return start;
}

std::optional<std::pair<std::string, std::string>> PlateSolvingDialogModel::HintsFromTelescope(
    const SharedTelescopeState::Position& position) {
    if (!position.valid) return std::nullopt;
    double degrees = position.rightAscensionHours * 15.0;
    if (degrees < 0.0) degrees += 360.0;
    const double hours = degrees / 15.0;
    char ra[32];
    std::snprintf(ra, sizeof ra, "%02d %02d", static_cast<int>(hours), static_cast<int>((hours - std::floor(hours)) * 60.0));
    const double magnitude = std::fabs(position.declinationDegrees);
    const int wholeDegrees = static_cast<int>(magnitude);
    char dec[32];
    std::snprintf(dec, sizeof dec, "%c%d %02d", position.declinationDegrees < 0.0 ? '-' : '+', wholeDegrees,
                  static_cast<int>((magnitude - wholeDegrees) * 60.0));
    return std::pair{std::string(ra), std::string(dec)};
}

std::pair<std::string, std::string> PlateSolvingDialogModel::ScaleHintTexts(double imageScale) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", imageScale);
    return {text, imageScale != 0.0 ? "* Calculated value" : "* Multiply with binning factor"};
}

std::optional<std::vector<std::string>> PlateSolvingDialogModel::FileList(const std::string& folder) {
    std::error_code error;
    if (folder.empty() || !std::filesystem::is_directory(folder, error)) return std::nullopt;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.is_directory(error)) continue;
        const std::string extension = entry.path().extension().string();
        if (extension == ".fits" || extension == ".fit") names.push_back(entry.path().filename().string());
    }
    // Newest first: capture names carry their date and time.
    std::sort(names.begin(), names.end(), std::greater<>());
    names.insert(names.begin(), kRecordNewFile);
    return names;
}

std::string PlateSolvingDialogModel::StepText(PlateSolvingStep step, bool stopPending, const std::string& program) {
    if (stopPending) return "Stopping...";
    switch (step) {
        case PlateSolvingStep::LogIn: return "Step 1: Logging in...";
        case PlateSolvingStep::RecordFile: return "Step 2: Recording FITS file...";
        case PlateSolvingStep::LoadFile: return "Step 2: Loading FITS file...";
        case PlateSolvingStep::SendFile: return "Step 3: Sending FITS file to server...";
        case PlateSolvingStep::WaitForResult: return "Step 4: Waiting for the result from the server...";
        case PlateSolvingStep::Idle: break;
    }
    return "Press Start to run the " + program + " solver. Configure it in the settings.";
}

std::optional<PlateSolvingMessage> PlateSolvingDialogModel::MessageForCode(int32_t code) {
    using I = MessageIcon;
    switch (code) {
        case kPlateSolvingLoginFailed:
            return PlateSolvingMessage{"Login failed", "Please verify the URL and API key and make sure the network connection is working.", I::Error};
        case kPlateSolvingNoFitsFile:
            return PlateSolvingMessage{"No FITS file", "Timeout waiting for the FITS file. Please check that streaming is working fine and try again.", I::Error};
        case kPlateSolvingUploadFailed:
            return PlateSolvingMessage{"File upload failed", "There was a problem sending the file to the server.", I::Error};
        case kPlateSolvingSubmissionFailed:
            return PlateSolvingMessage{"Query submission status failed", "There was a problem querying the submission status from the server.", I::Error};
        case kPlateSolvingJobFailed:
            return PlateSolvingMessage{"Query job status failed", "There was a problem querying the job status from the server.", I::Error};
        case kPlateSolvingNotSolved:
            return PlateSolvingMessage{"Plate solving failed", "The server couldn't calculate the position. Please try again with a better image.", I::Warning};
        case kPlateSolvingNoCoordinates:
            return PlateSolvingMessage{"No coordinates available", "The image was successfully solved but the server didn't return RA/DEC coordinates. This may happen if ansvr is configured for JNow instead of J2000.", I::Warning};
        case kPlateSolvingCalibrationFailed:
            return PlateSolvingMessage{"Query calibration result failed", "There was a problem querying the calibration from the server.", I::Error};
        case kPlateSolvingSolved:
            return PlateSolvingMessage{"Plate solving succeeded", "Success!", I::Information};
        default:
            return std::nullopt;
    }
}

std::unique_ptr<IPlateSolvingStrategy> PlateSolvingDialogModel::CreateStrategy(const Settings& settings,
                                                                                PlateSolvingResult& result,
                                                                                int imageHeight, Clock& clock,
                                                                                std::string& error) {
    return CreateStrategy(settings, settings.PlateSolvingProgram(), result, imageHeight, clock,
                          PlateSolvingStrategySolveField::kDefaultTimeLimit, error);
}

std::unique_ptr<IPlateSolvingStrategy> PlateSolvingDialogModel::CreateStrategy(const Settings& settings,
                                                                                const std::string& program,
                                                                                PlateSolvingResult& result,
                                                                                int imageHeight, Clock& clock,
                                                                                Clock::Duration solveFieldLimit,
                                                                                std::string& error) {
    if (program == "astrometry.net") {
        if (settings.PlateSolvingAstrometryNetPath().empty()) {
            error = "The astrometry.net online solver is not configured. Please configure the solver in the Settings dialog.";
            return nullptr;
        }
        if (settings.PlateSolvingAstrometryNetApiKey().empty()) {
            error = "The astrometry.net online solver requires an API key to run, which you can define in the Settings dialog. You need to log in to your astrometry.net account and copy the key from your profile page.";
            return nullptr;
        }
        return std::make_unique<PlateSolvingStrategyAstrometryNet>(result, settings.PlateSolvingAstrometryNetPath(),
                                                                   settings.PlateSolvingAstrometryNetApiKey());
    }
    if (program == "ansvr") {
        if (settings.PlateSolvingAnsvrPath().empty()) {
            error = "The ansvr local solver is not configured. Please configure the solver in the Settings dialog.";
            return nullptr;
        }
        return std::make_unique<PlateSolvingStrategyAstrometryNet>(result, settings.PlateSolvingAnsvrPath(), "");
    }
    if (program == "ASTAP") {
        if (settings.PlateSolvingAstapPath.empty()) {
            error = "The ASTAP local solver is not configured. Please configure the solver in the Settings dialog.";
            return nullptr;
        }
        return std::make_unique<PlateSolvingStrategyAstap>(result, settings.PlateSolvingAstapPath, imageHeight, clock);
    }
    if (program == kSolverSolveField) {
        const auto programs = SolveFieldPrograms::At(settings.PlateSolvingSolveFieldPath, settings.PlateSolvingWcsinfoPath);
        return std::make_unique<PlateSolvingStrategySolveField>(result, programs, clock, solveFieldLimit);
    }
    error = "Please specify and configure a solver, e.g. astrometry.net, in the Settings dialog.";
    return nullptr;
}

}  // namespace orva
