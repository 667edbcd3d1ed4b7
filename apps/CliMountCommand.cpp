#include "CliMountCommand.h"

#include "CliCoordinates.h"
#include "CliExit.h"
#include "CliMount.h"
#include "CliSession.h"
#include "CliSignals.h"
#include "CliStation.h"

#include "common/CommandLine.h"
#include "common/Settings.h"
#include "telescope/SimbadLookup.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>

namespace orva {
namespace {

constexpr const char* kCommand = "orvacam-cli mount";
// A mount that has stopped within this distance of the target has arrived (a goto ends
// within arc seconds; a stop far away is a failure, not an arrival).
constexpr double kArrivalArcsec = 60.0;
constexpr std::chrono::seconds kCommandLimit = CliMount::kCommandLimit;
constexpr std::chrono::seconds kDefaultSlewLimit{180};

int UsageError(const std::string& message) { return CliExit::Usage(kCommand, message); }
int Failure(const std::string& message) { return CliExit::Failure(kCommand, message); }

struct MountOptions {
    std::string verb;
    std::string server;  // "host:port"; empty: the settings' server, else CliMount::kDefaultServer
    std::string device;
    std::optional<std::pair<double, double>> target;  // hours, degrees
    std::string object;
    std::chrono::seconds limit = kDefaultSlewLimit;
};

std::optional<MountOptions> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    const auto line = CommandLine::Parse(args, {{"indi"}, {"device"}, {"object"}, {"timeout"}}, 3, error);
    if (!line) return std::nullopt;
    const auto& words = line->Operands();
    if (words.empty()) {
        error = std::string("usage: orvacam-cli ") + CliMountCommand::kUsage;
        return std::nullopt;
    }
    MountOptions o;
    o.verb = words[0];
    const bool takesTarget = o.verb == "slew" || o.verb == "sync";
    const bool known = takesTarget || o.verb == "status" || o.verb == "connect" || o.verb == "park" ||
                       o.verb == "unpark" || o.verb == "abort";
    if (!known) {
        error = "unknown action '" + o.verb + "' (status, connect, slew, sync, park, unpark or abort)";
        return std::nullopt;
    }
    if (line->Has("object")) {
        if (o.verb != "slew") {
            error = "--object goes with slew";
            return std::nullopt;
        }
        o.object = *line->Value("object");
        if (words.size() != 1) {
            error = "slew takes RA and DEC or --object NAME, not both";
            return std::nullopt;
        }
    } else if (takesTarget) {
        if (words.size() != 3) {
            error = o.verb + " takes RA (hours, hh:mm:ss or decimal) and DEC (degrees, +dd:mm:ss or decimal)";
            return std::nullopt;
        }
        const auto ra = CliCoordinates::ParseRightAscensionHours(words[1]);
        const auto dec = CliCoordinates::ParseDeclinationDegrees(words[2]);
        if (!ra) {
            error = "RA '" + words[1] + "' is not hh:mm:ss or decimal hours below 24";
            return std::nullopt;
        }
        if (!dec) {
            error = "DEC '" + words[2] + "' is not +dd:mm:ss or decimal degrees within -90..+90";
            return std::nullopt;
        }
        o.target = std::make_pair(*ra, *dec);
    } else if (words.size() != 1) {
        error = o.verb + " takes no coordinates";
        return std::nullopt;
    }
    if (const auto server = line->Value("indi")) {
        const auto parsed = CliMount::ParseServer(*server, error);
        if (!parsed) return std::nullopt;
        o.server = *parsed;
    }
    if (const auto device = line->Value("device")) {
        if (device->empty()) {
            error = "--device takes the mount's INDI device name";
            return std::nullopt;
        }
        o.device = *device;
    }
    if (const auto timeout = line->Value("timeout")) {
        const auto seconds = CommandLine::ParseInteger(*timeout, 1, 3600);
        if (!seconds) {
            error = "--timeout takes whole seconds, 1..3600";
            return std::nullopt;
        }
        o.limit = std::chrono::seconds(*seconds);
    }
    return o;
}

class MountRun {
public:
    MountRun(const MountOptions& options, Settings& settings)
        : o_(options),
          settings_(settings),
          station_(CliCameraSettings{}, SimFaultPlan{}, kCommand),
          tools_(station_.Core().Tools()),
          mount_(station_.Core(), settings),
          worker_(mount_.Worker()) {}

    int Run();

private:
    bool StepUntil(const std::function<bool()>& condition, std::chrono::seconds limit) {
        return mount_.StepUntil(condition, limit);
    }
    bool Carry(TelescopeCommandKind kind, std::string& error, double first = 0.0, double second = 0.0) {
        return mount_.Carry(kind, error, first, second);
    }
    int Slew();
    int Status();
    int PrintPosition(const char* label);
    std::optional<std::pair<double, double>> Resolve(std::string& error);

    const MountOptions& o_;
    Settings& settings_;
    CliStation station_;
    ObservingTools& tools_;
    CliMount mount_;
    TelescopeWorker& worker_;
};

int MountRun::PrintPosition(const char* label) {
    const SharedTelescopeState::Position p = tools_.TelescopeState().Read();
    if (!p.valid) return Failure("the mount reports no position");
    std::printf("%s: %s\n", label, CliCoordinates::Format(p.rightAscensionHours, p.declinationDegrees).c_str());
    std::fflush(stdout);
    return CliExit::kDone;
}

int MountRun::Status() {
    const SharedTelescopeState::Position p = tools_.TelescopeState().Read();
    std::printf("driver: %s (%s)\nconnected: %s\ntracking: %s\nparked: %s\nslewing: %s\n",
                worker_.ProgramId().c_str(), worker_.DriverInfo().c_str(), worker_.Connected() ? "yes" : "no",
                worker_.Tracking() ? "yes" : "no", worker_.Parked() ? "yes" : "no", worker_.Slewing() ? "yes" : "no");
    if (p.valid) std::printf("position: %s\n", CliCoordinates::Format(p.rightAscensionHours, p.declinationDegrees).c_str());
    std::fflush(stdout);
    return CliExit::kDone;
}

std::optional<std::pair<double, double>> MountRun::Resolve(std::string& error) {
    if (o_.object.empty()) return o_.target;
    SimbadLookup simbad;
    const std::string& server = settings_.SimbadServer;
    if (const auto answer = simbad.Start(server.empty() ? SimbadLookup::kDefaultServer : server, o_.object)) {
        error = answer->message;
        return std::nullopt;
    }
    std::optional<SimbadAnswer> answer;
    // The web client gives up on its own; the limit only guards against a stop request.
    if (!StepUntil([&] { return (answer = simbad.Poll()).has_value(); }, std::chrono::seconds(120))) {
        error = CliSignals::StopRequested() ? "stopped by the user" : "SIMBAD did not answer";
        return std::nullopt;  // the look-up is cancelled with `simbad`
    }
    if (!answer->found) {
        error = answer->message;
        return std::nullopt;
    }
    std::printf("%s: %s\n", o_.object.c_str(),
                CliCoordinates::Format(answer->rightAscensionHours, answer->declinationDegrees).c_str());
    return std::make_pair(answer->rightAscensionHours, answer->declinationDegrees);
}

int MountRun::Slew() {
    std::string error;
    const auto target = Resolve(error);
    if (!target) return Failure(error);
    if (worker_.Parked()) return Failure("the mount is parked; unpark it first (orvacam-cli mount unpark)");
    // As in the window, which slews only a tracking mount: one that does not track drifts
    // off the target as soon as it has arrived.
    if (!worker_.Tracking() && !Carry(TelescopeCommandKind::StartTracking, error)) return Failure(error);
    if (!Carry(TelescopeCommandKind::Slew, error, target->first, target->second)) return Failure(error);
    const auto arrived = [&] {
        const SharedTelescopeState::Position p = tools_.TelescopeState().Read();
        double dRa = std::fmod(std::fabs(p.rightAscensionHours - target->first), 24.0);
        if (dRa > 12.0) dRa = 24.0 - dRa;
        const double raArcsec = dRa * 15.0 * 3600.0 * std::cos(target->second * M_PI / 180.0);
        const double decArcsec = std::fabs(p.declinationDegrees - target->second) * 3600.0;
        return p.valid && !worker_.Slewing() && std::hypot(raArcsec, decArcsec) < kArrivalArcsec;
    };
    if (!StepUntil(arrived, o_.limit)) {
        // A mount is not left slewing unwatched.
        std::string ignored;
        Carry(TelescopeCommandKind::AbortSlew, ignored);
        if (CliSignals::StopRequested()) return Failure("stopped by the user; the slew was aborted");
        const SharedTelescopeState::Position p = tools_.TelescopeState().Read();
        return Failure("the mount did not arrive within " + std::to_string(o_.limit.count()) +
                       " s; the slew was aborted" +
                       (p.valid ? " at " + CliCoordinates::Format(p.rightAscensionHours, p.declinationDegrees) : ""));
    }
    // The last position the mount reports once it has settled.
    const uint64_t passes = worker_.Passes();
    StepUntil([&] { return worker_.Passes() >= passes + 2; }, kCommandLimit);
    return PrintPosition("arrived");
}

int MountRun::Run() {
    std::string error;
    const std::string programId = mount_.ProgramId(o_.server, o_.device, error);
    if (programId.empty()) return Failure(error);
    if (!mount_.Open(programId, error)) return Failure(error);
    if (o_.verb == "status") return Status();
    if (!mount_.Connect(error)) return Failure(error);
    if (o_.verb == "connect") return PrintPosition("position");
    if (o_.verb == "slew") return Slew();
    if (o_.verb == "sync") {
        if (!Carry(TelescopeCommandKind::Sync, error, o_.target->first, o_.target->second)) return Failure(error);
        return PrintPosition("synced");
    }
    if (o_.verb == "park" || o_.verb == "unpark") {
        const bool park = o_.verb == "park";
        if (!Carry(park ? TelescopeCommandKind::Park : TelescopeCommandKind::Unpark, error)) return Failure(error);
        if (!StepUntil([&] { return worker_.Parked() == park; }, o_.limit)) {
            return Failure(park ? "the mount did not report itself parked within " + std::to_string(o_.limit.count()) + " s"
                                : "the mount still reports itself parked");
        }
        std::printf("%s\n", park ? "parked" : "unparked");
        return CliExit::kDone;
    }
    // abort
    if (!Carry(TelescopeCommandKind::AbortSlew, error)) return Failure(error);
    return PrintPosition("stopped");
}

}  // namespace

int CliMountCommand::Run(const std::vector<std::string>& args) {
    std::string error;
    const auto options = ParseOptions(args, error);
    if (!options) return UsageError(error);
    CliSession session;
    CliSignals::InstallStopHandler();
    MountRun run(*options, session.GetSettings());
    return run.Run();
}

}  // namespace orva
