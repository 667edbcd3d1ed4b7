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
#include <cstdio>
#include <optional>

namespace orva {
namespace {

constexpr const char* kCommand = "orvacam-cli mount";

int UsageError(const std::string& message) { return CliExit::Usage(kCommand, message); }
int Failure(const std::string& message) { return CliExit::Failure(kCommand, message); }

struct MountOptions {
    std::string verb;
    std::string server;  // "host:port"; empty: the settings' server, else kDefaultServer
    std::string device;
    std::optional<std::pair<double, double>> target;  // hours, degrees
    std::string object;
    std::chrono::seconds limit = CliMount::kDefaultSlewLimit;
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
    if (!CliMount::ServerOption(*line, o.server, error)) return std::nullopt;
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
          mount_(station_.Core(), settings, options.server, options.device),
          worker_(mount_.Worker()) {}

    int Run();

private:
    int Slew();
    int Status();
    int PrintPosition(const char* label);
    std::optional<std::pair<double, double>> Resolve(std::string& error);

    const MountOptions& o_;
    Settings& settings_;
    CliStation station_;
    CliMount mount_;
    TelescopeWorker& worker_;
};

int MountRun::PrintPosition(const char* label) {
    const SharedTelescopeState::Position p = mount_.Position();
    if (!p.valid) return Failure("the mount reports no position");
    std::printf("%s: %s\n", label, CliCoordinates::Format(p.rightAscensionHours, p.declinationDegrees).c_str());
    std::fflush(stdout);
    return CliExit::kDone;
}

int MountRun::Status() {
    const SharedTelescopeState::Position p = mount_.Position();
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
    if (!mount_.StepUntil([&] { return (answer = simbad.Poll()).has_value(); }, std::chrono::seconds(120))) {
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
    if (!mount_.Slew(target->first, target->second, o_.limit, error)) return Failure(error);
    return PrintPosition("arrived");
}

int MountRun::Run() {
    std::string error;
    if (!mount_.CreateDriver(error)) return Failure(error);
    if (o_.verb == "status") return Status();
    if (!mount_.Connect(error)) return Failure(error);
    if (o_.verb == "connect") return PrintPosition("position");
    if (o_.verb == "slew") return Slew();
    if (o_.verb == "sync") {
        if (!mount_.Carry(TelescopeCommandKind::Sync, error, o_.target->first, o_.target->second)) return Failure(error);
        return PrintPosition("synced");
    }
    if (o_.verb == "park" || o_.verb == "unpark") {
        const bool park = o_.verb == "park";
        if (!mount_.Carry(park ? TelescopeCommandKind::Park : TelescopeCommandKind::Unpark, error)) return Failure(error);
        if (!mount_.StepUntil([&] { return worker_.Parked() == park; }, o_.limit)) {
            return Failure(park ? "the mount did not report itself parked within " + std::to_string(o_.limit.count()) + " s"
                                : "the mount still reports itself parked");
        }
        std::printf("%s\n", park ? "parked" : "unparked");
        return CliExit::kDone;
    }
    // abort
    if (!mount_.Carry(TelescopeCommandKind::AbortSlew, error)) return Failure(error);
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
