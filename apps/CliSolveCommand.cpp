#include "CliSolveCommand.h"

#include "CliCoordinates.h"
#include "CliExit.h"
#include "CliMount.h"
#include "CliPlateSolve.h"
#include "CliSession.h"
#include "CliSignals.h"
#include "CliStation.h"

#include "common/CommandLine.h"
#include "recording/FitsReader.h"

#include <cstdio>
#include <optional>
#include <stdexcept>

namespace orva {
namespace {

constexpr const char* kCommand = "orvacam-cli solve";

struct SolveOptions {
    CliCameraSettings camera;
    CliSolveSettings solver;
    std::string file;
    bool sync = false;
    bool mount = false;
    std::string server;
    std::string device;
};

// A file the solver can read: a FITS header, read as the station reads its captures.
bool IsFitsFile(const std::string& path, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = "cannot open '" + path + "'";
        return false;
    }
    try {
        FitsReader().ReadHeader(file);
    } catch (const std::exception& e) {
        std::fclose(file);
        error = "'" + path + "' is not a FITS image: " + e.what();
        return false;
    }
    std::fclose(file);
    return true;
}

std::optional<SolveOptions> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    const auto line = CommandLine::Parse(args,
                                         {{"camera"}, {"file"}, {"strategy"}, {"scale"}, {"sync", false, false},
                                          {"indi"}, {"device"}, {"timeout"}, {"out"}, {"sim-utc"}, {"sim-pointing-error"}},
                                         0, error);
    if (!line) return std::nullopt;
    SolveOptions o;
    if (!CliPlateSolve::CameraOptions(*line, o.camera, error) || !CliPlateSolve::Options(*line, o.solver, error) ||
        !CliMount::ServerOption(*line, o.server, error)) {
        return std::nullopt;
    }
    if (const auto file = line->Value("file")) {
        if (line->Has("camera")) {
            error = "--file and --camera exclude each other";
            return std::nullopt;
        }
        if (!IsFitsFile(*file, error)) return std::nullopt;
        o.file = *file;
    }
    o.device = line->Value("device").value_or("");
    o.sync = line->Has("sync");
    o.mount = o.sync || line->Has("indi") || line->Has("device");
    return o;
}

class SolveRun {
public:
    SolveRun(const SolveOptions& options, Settings& settings)
        : o_(options),
          station_(options.camera, SimFaultPlan{}, kCommand),
          mount_(station_.Core(), settings, options.server, options.device),
          solver_(station_.Core(), options.solver) {}

    int Run();

private:
    const SolveOptions& o_;
    CliStation station_;
    CliMount mount_;
    CliPlateSolve solver_;
};

int SolveRun::Run() {
    std::string error;
    // The mount first: the simulated camera draws the sky where it points.
    if (o_.mount && (!mount_.CreateDriver(error) || !mount_.Connect(error))) return CliExit::Failure(kCommand, error);
    if (o_.file.empty() && !CliPlateSolve::StartCamera(station_, error)) return CliExit::Failure(kCommand, error);
    const SharedTelescopeState::Position pointing = mount_.Position();
    std::optional<std::pair<double, double>> hint;
    if (o_.mount && pointing.valid) hint = std::make_pair(pointing.rightAscensionHours, pointing.declinationDegrees);
    const auto solution = solver_.Solve(o_.file, hint, error);
    if (!solution) return CliExit::Failure(kCommand, error);
    solver_.Print(*solution);
    if (hint) {
        std::printf("mount: %s\n", CliCoordinates::Format(hint->first, hint->second).c_str());
        std::printf("offset: %s\n", CliPlateSolve::OffsetText(hint->first, hint->second,
                                                              solution->rightAscensionDeg / 15.0,
                                                              solution->declinationDeg).c_str());
    }
    if (o_.sync) {
        if (!mount_.Carry(TelescopeCommandKind::Sync, error, solution->rightAscensionDeg / 15.0, solution->declinationDeg)) {
            return CliExit::Failure(kCommand, error);
        }
        const SharedTelescopeState::Position p = mount_.Position();
        std::printf("synced: %s\n", CliCoordinates::Format(p.rightAscensionHours, p.declinationDegrees).c_str());
    }
    std::fflush(stdout);
    return CliExit::kDone;
}

}  // namespace

int CliSolveCommand::Run(const std::vector<std::string>& args) {
    std::string error;
    const auto options = ParseOptions(args, error);
    if (!options) return CliExit::Usage(kCommand, error);
    CliSession session;
    CliSignals::InstallStopHandler();
    SolveRun run(*options, session.GetSettings());
    return run.Run();
}

}  // namespace orva
