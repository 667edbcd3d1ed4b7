#include "CliGuideCommand.h"

#include "CliCamerasCommand.h"
#include "CliExit.h"
#include "CliMount.h"
#include "CliSession.h"
#include "CliSignals.h"
#include "CliStation.h"
#include "CliStationLock.h"

#include "common/CommandLine.h"
#include "common/Settings.h"
#include "processing/BrightestStar.h"
#include "processing/GuidingService.h"
#include "telescope/GuidingCorrector.h"
#include "telescope/GuidingDirections.h"

#include <chrono>
#include <cstdio>
#include <optional>

namespace orva {
namespace {

constexpr const char* kCommand = "orvacam-cli guide";
// A picture takes a frame or two; a stream that gives none in this time is broken.
constexpr std::chrono::seconds kPictureLimit{20};

int UsageError(const std::string& message) { return CliExit::Usage(kCommand, message); }
int Failure(const std::string& message) { return CliExit::Failure(kCommand, message); }

struct GuideOptions {
    CliCameraSettings camera;
    int64_t seconds = 0;
    std::string server;  // empty: the settings' server, else CliMount::kDefaultServer
    std::optional<int32_t> radius;
};

std::optional<GuideOptions> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    const auto line = CommandLine::Parse(args, {{"seconds"}, {"indi"}, {"radius"}, {"camera"}, {"sim-utc"}}, 0, error);
    if (!line) return std::nullopt;
    GuideOptions o;
    if (!line->Has("seconds")) {
        error = "option '--seconds' is required";
        return std::nullopt;
    }
    const auto seconds = CommandLine::ParseInteger(*line->Value("seconds"), 1, 86400);
    if (!seconds) {
        error = "--seconds takes whole seconds, 1..86400";
        return std::nullopt;
    }
    o.seconds = *seconds;
    if (!CliMount::ServerOption(*line, o.server, error)) return std::nullopt;
    if (const auto radius = line->Value("radius")) {
        const auto pixels = CommandLine::ParseInteger(*radius, 4, 256);
        if (!pixels) {
            error = "--radius takes whole pixels, 4..256";
            return std::nullopt;
        }
        o.radius = static_cast<int32_t>(*pixels);
    }
    if (line->Has("camera")) {
        const auto sensor = CliCamerasCommand::CameraOption(*line, error, &o.camera.cameraLink);
        if (!sensor) return std::nullopt;
        o.camera.sensorCode = *sensor;
    }
    if (!StationCameraDevices::SimulatedUtcStartOption(*line, o.camera.simulatedUtcStartUnixNs, error)) {
        return std::nullopt;
    }
    return o;
}

const char* DirectionName(const GuidingPulse& p) {
    if (p.axis == 0) return p.direction > 0 ? "east" : "west";
    return p.direction > 0 ? "north" : "south";
}

class GuideRun {
public:
    GuideRun(const GuideOptions& options, Settings& settings)
        : o_(options),
          settings_(settings),
          station_(options.camera, SimFaultPlan{}, kCommand),
          mount_(station_.Core(), settings, options.server, ""),
          guiding_(station_.Core().Tools().Guiding()),
          guider_(station_.Core().Tools().Guider()) {}
    ~GuideRun() {
        guiding_.active = false;
        guider_.SetPulseListener(nullptr);
    }
    GuideRun(const GuideRun&) = delete;
    GuideRun& operator=(const GuideRun&) = delete;

    int Run();

private:
    int ConnectMount();
    // The next picture of the stream; none when the stream gives none in time.
    std::optional<FramePicture> NextPicture();

    const GuideOptions& o_;
    Settings& settings_;
    CliStation station_;
    CliMount mount_;
    GuidingService& guiding_;
    GuidingCorrector& guider_;
};

int GuideRun::ConnectMount() {
    std::string error;
    if (!mount_.CreateDriver(error) || !mount_.Connect(error)) return Failure(error);
    // Guiding corrects a tracking mount; one that does not track runs away from the star.
    if (!mount_.Worker().Tracking() && !mount_.Carry(TelescopeCommandKind::StartTracking, error)) {
        return Failure(error);
    }
    return CliExit::kDone;
}

std::optional<FramePicture> GuideRun::NextPicture() {
    Station& station = station_.Core();
    station.RequestPicture();
    std::optional<FramePicture> picture;
    mount_.StepUntil([&] { return (picture = station.TakePicture()).has_value(); }, kPictureLimit);
    return picture;
}

int GuideRun::Run() {
    if (const int result = ConnectMount(); result != CliExit::kDone) return result;
    std::string error;
    if (!station_.Connect(error)) return Failure(error);
    if (!station_.Core().StartStreaming()) return Failure("the camera's stream did not start");

    const int32_t radius = o_.radius.value_or(settings_.GuidingTrackingRadius > 0 ? settings_.GuidingTrackingRadius
                                                                                   : GuidingService::kDefaultRadius);
    const auto picture = NextPicture();
    if (!picture) {
        return Failure(CliSignals::StopRequested() ? "stopped by the user" : "the camera sends no picture");
    }
    const auto star = BrightestStar::Find(picture->pixels.data(), picture->width, picture->height, radius);
    if (!star) {
        return Failure("no star found in the picture (a star's box of " + std::to_string(2 * radius) + " x " +
                       std::to_string(2 * radius) + " pixels must fit the picture)");
    }

    // As the live view's click and the guiding window's "Start" set the record.
    guiding_.active = false;
    guiding_.radius = radius;
    GuidingDirections::FromSetting(settings_.GuidingDirections).ApplyTo(guiding_);
    guiding_.SetTarget(star->column, star->row);
    // Two more frames: the frame path has measured the star in its box before the first look.
    if (!NextPicture() || !NextPicture()) return Failure("the camera sends no picture");

    std::printf("guiding on the star at %d / %d, box %d x %d, for %lld s\n", star->column, star->row, 2 * radius,
                2 * radius, static_cast<long long>(o_.seconds));
    std::fflush(stdout);
    int corrections = 0;
    guider_.SetPulseListener([&corrections](const GuidingPulse& p) {
        ++corrections;
        std::printf("correction: %s %s %d ms\n", p.axis == 0 ? "RA" : "DEC", DirectionName(p), p.milliseconds);
        std::fflush(stdout);
    });
    guiding_.active = true;
    TelescopeWorker& worker = mount_.Worker();
    std::string problem;
    mount_.StepUntil(
        [&] {
            if (const auto message = worker.TakeMessage()) problem = message->text;
            else if (!worker.Connected()) problem = "the mount is no longer connected";
            return !problem.empty() || !guiding_.active.load();
        },
        std::chrono::seconds(o_.seconds));
    const bool lost = problem.empty() && !guiding_.active.load();
    guiding_.active = false;
    guider_.SetPulseListener(nullptr);
    if (!problem.empty()) return Failure(problem);
    if (lost) return Failure("the star left its guiding box; guiding stopped");
    std::printf("%s after %d corrections\n", CliSignals::StopRequested() ? "stopped by the user" : "guided",
                corrections);
    return CliExit::kDone;
}

}  // namespace

int CliGuideCommand::Run(const std::vector<std::string>& args) {
    std::string error;
    const auto options = ParseOptions(args, error);
    if (!options) return UsageError(error);
    // It drives the camera.
    CliStationLock lock(kCommand);
    if (!lock.Take()) return CliExit::kStationBusy;
    CliSession session;
    CliSignals::InstallStopHandler();
    GuideRun run(*options, session.GetSettings());
    return run.Run();
}

}  // namespace orva
