#include "CliMount.h"

#include "CliCoordinates.h"
#include "CliSignals.h"
#include "CliStationLoop.h"

#include "common/CommandLine.h"
#include "common/Settings.h"
#include "station/Station.h"
#include "telescope/TelescopeChooserModel.h"
#include "telescope/TelescopeFacade.h"

#include <algorithm>
#include <cmath>

namespace orva {

bool CliMount::ServerOption(const CommandLine& line, std::string& server, std::string& error) {
    const auto value = line.Value("indi");
    if (!value) return true;
    const auto id = TelescopeFacade::ParseProgramId(*value + "/x");
    if (!id || value->find('/') != std::string::npos) {
        error = "--indi takes HOST:PORT, not '" + *value + "'";
        return false;
    }
    server = *value;
    return true;
}

double CliMount::ArcsecApart(double raHoursA, double decDegA, double raHoursB, double decDegB) {
    constexpr double d = M_PI / 180.0;
    const double c = std::sin(decDegA * d) * std::sin(decDegB * d) +
                     std::cos(decDegA * d) * std::cos(decDegB * d) * std::cos((raHoursA - raHoursB) * 15.0 * d);
    return std::acos(std::clamp(c, -1.0, 1.0)) / d * 3600.0;
}

CliMount::CliMount(Station& station, Settings& settings, std::string server, std::string device)
    : station_(station),
      settings_(settings),
      server_(std::move(server)),
      device_(std::move(device)),
      tools_(station.Tools()),
      worker_(tools_.Telescope()) {}

std::string CliMount::ProgramId(std::string& error) {
    const std::string& chosen = settings_.TelescopeDriver;
    const auto settingsId = chosen.empty() ? std::nullopt : TelescopeFacade::ParseProgramId(chosen);
    const std::string settingsServer =
        settingsId ? settingsId->host + ":" + std::to_string(settingsId->port) : std::string();
    const std::string server = !server_.empty() ? server_ : settingsId ? settingsServer : kDefaultServer;
    if (!device_.empty()) return server + "/" + device_;
    // The settings' mount, when it is on this server.
    if (settingsId && server == settingsServer) return TelescopeFacade::FormatProgramId(*settingsId);
    TelescopeChooserModel chooser;
    const int32_t result = chooser.List(server);
    if (result != 0) {
        error = "cannot reach the INDI server at " + server;
        return {};
    }
    if (chooser.Entries().empty()) {
        error = "the INDI server at " + server + " offers no telescope";
        return {};
    }
    return chooser.Entries().front().programId;
}

bool CliMount::CreateDriver(std::string& error) {
    const std::string programId = ProgramId(error);
    if (programId.empty()) return false;
    worker_.SetDriver(programId, settings_.GetTelescopeRates(programId));
    tools_.StartTelescope();
    if (!Carry(TelescopeCommandKind::CreateDriver, error)) {
        error = programId + ": " + error;
        return false;
    }
    if (!worker_.DriverCreated()) {
        error = programId + ": the telescope driver could not be made";
        return false;
    }
    return true;
}

bool CliMount::Connect(std::string& error) {
    if (worker_.Connected()) return true;
    if (!Carry(TelescopeCommandKind::Connect, error)) return false;
    if (!worker_.Connected()) {
        error = "the mount did not connect";
        return false;
    }
    return true;
}

bool CliMount::StepUntil(const std::function<bool()>& condition, std::chrono::seconds limit) {
    return CliStationLoop::RunUntil(station_, condition, limit);
}

std::string CliMount::Message(const std::string& fallback) {
    const auto message = worker_.TakeMessage();
    return message ? message->text : fallback;
}

bool CliMount::Carry(TelescopeCommandKind kind, std::string& error, double first, double second) {
    const uint64_t number = worker_.PostCommand(kind, 0, first, second);
    uint64_t passes = 0;
    const bool done = StepUntil(
        [&] {
            if (worker_.CommandsDone() < number) return false;
            if (passes == 0) passes = worker_.Passes();
            // The pass after the one that carried it out has polled the outcome.
            return worker_.Passes() >= passes + 2;
        },
        kCommandLimit);
    if (CliSignals::StopRequested()) {
        error = "stopped by the user";
        return false;
    }
    if (!done) {
        error = "the mount did not answer within " + std::to_string(kCommandLimit.count()) + " s";
        return false;
    }
    error = Message("");
    return error.empty();
}

SharedTelescopeState::Position CliMount::Position() const { return tools_.TelescopeState().Read(); }

bool CliMount::Slew(double raHours, double decDegrees, std::chrono::seconds limit, std::string& error) {
    if (worker_.Parked()) {
        error = "the mount is parked; unpark it first (orvacam-cli mount unpark)";
        return false;
    }
    // As in the window, which slews only a tracking mount: one that does not track drifts
    // off the target as soon as it has arrived.
    if (!worker_.Tracking() && !Carry(TelescopeCommandKind::StartTracking, error)) return false;
    if (!Carry(TelescopeCommandKind::Slew, error, raHours, decDegrees)) return false;
    const auto arrived = [&] {
        const SharedTelescopeState::Position p = Position();
        return p.valid && !worker_.Slewing() &&
               ArcsecApart(p.rightAscensionHours, p.declinationDegrees, raHours, decDegrees) < kArrivalArcsec;
    };
    if (!StepUntil(arrived, limit)) {
        // A mount is not left slewing unwatched.
        std::string ignored;
        Carry(TelescopeCommandKind::AbortSlew, ignored);
        if (CliSignals::StopRequested()) {
            error = "stopped by the user; the slew was aborted";
            return false;
        }
        const SharedTelescopeState::Position p = Position();
        error = "the mount did not arrive within " + std::to_string(limit.count()) + " s; the slew was aborted" +
                (p.valid ? " at " + CliCoordinates::Format(p.rightAscensionHours, p.declinationDegrees) : "");
        return false;
    }
    // The last position the mount reports once it has settled.
    const uint64_t passes = worker_.Passes();
    StepUntil([&] { return worker_.Passes() >= passes + 2; }, kCommandLimit);
    return true;
}

}  // namespace orva
