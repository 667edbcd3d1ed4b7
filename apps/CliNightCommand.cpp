#include "CliNightCommand.h"

#include "CliCamerasCommand.h"
#include "CliCoordinates.h"
#include "CliExit.h"
#include "CliPlateSolve.h"
#include "CliProgressLine.h"
#include "CliSession.h"
#include "CliSignals.h"
#include "CliStation.h"
#include "CliStationLock.h"
#include "CliStationLoop.h"
#include "CliUiServices.h"

#include "common/AppPaths.h"
#include "common/CommandLine.h"
#include "common/Settings.h"
#include "events/OwEventManager.h"
#include "events/OwEventTime.h"
#include "station/NightPlan.h"
#include "station/NightRecorder.h"
#include "station/NightRunner.h"

#include <cstdio>

namespace orva {
namespace {

constexpr const char* kCommand = "orvacam-cli night";

std::string PlanPath() { return AppPaths::DataDirectory() + "/night-plan.ini"; }

// "2026-12-11 20:59:30" UTC.
std::string DateTime(uint64_t ticks) {
    const UtcDateTime t = UtcFromEventTicks(ticks);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

void PrintPlan(const NightPlan& plan) {
    std::printf("plan: %zu entries, format %s\n", plan.Entries().size(), plan.Format().c_str());
    for (std::size_t i = 0; i < plan.Entries().size(); ++i) {
        const NightPlanEntry& e = plan.Entries()[i];
        const std::string point = e.point ? "point " + DateTime(e.pointTicks).substr(11) + ", " : "";
        std::printf("%zu  %s - %s UTC  %s%s  %s  %s\n", i + 1, DateTime(e.startTicks).c_str(),
                    DateTime(e.endTicks).substr(11).c_str(), point.c_str(),
                    CliCoordinates::Format(e.raHours, e.decDegrees).c_str(), e.title.c_str(),
                    NightEntryStateName(e.state));
    }
    for (const std::string& conflict : plan.Conflicts()) std::printf("conflict: %s\n", conflict.c_str());
    std::fflush(stdout);
}

// What was done, one line per entry.
void PrintSummary(const NightPlan& plan) {
    for (std::size_t i = 0; i < plan.Entries().size(); ++i) {
        const NightPlanEntry& e = plan.Entries()[i];
        std::printf("%zu  %-11s  frames %lld  missed %lld  %s  %s%s%s\n", i + 1, NightEntryStateName(e.state),
                    static_cast<long long>(e.frames), static_cast<long long>(e.missed),
                    e.file.empty() ? "-" : e.file.c_str(), e.title.c_str(),
                    e.pointing.empty() ? "" : ("; pointing: " + e.pointing).c_str(),
                    e.outcome.empty() ? "" : ("; " + e.outcome).c_str());
    }
    std::fflush(stdout);
}

struct NightOptions {
    std::string verb;
    bool noGoto = false;
    bool dryRun = false;
    CliCameraSettings camera;
    std::string format = "adv";
    std::optional<std::string> out;
};

std::optional<NightOptions> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    static const std::vector<CommandLineOption> kOptions = {
        {"no-goto", false, false}, {"dry-run", false, false}, {"camera"}, {"mode"}, {"exposure"}, {"gain"},
        {"format"}, {"out"}, {"sim-utc"},
    };
    const auto line = CommandLine::Parse(args, kOptions, 1, error);
    if (!line) return std::nullopt;
    NightOptions o;
    if (line->Operands().size() != 1) {
        error = std::string("usage: orvacam-cli ") + CliNightCommand::kUsage;
        return std::nullopt;
    }
    o.verb = line->Operands()[0];
    if (o.verb != "plan" && o.verb != "status" && o.verb != "run") {
        error = "unknown action '" + o.verb + "' (plan, run or status)";
        return std::nullopt;
    }
    o.noGoto = line->Has("no-goto");
    o.dryRun = line->Has("dry-run");
    const bool running = o.verb == "run";
    for (const char* name : {"no-goto", "dry-run", "camera", "mode", "exposure", "gain", "out", "sim-utc"}) {
        if (!running && line->Has(name)) {
            error = std::string("--") + name + " goes with run";
            return std::nullopt;
        }
    }
    if (const auto format = line->Value("format")) {
        if (!NightRecorder::OptionsFor(*format)) {
            error = "--format takes ser, adv, adv-compressed or fits-seq";
            return std::nullopt;
        }
        o.format = *format;
    }
    if (!running || o.dryRun) return o;
    if (!o.noGoto) {
        error = "pointing the telescope from the plan is not available yet: run a fixed station with --no-goto";
        return std::nullopt;
    }
    if (!CliPlateSolve::CameraOptions(*line, o.camera, error) ||
        !CliCamerasCommand::VideoModeOptions(*line, o.camera.camera, error)) {
        return std::nullopt;
    }
    o.out = line->Value("out");
    return o;
}

std::optional<NightPlan> MakePlan(const Settings& settings, const NightOptions& o, std::string& error) {
    CliUiServices ui(kCommand);
    OwEventManager store(AppPaths::DataDirectory());
    store.SetUiServices(&ui);
    if (!store.Load()) {
        error = "the event store in " + AppPaths::DataDirectory() + " cannot be read";
        return std::nullopt;
    }
    NightPlanOptions options;
    options.nowTicks = SystemEventTicksNow();
    options.durationSeconds =
        static_cast<int>(CommandLine::ParseInteger(settings.RecordingWithOptionsDefaultDurationSec, 1, 86399).value_or(60));
    options.leadSeconds = settings.NightPlanLeadTimeSec;
    options.point = !o.noGoto;
    options.format = o.format;
    NightPlan plan = NightPlan::Make(store.Events(), options);
    if (plan.Entries().empty()) {
        error = "no event ahead today or tomorrow ('orvacam-cli events import FILE' adds them)";
        return std::nullopt;
    }
    return plan;
}

int Status() {
    std::string error;
    const auto plan = NightPlan::Load(PlanPath(), error);
    if (!plan) return CliExit::Failure(kCommand, error.empty() ? "no night plan in " + PlanPath() : error);
    PrintPlan(*plan);
    PrintSummary(*plan);
    return 0;
}

int RunNight(NightPlan plan, const NightOptions& o) {
    std::string error;
    if (const auto saved = NightPlan::Load(PlanPath(), error)) {
        plan.ResumeFrom(*saved);
    } else if (!error.empty()) {
        std::fprintf(stderr, "%s: %s; starting a new plan\n", kCommand, error.c_str());
    }
    CliStation station(o.camera, SimFaultPlan{}, kCommand);
    if (!station.Connect(error)) return CliExit::Failure(kCommand, error.empty() ? "no camera" : error);
    if (!station.Core().StartStreaming()) return CliExit::Failure(kCommand, "the camera's stream did not start");
    NightRecorder recorder(station.Core());
    NightRunner runner(std::move(plan), nullptr, recorder, &SystemEventTicksNow, PlanPath());
    runner.Start();
    {
        CliProgressLine progress;
        CliStationLoop loop(station.Core());
        bool stopAsked = false;
        while (runner.GetState() != NightRunner::State::Finished) {
            if (CliSignals::StopRequested() && !stopAsked) {
                stopAsked = true;
                runner.Stop();
            }
            loop.Step();
            runner.Tick();
            progress.Show(runner.NextStepText());
        }
        progress.End();
    }
    station.Core().StopStreaming();
    PrintSummary(runner.Plan());
    for (const NightPlanEntry& e : runner.Plan().Entries()) {
        if (e.state == NightEntryState::Failed) return 1;
    }
    return 0;
}

}  // namespace

int CliNightCommand::Run(const std::vector<std::string>& args) {
    std::string error;
    const auto options = ParseOptions(args, error);
    if (!options) return CliExit::Usage(kCommand, error);
    if (options->verb == "status") return Status();

    // Running records and writes the event files; planning only reads.
    CliStationLock lock(kCommand);
    const bool runs = options->verb == "run" && !options->dryRun;
    if (runs && !lock.Take()) return CliExit::kStationBusy;
    CliSession session;
    Settings& settings = session.GetSettings();
    auto plan = MakePlan(settings, *options, error);
    if (!plan) return CliExit::Failure(kCommand, error);
    if (!runs) {
        PrintPlan(*plan);
        return 0;
    }
    if (options->out) {
        if (!AppPaths::EnsureDirectory(*options->out)) {
            return CliExit::Failure(kCommand, *options->out + ": the folder cannot be created");
        }
        // For this run only; the settings file is not written.
        settings.SerDirectory = settings.AdvDirectory = settings.FitsDirectory = *options->out;
    }
    CliSignals::InstallStopHandler();
    PrintPlan(*plan);
    return RunNight(std::move(*plan), *options);
}

}  // namespace orva
