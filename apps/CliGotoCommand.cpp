#include "CliGotoCommand.h"

#include "CliCoordinates.h"
#include "CliExit.h"
#include "CliMount.h"
#include "CliPlateSolve.h"
#include "CliSession.h"
#include "CliSignals.h"
#include "CliStation.h"

#include "common/CommandLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

namespace orva {
namespace {

constexpr const char* kCommand = "orvacam-cli goto";

struct GotoOptions {
    double raHours = 0.0;
    double decDegrees = 0.0;
    bool center = false;
    double toleranceArcsec = CliGotoCommand::kDefaultToleranceArcsec;
    CliCameraSettings camera;
    CliSolveSettings solver;
    std::string server;
    std::string device;
};

std::optional<GotoOptions> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    const auto line = CommandLine::Parse(args,
                                         {{"center", false, false}, {"tolerance"}, {"camera"}, {"strategy"}, {"scale"},
                                          {"indi"}, {"device"}, {"timeout"}, {"out"}, {"sim-utc"}, {"sim-pointing-error"}},
                                         2, error);
    if (!line) return std::nullopt;
    const auto& words = line->Operands();
    if (words.size() != 2) {
        error = "goto takes RA (hours, hh:mm:ss or decimal) and DEC (degrees, +dd:mm:ss or decimal)";
        return std::nullopt;
    }
    const auto ra = CliCoordinates::ParseRightAscensionHours(words[0]);
    const auto dec = CliCoordinates::ParseDeclinationDegrees(words[1]);
    if (!ra) {
        error = "RA '" + words[0] + "' is not hh:mm:ss or decimal hours below 24";
        return std::nullopt;
    }
    if (!dec) {
        error = "DEC '" + words[1] + "' is not +dd:mm:ss or decimal degrees within -90..+90";
        return std::nullopt;
    }
    GotoOptions o;
    o.raHours = *ra;
    o.decDegrees = *dec;
    o.center = line->Has("center");
    if (const auto tolerance = line->Value("tolerance")) {
        const auto value = CommandLine::ParseDecimal(*tolerance, 1.0, 3600.0);
        if (!value) {
            error = "--tolerance takes arc seconds, 1..3600";
            return std::nullopt;
        }
        o.toleranceArcsec = *value;
    }
    if (!CliPlateSolve::CameraOptions(*line, o.camera, error) || !CliPlateSolve::Options(*line, o.solver, error) ||
        !CliMount::ServerOption(*line, o.server, error)) {
        return std::nullopt;
    }
    o.device = line->Value("device").value_or("");
    return o;
}

class GotoRun {
public:
    GotoRun(const GotoOptions& options, Settings& settings)
        : o_(options),
          station_(options.camera, SimFaultPlan{}, kCommand),
          mount_(station_.Core(), settings, options.server, options.device),
          solver_(station_.Core(), options.solver) {}

    int Run();

private:
    int Center();

    const GotoOptions& o_;
    CliStation station_;
    CliMount mount_;
    CliPlateSolve solver_;
};

int GotoRun::Center() {
    std::string error;
    if (!CliPlateSolve::StartCamera(station_, error)) return CliExit::Failure(kCommand, error);
    double aimRa = o_.raHours;
    double aimDec = o_.decDegrees;
    for (int attempt = 1; attempt <= CliGotoCommand::kTries; ++attempt) {
        if (!mount_.Slew(aimRa, aimDec, CliMount::kDefaultSlewLimit, error)) return CliExit::Failure(kCommand, error);
        const SharedTelescopeState::Position at = mount_.Position();
        const auto solution =
            solver_.Solve({}, std::make_pair(at.rightAscensionHours, at.declinationDegrees), error);
        if (!solution) return CliExit::Failure(kCommand, "try " + std::to_string(attempt) + ": " + error);
        if (solution->pixelScaleValid) solver_.KeepScale(solution->pixelScaleArcsec);
        const double solvedRa = solution->rightAscensionDeg / 15.0;
        const double solvedDec = solution->declinationDeg;
        const double off = CliMount::ArcsecApart(solvedRa, solvedDec, o_.raHours, o_.decDegrees);
        std::printf("try %d centre: %s\n", attempt, CliCoordinates::Format(solvedRa, solvedDec).c_str());
        std::printf("try %d offset: %s\n", attempt,
                    CliPlateSolve::OffsetText(o_.raHours, o_.decDegrees, solvedRa, solvedDec).c_str());
        std::fflush(stdout);
        if (off <= o_.toleranceArcsec) {
            std::printf("centred: within %.1f\" after %d %s\n", o_.toleranceArcsec, attempt,
                        attempt == 1 ? "try" : "tries");
            std::fflush(stdout);
            return CliExit::kDone;
        }
        // The mount lands where it believes the aim is; the picture shows where it truly
        // points. Aiming the mount's own position plus the missing offset puts the picture
        // on the target.
        aimRa = std::fmod(at.rightAscensionHours + std::remainder((o_.raHours - solvedRa) * 15.0, 360.0) / 15.0 + 24.0,
                          24.0);
        aimDec = std::clamp(at.declinationDegrees + (o_.decDegrees - solvedDec), -90.0, 90.0);
    }
    return CliExit::Failure(kCommand, "the target is not within " + std::to_string(std::lround(o_.toleranceArcsec)) +
                                          "\" after " + std::to_string(CliGotoCommand::kTries) + " tries");
}

int GotoRun::Run() {
    std::string error;
    if (!mount_.CreateDriver(error) || !mount_.Connect(error)) return CliExit::Failure(kCommand, error);
    if (o_.center) return Center();
    if (!mount_.Slew(o_.raHours, o_.decDegrees, CliMount::kDefaultSlewLimit, error)) {
        return CliExit::Failure(kCommand, error);
    }
    const SharedTelescopeState::Position p = mount_.Position();
    std::printf("arrived: %s\n", CliCoordinates::Format(p.rightAscensionHours, p.declinationDegrees).c_str());
    std::fflush(stdout);
    return CliExit::kDone;
}

}  // namespace

int CliGotoCommand::Run(const std::vector<std::string>& args) {
    std::string error;
    const auto options = ParseOptions(args, error);
    if (!options) return CliExit::Usage(kCommand, error);
    CliSession session;
    CliSignals::InstallStopHandler();
    GotoRun run(*options, session.GetSettings());
    return run.Run();
}

}  // namespace orva
