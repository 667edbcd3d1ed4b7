#include "CliRecordCommand.h"

#include "CliCamerasCommand.h"
#include "CliEventsCommand.h"
#include "CliExit.h"
#include "CliProgressLine.h"
#include "CliSession.h"
#include "CliSignals.h"
#include "CliStation.h"
#include "CliStationLock.h"
#include "CliStationLoop.h"

#include "common/AppPaths.h"
#include "common/CommandLine.h"
#include "common/Log.h"
#include "common/Settings.h"
#include "events/OwEventManager.h"
#include "station/RecordingSession.h"
#include "recording/TimedRecordingSchedule.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>

namespace orva {
namespace {

using Clock = std::chrono::steady_clock;


enum class Format { Ser, Adv, AdvCompressed, FitsSequence, Fits, Dark, Flat };

struct RecordOptions {
    CliCameraSettings camera;
    std::string exposureText;
    Format format = Format::Ser;
    int64_t frames = 0;
    int64_t seconds = 0;
    std::optional<std::string> out;
    bool csv = false;
    SimFaultPlan plan;
    std::optional<int> centerSecond;
    // --event next: centred on the next occultation event, for the settings' duration.
    bool aroundNextEvent = false;
    int32_t every = 1;

    bool IsCapture() const { return format == Format::Fits || format == Format::Dark || format == Format::Flat; }
};

constexpr const char* kCommand = "orvacam-cli record";

int UsageError(const std::string& message) { return CliExit::Usage(kCommand, message); }
int Failure(const std::string& message) { return CliExit::Failure(kCommand, message); }

std::optional<RecordOptions> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    static const std::vector<CommandLineOption> kOptions = {
        {"camera"}, {"mode"}, {"exposure"}, {"gain"}, {"format"}, {"frames"}, {"seconds"}, {"out"},
        {"csv", false, false}, {"fault", true, true}, {"occultation"}, {"center"}, {"event"}, {"every"},
        {"sim-utc"},
    };
    const auto line = CommandLine::Parse(args, kOptions, 0, error);
    if (!line) return std::nullopt;
    RecordOptions o;
    for (const char* required : {"camera", "mode", "exposure", "format"}) {
        if (!line->Has(required)) {
            error = std::string("option '--") + required + "' is required";
            return std::nullopt;
        }
    }
    const auto sensor = CliCamerasCommand::CameraOption(*line, error, &o.camera.cameraLink);
    if (!sensor) return std::nullopt;
    o.camera.sensorCode = *sensor;
    if (!StationCameraDevices::SimulatedUtcStartOption(*line, o.camera.simulatedUtcStartUnixNs, error)) return std::nullopt;
    if (!CliCamerasCommand::VideoModeOptions(*line, o.camera.camera, error)) return std::nullopt;
    o.exposureText = *line->Value("exposure");
    static const std::pair<const char*, Format> kFormats[] = {
        {"ser", Format::Ser},       {"adv", Format::Adv}, {"adv-compressed", Format::AdvCompressed},
        {"fits-seq", Format::FitsSequence}, {"fits", Format::Fits}, {"dark", Format::Dark}, {"flat", Format::Flat},
    };
    const std::string format = line->Value("format").value_or("");
    const auto f = std::find_if(std::begin(kFormats), std::end(kFormats), [&](const auto& p) { return format == p.first; });
    if (f == std::end(kFormats)) {
        error = "unknown format '" + format + "' (ser, adv, adv-compressed, fits-seq, fits, dark or flat)";
        return std::nullopt;
    }
    o.format = f->second;
    if (const auto event = line->Value("event")) {
        if (*event != "next") {
            error = "--event takes 'next': the recording is centred on the next occultation event";
            return std::nullopt;
        }
        if (o.IsCapture() || line->Has("frames") || line->Has("seconds") || line->Has("center")) {
            error = "--event next records ser, adv, adv-compressed or fits-seq for the settings' duration, "
                    "without --frames, --seconds or --center";
            return std::nullopt;
        }
        o.aroundNextEvent = true;
    } else if (line->Has("frames") == line->Has("seconds")) {
        error = line->Has("frames") ? "give --frames or --seconds, not both" : "give --frames N or --seconds S";
        return std::nullopt;
    }
    if (o.IsCapture()) {
        if (line->Has("seconds") || line->Has("every") || line->Has("center")) {
            error = "--seconds, --every and --center apply to ser, adv, adv-compressed and fits-seq";
            return std::nullopt;
        }
        const auto frames = CommandLine::ParseInteger(*line->Value("frames"), 1, 256);
        if (!frames) {
            error = "The number of frames needs to be in the range from 1 to 256.";
            return std::nullopt;
        }
        o.frames = *frames;
    } else if (o.aroundNextEvent) {
        // The duration comes from the settings once they are loaded.
    } else if (line->Has("frames")) {
        const auto frames = CommandLine::ParseInteger(*line->Value("frames"), 1, 1000000000);
        if (!frames) {
            error = "--frames must be a whole number from 1";
            return std::nullopt;
        }
        o.frames = *frames;
    } else {
        const auto seconds = CommandLine::ParseInteger(*line->Value("seconds"), 1, 86400);
        if (!seconds) {
            error = "--seconds must be a whole number from 1 to 86400";
            return std::nullopt;
        }
        o.seconds = *seconds;
    }
    if (const auto center = line->Value("center")) {
        if (!line->Has("seconds")) {
            error = "--center needs --seconds: the recording is centred on that time";
            return std::nullopt;
        }
        o.centerSecond = TimedRecordingSchedule::ParseCenterTime(*center);
        if (!o.centerSecond) {
            error = "The start time is invalid. Please provide the start time in the format HH:MM:SS.";
            return std::nullopt;
        }
    }
    if (const auto every = line->Value("every")) {
        const auto n = CommandLine::ParseInteger(*every, 1, 1000000);
        if (!n) {
            error = "The frame interval value is invalid. Please set the value to 1 or greater.";
            return std::nullopt;
        }
        o.every = static_cast<int32_t>(*n);
    }
    o.out = line->Value("out");
    o.csv = line->Has("csv");
    for (const std::string& faultText : line->Values("fault")) {
        const auto fault = SimFaultPlan::Parse(faultText, error);
        if (!fault) return std::nullopt;
        o.plan.faults.push_back(*fault);
    }
    if (const auto occultation = line->Value("occultation")) {
        o.plan.occultation = SimFaultPlan::ParseOccultation(*occultation, error);
        if (!o.plan.occultation) return std::nullopt;
    }
    if (!o.camera.cameraLink.empty() && (!o.plan.faults.empty() || o.plan.occultation)) {
        error = "--fault and --occultation need the simulated camera";
        return std::nullopt;
    }
    return o;
}

std::string Duration(double seconds) {
    const auto s = static_cast<long long>(std::max(seconds, 0.0) + 0.5);
    char text[32];
    std::snprintf(text, sizeof(text), "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    return text;
}

class RecordRun {
public:
    RecordRun(const RecordOptions& options, Settings& settings) : o_(options), settings_(settings) {}

    int Run();

private:
    bool WaitForStartTime();
    // Centres the recording on the next event: its duration and start. False (said why)
    // when there is no event ahead.
    bool PlanAroundNextEvent();
    // Waits while `remainingSeconds` is above 0, with a progress line; false when stopped.
    bool WaitUntilStart(const std::function<int64_t()>& remainingSeconds);
    int RecordMovie();
    int TakeCapture();

    RecordOptions o_;
    Settings& settings_;
    std::optional<uint64_t> startTicks_;  // around the next event
    std::optional<std::string> eventTitle_;
    std::unique_ptr<CliStation> station_;
};

int RecordRun::Run() {
    station_ = std::make_unique<CliStation>(o_.camera, o_.plan, kCommand);
    std::string error;
    if (!station_->Connect(error)) return Failure(error);
    if (o_.aroundNextEvent && !PlanAroundNextEvent()) return CliExit::kFailed;
    if ((o_.centerSecond || startTicks_) && !WaitForStartTime()) return Failure("stopped before the recording started");
    if (!station_->StartStreamingHeld()) return Failure("the camera's stream did not start");
    return o_.IsCapture() ? TakeCapture() : RecordMovie();
}

bool RecordRun::PlanAroundNextEvent() {
    OwEventManager& events = station_->Core().Events();
    events.Load();
    events.UpdateTimeToEvent();
    const OwEvent* next = events.NextEvent();
    if (next == nullptr) {
        Failure("no occultation event ahead today or tomorrow ('orvacam-cli events import FILE' adds them)");
        return false;
    }
    o_.seconds = CommandLine::ParseInteger(settings_.RecordingWithOptionsDefaultDurationSec, 1, 86399).value_or(60);
    startTicks_ = next->EventTime - static_cast<uint64_t>(o_.seconds) * kEventTicksPerSecond / 2;
    eventTitle_ = next->GetTitle();
    std::printf("event: %s\n", CliEventsCommand::Describe(*next).c_str());
    return true;
}

bool RecordRun::WaitForStartTime() {
    const int duration = static_cast<int>(o_.seconds);
    LogMessageInt("I Duration (sec): ", duration);
    if (startTicks_) {
        const UtcDateTime start = UtcFromEventTicks(*startTicks_);
        std::printf("recording %d s around the event, starting at %02d:%02d:%02d UTC\n", duration, start.hour,
                    start.minute, start.second);
        std::fflush(stdout);
        const uint64_t target = *startTicks_;
        return WaitUntilStart([target] {
            const uint64_t now = SystemEventTicksNow();
            return now >= target ? int64_t{0} : static_cast<int64_t>((target - now + kEventTicksPerSecond - 1) / kEventTicksPerSecond);
        });
    }
    const auto secondOfDay = [] {
        const UtcDateTime t = UtcNow();
        return t.hour * 3600 + t.minute * 60 + t.second;
    };
    const int start = TimedRecordingSchedule::StartSecondOfDay(*o_.centerSecond, duration, secondOfDay());
    std::printf("recording %d s centred on %s UTC, starting at %s UTC\n", duration,
                TimedRecordingSchedule::FormatSecondOfDay(*o_.centerSecond).c_str(),
                TimedRecordingSchedule::FormatSecondOfDay(start).c_str());
    std::fflush(stdout);
    return WaitUntilStart([&] { return int64_t{TimedRecordingSchedule::RemainingDelay(start, secondOfDay(), duration)}; });
}

bool RecordRun::WaitUntilStart(const std::function<int64_t()>& remainingSeconds) {
    CliProgressLine progress;
    CliStationLoop loop(station_->Core());
    bool first = true;
    while (true) {
        const int64_t remaining = remainingSeconds();
        if (first) LogMessageInt("I Delay (sec): ", static_cast<int>(std::min<int64_t>(remaining, 1 << 30)));
        first = false;
        if (remaining <= 0) return true;
        if (CliSignals::StopRequested()) return false;
        progress.Show("starting in " + Duration(static_cast<double>(remaining)));
        loop.Step();
    }
}

int RecordRun::RecordMovie() {
    Station& station = station_->Core();
    RecordingSessionOptions options;
    options.format = o_.format == Format::Ser            ? RecordingFormat::Ser
                     : o_.format == Format::FitsSequence ? RecordingFormat::FitsSequence
                                                         : RecordingFormat::Adv;
    // The command line names the compression; the setting applies to the GUI's recordings.
    if (options.format == RecordingFormat::Adv) options.compress = o_.format == Format::AdvCompressed;
    options.frameInterval = o_.every;
    options.frameLimit = o_.frames;
    options.durationTicks = static_cast<uint64_t>(o_.seconds) * 10000000ULL;
    // The event the recording was planned around names it, even when the camera started late.
    options.objectName = eventTitle_;
    RecordingSession session(station);
    if (!session.Start(options)) {
        if (!session.FailureMessage().empty()) return Failure(session.FailureMessage());
        return Failure(station_->Ui().LastMessage().empty() ? "the recording cannot start" : "");
    }
    station_->RestartFaultPlan();
    station_->ReleaseDelivery();

    const Clock::time_point started = Clock::now();
    const RecordingCamera camera = station.CurrentRecordingCamera();
    const int64_t frameBytes = int64_t{camera.width} * camera.height * 2;
    CliProgressLine progress;
    CliStationLoop loop(station);
    while (!session.IsFinished()) {
        if (CliSignals::StopRequested()) session.Stop(RecordingOutcome::StoppedByUser);
        session.Step();
        if (session.IsFinished()) break;
        const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
        const int64_t frames = session.FramesWritten();
        const double fps = elapsed > 0 ? static_cast<double>(frames) / elapsed : 0.0;
        double remaining = o_.seconds > 0 ? static_cast<double>(o_.seconds) - elapsed
                                          : (fps > 0 ? static_cast<double>(o_.frames - frames) / fps : 0.0);
        char text[256];
        std::snprintf(text, sizeof(text), "frames %lld  missed %zu  %.1f fps  %.2f MB/s  elapsed %s  remaining %s",
                      static_cast<long long>(frames), station.MissedFrameList().size(), fps,
                      elapsed > 0 ? static_cast<double>(frames * frameBytes) / elapsed / 1e6 : 0.0,
                      Duration(elapsed).c_str(), Duration(remaining).c_str());
        progress.Show(text);
        loop.Step();
    }
    station.StopStreaming();
    progress.End();
    const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
    const RecordingOutcome outcome = session.Outcome();
    const bool reportReason = outcome == RecordingOutcome::StoppedByUser || outcome == RecordingOutcome::CameraLost ||
                              outcome == RecordingOutcome::NoFrames;
    const std::string reason = reportReason ? RecordingOutcomeText(outcome) : "";

    std::printf("recorded %lld frames (%s), %zu missed, in %.1f s%s%s\n",
                static_cast<long long>(session.FramesWritten()), session.FormatDescription().c_str(),
                station.MissedFrameList().size(), elapsed, reason.empty() ? "" : "; ", reason.c_str());
    std::error_code ec;
    for (const std::string& path : {session.RecordingPath(), session.StatusCsvPath()}) {
        if (!path.empty() && std::filesystem::exists(path, ec)) std::printf("written: %s\n", path.c_str());
    }
    std::fflush(stdout);
    if (outcome == RecordingOutcome::WriteFailed) return Failure(session.FailureMessage());
    return IsCompleteOutcome(outcome) ? CliExit::kDone : CliExit::kFailed;
}

int RecordRun::TakeCapture() {
    Station& station = station_->Core();
    const char kind = o_.format == Format::Dark ? 'D' : o_.format == Format::Flat ? 'F' : 0;
    const auto path = station.PrepareCapturePath(kind);
    if (!path) return Failure("");
    FitsRecordingJob job;
    job.kind = FitsRecordingJob::KindOfLetter(kind);
    job.framesToAverage = static_cast<int32_t>(o_.frames);
    job.framesAccumulated = 0;
    job.state = FitsJobState::Running;
    job.started = true;
    if (!station.StartFitsCapture(job, *path)) {
        return Failure("the capture could not be started");
    }
    station_->RestartFaultPlan();
    station_->ReleaseDelivery();
    CliProgressLine progress;
    CliStationLoop loop(station);
    bool cancelled = false;
    while (!station.IsFitsFileCompleted(*path)) {
        const FitsJobState state = job.state.load();
        if (state == FitsJobState::Failed || state == FitsJobState::Cancelled) break;
        if (CliSignals::StopRequested() && !cancelled) {
            cancelled = true;
            job.state = FitsJobState::CancelRequested;
        }
        progress.Show("frames " + std::to_string(job.framesAccumulated.load()) + " of " + std::to_string(o_.frames));
        loop.Step();
    }
    progress.End();
    station.StopStreaming();
    if (const auto failure = station.TakeCaptureFailure()) return Failure(*failure);
    if (!station.IsFitsFileCompleted(*path)) return Failure("stopped by the user; no image was written");
    std::printf("averaged %d frames into one image\nwritten: %s\n", job.framesAccumulated.load(), path->c_str());
    std::fflush(stdout);
    return 0;
}

}  // namespace

int CliRecordCommand::Run(const std::vector<std::string>& args) {
    std::string error;
    const auto options = ParseOptions(args, error);
    if (!options) return UsageError(error);

    // A recording is tied to the next event and writes the event files.
    CliStationLock lock(kCommand);
    if (!lock.Take()) return CliExit::kStationBusy;
    CliSession session;
    Settings& settings = session.GetSettings();
    if (options->out) {
        if (!AppPaths::EnsureDirectory(*options->out)) return Failure(*options->out + ": the folder cannot be created");
        std::string& folder = options->format == Format::Ser                                            ? settings.SerDirectory
                              : options->format == Format::Adv || options->format == Format::AdvCompressed ? settings.AdvDirectory
                              : options->format == Format::Dark                                           ? settings.DarkFramesDirectory
                              : options->format == Format::Flat                                           ? settings.FlatFramesDirectory
                                                                                                          : settings.FitsDirectory;
        folder = *options->out;  // for this run only; the settings file is not written
    }
    if (options->csv) settings.CreateStatusCsvFile.Set(true);
    CliSignals::InstallStopHandler();
    int result = 0;
    {
        RecordRun run(*options, settings);
        result = run.Run();
    }
    return result;
}

}  // namespace orva
