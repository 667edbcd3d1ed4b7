#include "CliRecordCommand.h"

#include "CliSignals.h"
#include "CliStation.h"

#include "common/AppPaths.h"
#include "common/CommandLine.h"
#include "common/Log.h"
#include "common/Settings.h"
#include "processing/FrameProcessor.h"
#include "recording/AdvWriter.h"
#include "recording/FitsCaptureSink.h"
#include "recording/FitsSequenceWriter.h"
#include "recording/RecordingControl.h"
#include "recording/SerWriter.h"
#include "recording/TimedRecordingSchedule.h"
#include "simcam/SimSensorTable.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <thread>

namespace orva {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kLoopPeriod = 50ms;
constexpr auto kTickPeriod = 200ms;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

enum class Format { Ser, Adv, AdvCompressed, FitsSequence, Fits, Dark, Flat };

struct RecordOptions {
    CliCameraSettings camera;
    std::string exposureText;
    Format format = Format::Ser;
    int64_t frames = 0;
    int64_t seconds = 0;
    std::optional<std::string> out;
    bool csv = false;
    std::vector<CliFault> faults;
    std::optional<int> centerSecond;
    int32_t every = 1;

    bool IsCapture() const { return format == Format::Fits || format == Format::Dark || format == Format::Flat; }
};

int UsageError(const std::string& message) {
    std::fprintf(stderr, "orvacam-cli record: %s\n", message.c_str());
    return kExitUsage;
}

// An empty message: the station's message has been shown already.
int Failure(const std::string& message) {
    if (!message.empty()) std::fprintf(stderr, "orvacam-cli record: %s\n", message.c_str());
    return kExitFailed;
}

std::optional<RecordOptions> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    static const std::vector<CommandLineOption> kOptions = {
        {"camera"}, {"mode"}, {"exposure"}, {"gain"}, {"format"}, {"frames"}, {"seconds"}, {"out"},
        {"csv", false, false}, {"fault", true, true}, {"center"}, {"every"},
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
    const std::string camera = line->Value("camera").value_or("");
    int64_t sensor = -1;  // unknown
    if (camera == "sim") {
        sensor = 7;
    } else if (camera.rfind("sim:", 0) == 0) {
        const auto known = SimKnownSensorCodes();
        const int64_t code = CommandLine::ParseInteger(camera.substr(4), 0, 255).value_or(-1);
        if (std::find(known.begin(), known.end(), code) != known.end()) sensor = code;
    }
    if (sensor < 0) {
        error = "unknown camera '" + camera + "' ('orvacam-cli cameras' lists the cameras; sim:SENSORCODE takes codes 2 to 14)";
        return std::nullopt;
    }
    o.camera.sensorCode = static_cast<uint8_t>(sensor);
    const auto mode = CommandLine::ParseInteger(*line->Value("mode"), 0, 255);
    if (!mode) {
        error = "--mode must be a video mode index (0, 1, ...)";
        return std::nullopt;
    }
    o.camera.modeIndex = static_cast<int>(*mode);
    o.exposureText = *line->Value("exposure");
    const auto exposure = CommandLine::ParseDecimal(o.exposureText, 1.0, 5000.0);
    if (!exposure) {
        error = "--exposure must be a time in milliseconds from 1 to 5000";
        return std::nullopt;
    }
    o.camera.exposureMs = *exposure;
    if (const auto gain = line->Value("gain")) {
        const auto index = CommandLine::ParseInteger(*gain, 0, 255);
        if (!index) {
            error = "--gain must be a gain index (0, 1, ...)";
            return std::nullopt;
        }
        o.camera.gainIndex = static_cast<int>(*index);
    }
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
    if (line->Has("frames") == line->Has("seconds")) {
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
        const auto fault = CliFaultPlan::Parse(faultText, error);
        if (!fault) return std::nullopt;
        o.faults.push_back(*fault);
    }
    return o;
}

std::string Duration(double seconds) {
    const auto s = static_cast<long long>(std::max(seconds, 0.0) + 0.5);
    char text[32];
    std::snprintf(text, sizeof(text), "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    return text;
}

// One line that a terminal shows in place; elsewhere nothing until the summary.
class ProgressLine {
public:
    ProgressLine() : terminal_(isatty(STDERR_FILENO) != 0) {}
    ~ProgressLine() { End(); }
    void Show(const std::string& text) {
        if (!terminal_) return;
        std::fprintf(stderr, "\r%s\x1b[K", text.c_str());
        std::fflush(stderr);
        shown_ = true;
    }
    void End() {
        if (shown_) std::fprintf(stderr, "\n");
        shown_ = false;
    }

private:
    bool terminal_;
    bool shown_ = false;
};

// Keeps the station's timers running while the caller waits.
class StationLoop {
public:
    explicit StationLoop(CliStation& station) : station_(station), nextTick_(Clock::now()) {}
    void Step() {
        std::this_thread::sleep_for(kLoopPeriod);
        if (Clock::now() >= nextTick_) {
            station_.Tick();
            nextTick_ += kTickPeriod;
        }
    }

private:
    CliStation& station_;
    Clock::time_point nextTick_;
};

class RecordRun {
public:
    RecordRun(const RecordOptions& options, Settings& settings) : o_(options), settings_(settings) {}

    int Run();

private:
    RecordingCamera CameraView() const;
    bool WaitForStartTime();
    int RecordMovie();
    int TakeCapture();
    // Stops the writer through the frame processor, or directly when no frame comes.
    void FinishMovie(RecordingControl& control, IRecordingSink& writer);

    const RecordOptions& o_;
    Settings& settings_;
    std::unique_ptr<CliStation> station_;
};

RecordingCamera RecordRun::CameraView() const {
    RecordingCamera c;
    const auto& unit = station_->Manager().ActiveCameraUnit();
    c.connected = unit != nullptr;
    c.streaming = station_->Stream().IsStreaming();
    c.unit = unit.get();
    c.extensionUnit = unit ? unit->ExtensionUnit() : nullptr;
    c.width = station_->Mode() ? station_->Mode()->Width() : 0;
    c.height = station_->Mode() ? station_->Mode()->Height() : 0;
    c.gainText = station_->GainText();
    c.exposureText = o_.exposureText;
    return c;
}

int RecordRun::Run() {
    CliCameraSettings camera = o_.camera;
    camera.frameProcessorThreads = FrameProcessor::ThreadCountFromSetting(settings_.NofFrameProcessorThreads);
    station_ = std::make_unique<CliStation>(camera, o_.faults);
    std::string error;
    if (!station_->Connect(error)) return Failure(error);
    if (o_.centerSecond && !WaitForStartTime()) return Failure("stopped before the recording started");
    if (!station_->StartStreamingHeld()) return Failure("the camera's stream did not start");
    return o_.IsCapture() ? TakeCapture() : RecordMovie();
}

bool RecordRun::WaitForStartTime() {
    const auto secondOfDay = [] {
        const UtcDateTime t = UtcNow();
        return t.hour * 3600 + t.minute * 60 + t.second;
    };
    const int duration = static_cast<int>(o_.seconds);
    const int start = TimedRecordingSchedule::StartSecondOfDay(*o_.centerSecond, duration, secondOfDay());
    LogMessageInt("I Duration (sec): ", duration);
    std::printf("recording %d s centred on %s UTC, starting at %s UTC\n", duration,
                TimedRecordingSchedule::FormatSecondOfDay(*o_.centerSecond).c_str(),
                TimedRecordingSchedule::FormatSecondOfDay(start).c_str());
    std::fflush(stdout);
    ProgressLine progress;
    StationLoop loop(*station_);
    bool first = true;
    while (true) {
        const int remaining = TimedRecordingSchedule::RemainingDelay(start, secondOfDay(), duration);
        if (first) LogMessageInt("I Delay (sec): ", remaining);
        first = false;
        if (remaining <= 0) return true;
        if (CliSignals::StopRequested()) return false;
        progress.Show("starting in " + Duration(remaining));
        loop.Step();
    }
}

int RecordRun::RecordMovie() {
    FrameProcessor& processor = station_->Processor();
    RecordingControl control(settings_, processor, station_->Ui());
    const RecordingFormat format = o_.format == Format::Ser            ? RecordingFormat::Ser
                                   : o_.format == Format::FitsSequence ? RecordingFormat::FitsSequence
                                                                       : RecordingFormat::Adv;
    const RecordingCamera camera = CameraView();
    const auto target = control.PrepareRecording(format, camera);
    if (!target) return Failure(station_->Ui().LastMessage().empty() ? "the recording cannot start" : "");

    SerWriter ser;
    AdvWriter adv;
    FitsSequenceWriter fits;
    BaseWriter& writer = format == RecordingFormat::Ser   ? static_cast<BaseWriter&>(ser)
                         : format == RecordingFormat::Adv ? static_cast<BaseWriter&>(adv)
                                                          : fits;
    RecordingNames names;
    if (camera.unit && camera.unit->Model()) names.camera = camera.unit->Model()->GetDisplayName();
    writer.SetRecordingNames(names);
    const bool opened = format == RecordingFormat::Ser ? ser.OpenRecording(target->recordingPath, camera.width, camera.height, 16)
                        : format == RecordingFormat::Adv
                            ? adv.OpenRecording(target->recordingPath, camera.width, camera.height, 16, {},
                                                o_.format == Format::AdvCompressed)
                            : fits.OpenRecording(target->recordingPath, camera.width, camera.height, 16);
    if (!opened) return Failure(writer.FailureMessage());
    writer.SetStatusFileName(target->statusCsvPath);

    RecordingGateOptions gate;
    gate.frameInterval = o_.every;
    gate.frameLimit = o_.frames;
    gate.durationTicks = static_cast<uint64_t>(o_.seconds) * 10000000ULL;
    station_->SetRecordingMarker(true);
    const std::optional<std::string> objectName =
        format == RecordingFormat::Adv ? std::optional<std::string>(std::string()) : std::nullopt;
    if (!control.StartRecording(writer, camera, objectName, gate)) {
        station_->SetRecordingMarker(false);
        return Failure(writer.HasFailed() ? writer.FailureMessage() : "the recording could not be started");
    }
    if (o_.every > 1) LogMessageInt("I Recording every n-th frame: ", o_.every);
    station_->RestartFaultPlan();
    station_->ReleaseDelivery();

    const Clock::time_point started = Clock::now();
    const int64_t frameBytes = int64_t{camera.width} * camera.height * 2;
    ProgressLine progress;
    StationLoop loop(*station_);
    std::string stopReason;
    std::optional<std::string> failure;
    while (true) {
        const RecordingFrameGate& g = control.Gate();
        if (g.LimitReached()) break;
        if (CliSignals::StopRequested()) {
            stopReason = "stopped by the user";
            break;
        }
        if (!processor.IsWriterAttached()) {
            failure = processor.TakeRecordingFailure().value_or("the recording stopped");
            break;
        }
        if (station_->Recovery().State() == LinkRecoveryState::Failed) {
            stopReason = "the camera's link was lost and could not be recovered";
            break;
        }
        const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
        if (o_.seconds > 0 && elapsed > static_cast<double>(o_.seconds) + 600.0) {
            stopReason = "no frames came for the requested duration";
            break;
        }
        const int64_t frames = g.FramesWritten();
        const double fps = elapsed > 0 ? static_cast<double>(frames) / elapsed : 0.0;
        double remaining = o_.seconds > 0 ? static_cast<double>(o_.seconds) - elapsed
                                          : (fps > 0 ? static_cast<double>(o_.frames - frames) / fps : 0.0);
        char text[256];
        std::snprintf(text, sizeof(text), "frames %lld  missed %zu  %.1f fps  %.2f MB/s  elapsed %s  remaining %s",
                      static_cast<long long>(frames), processor.MissedFrameList().size(), fps,
                      elapsed > 0 ? static_cast<double>(frames * frameBytes) / elapsed / 1e6 : 0.0,
                      Duration(elapsed).c_str(), Duration(remaining).c_str());
        progress.Show(text);
        loop.Step();
    }
    FinishMovie(control, writer);
    progress.End();
    const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
    if (!failure && writer.HasFailed()) failure = writer.FailureMessage();

    std::printf("recorded %lld frames (%s), %zu missed, in %.1f s%s%s\n",
                static_cast<long long>(control.Gate().FramesWritten()), writer.GetFormatDescription().c_str(),
                processor.MissedFrameList().size(), elapsed, stopReason.empty() ? "" : "; ", stopReason.c_str());
    std::error_code ec;
    // A FITS sequence is its folder of numbered files.
    const std::string recording = format == RecordingFormat::FitsSequence
                                      ? std::filesystem::path(target->recordingPath).parent_path().string()
                                      : target->recordingPath;
    for (const std::string& path : {recording, target->statusCsvPath}) {
        if (!path.empty() && std::filesystem::exists(path, ec)) std::printf("written: %s\n", path.c_str());
    }
    std::fflush(stdout);
    if (failure) return Failure(*failure);
    return stopReason.empty() || stopReason == "stopped by the user" ? 0 : kExitFailed;
}

void RecordRun::FinishMovie(RecordingControl& control, IRecordingSink& writer) {
    FrameProcessor& processor = station_->Processor();
    control.StopRecording(CameraView());
    station_->SetRecordingMarker(false);
    // The frame processor stops the writer at its next frame; a camera that sends none
    // (lost, stalled) must not keep the file open.
    const auto deadline = Clock::now() + std::chrono::milliseconds(static_cast<int64_t>(2 * o_.camera.exposureMs)) + 2s;
    StationLoop loop(*station_);
    while (processor.IsWriterAttached() && Clock::now() < deadline) loop.Step();
    if (processor.IsWriterAttached()) {
        station_->StopFrames();
        // No frame reaches the processor any more: its writer is this thread's now.
        writer.StopRecording();
        LogMessage("W orvacam-cli: no frame came after the stop request; the recording was closed without it");
    }
    station_->StopFrames();
    control.ClearStopPending();
}

int RecordRun::TakeCapture() {
    FrameProcessor& processor = station_->Processor();
    RecordingControl control(settings_, processor, station_->Ui());
    const char kind = o_.format == Format::Dark ? 'D' : o_.format == Format::Flat ? 'F' : 0;
    const RecordingCamera camera = CameraView();
    const auto path = control.PrepareCapturePath(kind, camera);
    if (!path) return Failure("");
    RecordingNames names;
    if (camera.unit && camera.unit->Model()) names.camera = camera.unit->Model()->GetDisplayName();
    FitsRecordingJob job;
    job.kind = kind == 0 ? 'L' : kind;
    job.framesToAverage = static_cast<int32_t>(o_.frames);
    job.framesAccumulated = 0;
    job.state = FitsRecordingJob::kStateRunning;
    job.started = true;
    if (!processor.StartFitsCapture(&job, std::make_unique<FitsCaptureSink>(*path, names, ""))) {
        return Failure("the capture could not be started");
    }
    station_->RestartFaultPlan();
    station_->ReleaseDelivery();
    ProgressLine progress;
    StationLoop loop(*station_);
    bool cancelled = false;
    while (!processor.IsFitsFileCompleted(*path)) {
        const int32_t state = job.state.load();
        if (state == FitsRecordingJob::kStateFailed || state == FitsRecordingJob::kStateCancelled) break;
        if (CliSignals::StopRequested() && !cancelled) {
            cancelled = true;
            job.state = FitsRecordingJob::kStateCancelRequested;
        }
        progress.Show("frames " + std::to_string(job.framesAccumulated.load()) + " of " + std::to_string(o_.frames));
        loop.Step();
    }
    progress.End();
    station_->StopFrames();
    if (const auto failure = processor.TakeCaptureFailure()) return Failure(*failure);
    if (!processor.IsFitsFileCompleted(*path)) return Failure("stopped by the user; no image was written");
    std::printf("averaged %d frames into one image\nwritten: %s\n", job.framesAccumulated.load(), path->c_str());
    std::fflush(stdout);
    return 0;
}

}  // namespace

int CliRecordCommand::Run(const std::vector<std::string>& args) {
    std::string error;
    const auto options = ParseOptions(args, error);
    if (!options) return UsageError(error);

    Settings& settings = Settings::Instance();
    settings.Load();
    if (!settings.LogDirectory.empty()) {
        AppPaths::EnsureDirectory(settings.LogDirectory);
        InitLogFile(settings.LogDirectory);
    }
    settings.LogLoadWarning();
    if (options->out) {
        if (!AppPaths::EnsureDirectory(*options->out)) return Failure(*options->out + ": the folder cannot be created");
        std::string& folder = options->format == Format::Ser                                            ? settings.SerDirectory
                              : options->format == Format::Adv || options->format == Format::AdvCompressed ? settings.AdvDirectory
                              : options->format == Format::Dark                                           ? settings.DarkFramesDirectory
                              : options->format == Format::Flat                                           ? settings.FlatFramesDirectory
                                                                                                          : settings.FitsDirectory;
        folder = *options->out;  // for this run only; the settings file is not written
    }
    if (options->csv) settings.CreateStatusCsvFile = "TRUE";
    CliSignals::InstallStopHandler();
    int result = 0;
    {
        RecordRun run(*options, settings);
        result = run.Run();
    }
    if (IsLogOpen()) InitLogFile("");
    return result;
}

}  // namespace orva
