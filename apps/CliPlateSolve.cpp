#include "CliPlateSolve.h"

#include "CliCamerasCommand.h"
#include "CliCoordinates.h"
#include "CliSignals.h"
#include "CliStation.h"
#include "CliStationLoop.h"

#include "common/AppPaths.h"
#include "common/CommandLine.h"
#include "common/Settings.h"
#include "station/Station.h"
#include "telescope/PlateSolvingDialogModel.h"

#include <cmath>
#include <cstdio>

namespace orva {
namespace {

// Beyond the solver's own limit: the capture (its margin and frames) and the worker's
// polls, so that a solver that ends itself at the limit is reported as its failure.
constexpr std::chrono::seconds kWorkerMargin{30};

std::string Degrees(double value, const char* format) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

bool CliPlateSolve::Options(const CommandLine& line, CliSolveSettings& settings, std::string& error) {
    if (const auto strategy = line.Value("strategy")) {
        if (*strategy == "web") {
            settings.program = "astrometry.net";
        } else if (*strategy == "local") {
            settings.program = PlateSolvingDialogModel::kSolverSolveField;
        } else if (*strategy == "astap") {
            settings.program = "ASTAP";
        } else {
            error = "--strategy takes web, local or astap, not '" + *strategy + "'";
            return false;
        }
    }
    if (const auto scale = line.Value("scale")) {
        const auto value = CommandLine::ParseDecimal(*scale, 0.01, 3600.0);
        if (!value) {
            error = "--scale takes the image scale in arc seconds per pixel, 0.01..3600";
            return false;
        }
        settings.scaleHint = *value;
    }
    settings.folder = line.Value("out").value_or("");
    if (const auto timeout = line.Value("timeout")) {
        const auto seconds = CommandLine::ParseInteger(*timeout, 1, 3600);
        if (!seconds) {
            error = "--timeout takes whole seconds, 1..3600";
            return false;
        }
        settings.timeout = std::chrono::seconds(*seconds);
    }
    return true;
}

bool CliPlateSolve::CameraOptions(const CommandLine& line, CliCameraSettings& camera, std::string& error) {
    if (line.Has("camera")) {
        const auto sensor = CliCamerasCommand::CameraOption(line, error, &camera.cameraLink);
        if (!sensor) return false;
        camera.sensorCode = *sensor;
    }
    return StationCameraDevices::SimulatedUtcStartOption(line, camera.simulatedUtcStartUnixNs, error) &&
           StationCameraDevices::SimulatedPointingErrorOption(line, camera.pointingError, error);
}

bool CliPlateSolve::StartCamera(CliStation& station, std::string& error) {
    if (!station.Connect(error)) return false;
    if (!station.Core().StartStreaming()) {
        error = "the camera's stream did not start";
        return false;
    }
    return true;
}

std::string CliPlateSolve::OffsetText(double fromRaHours, double fromDecDeg, double toRaHours, double toDecDeg) {
    constexpr double d = M_PI / 180.0;
    const double c = std::sin(fromDecDeg * d) * std::sin(toDecDeg * d) +
                     std::cos(fromDecDeg * d) * std::cos(toDecDeg * d) * std::cos((toRaHours - fromRaHours) * 15.0 * d);
    const double total = std::acos(std::fmin(1.0, std::fmax(-1.0, c))) / d * 3600.0;
    const double ra = std::remainder((toRaHours - fromRaHours) * 15.0, 360.0) * 3600.0 *
                      std::cos((fromDecDeg + toDecDeg) / 2.0 * d);
    const double dec = (toDecDeg - fromDecDeg) * 3600.0;
    char text[128];
    std::snprintf(text, sizeof text, "%.1f\" (RA %+.1f\", Dec %+.1f\")", total, ra, dec);
    return text;
}

CliPlateSolve::CliPlateSolve(Station& station, CliSolveSettings settings)
    : station_(station), settings_(std::move(settings)) {}

std::optional<PlateSolution> CliPlateSolve::Solve(const std::string& file,
                                                  const std::optional<std::pair<double, double>>& hint,
                                                  std::string& error) {
    ObservingTools& tools = station_.Tools();
    PlateSolvingWorker& worker = tools.PlateSolver();
    if (!started_) {
        if (!settings_.folder.empty()) {
            if (!AppPaths::EnsureDirectory(settings_.folder)) {
                error = settings_.folder + ": the folder cannot be created";
                return std::nullopt;
            }
            station_.GetSettings().FitsDirectory = settings_.folder;  // for this run only; not written
        }
        if (!station_.UseOwnPlateSolvingCapture()) {
            error = "the plate-solving capture could not be set up";
            return std::nullopt;
        }
        tools.StartPlateSolver();
        started_ = true;
    }
    const int imageHeight = station_.Mode() != nullptr ? station_.Mode()->Height() : 0;
    auto strategy =
        settings_.program.empty()
            ? tools.CreatePlateSolvingStrategy(imageHeight, error)
            : tools.CreatePlateSolvingStrategy(settings_.program, imageHeight, settings_.timeout, error);
    if (!strategy) return std::nullopt;
    if (hint) strategy->SetPositionHint(hint->first, hint->second);
    if (settings_.scaleHint) strategy->SetScaleHint(*settings_.scaleHint);

    worker.TakeEvents();  // a run's answer is the first final code after its start
    const uint32_t before = tools.PlateSolution().Read().solutionCounter;
    const auto started = std::chrono::steady_clock::now();
    if (!worker.Start(std::move(strategy), file)) {
        error = "the plate solver is busy";
        return std::nullopt;
    }
    std::optional<int32_t> code;
    const auto answered = [&] {
        for (const PlateSolvingEvent& event : worker.TakeEvents()) {
            if (event.code != kPlateSolvingWorking) code = event.code;
        }
        return code.has_value();
    };
    const bool done = CliStationLoop::RunUntil(station_, answered, settings_.timeout + kWorkerMargin);
    solveSeconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (!done) {
        worker.RequestStop();
        // The stop takes effect at the worker's next stop point (after a poll).
        CliStationLoop::RunUntil(station_, [&] { return worker.Step() == PlateSolvingStep::Idle; },
                                 std::chrono::seconds(30));
        error = CliSignals::StopRequested()
                    ? "stopped by the user"
                    : "the solver did not answer within " + std::to_string(settings_.timeout.count()) + " s";
        return std::nullopt;
    }
    const PlateSolution solution = tools.PlateSolution().Read();
    if (*code != kPlateSolvingSolved || solution.solutionCounter == before || !solution.coordinatesValid) {
        const auto message = PlateSolvingDialogModel::MessageForCode(*code);
        const std::string status = worker.StatusText();
        error = (message ? message->title + ": " + message->text : "the solver failed (code " + std::to_string(*code) + ")") +
                (status.empty() ? "" : " (" + status + ")");
        return std::nullopt;
    }
    return solution;
}

void CliPlateSolve::Print(const PlateSolution& s) const {
    std::printf("centre: %s\n", CliCoordinates::Format(s.rightAscensionDeg / 15.0, s.declinationDeg).c_str());
    if (s.pixelScaleValid) std::printf("scale: %s\"/pixel\n", Degrees(s.pixelScaleArcsec, "%.3f").c_str());
    if (s.orientationValid) {
        std::printf("rotation: %s deg%s\n", Degrees(s.orientationDeg, "%.2f").c_str(), s.parity == 1 ? " (mirrored)" : "");
    }
    if (s.fieldSizeValid) {
        std::printf("field: %s x %s deg\n", Degrees(s.fieldWidthArcsec / 3600.0, "%.3f").c_str(),
                    Degrees(s.fieldHeightArcsec / 3600.0, "%.3f").c_str());
    }
    std::printf("solved in: %.1f s\n", solveSeconds_);
    std::fflush(stdout);
}

}  // namespace orva
