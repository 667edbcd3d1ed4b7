#include "CliMount.h"

#include "CliSignals.h"
#include "CliStationLoop.h"

#include "common/Settings.h"
#include "station/Station.h"
#include "telescope/TelescopeChooserModel.h"
#include "telescope/TelescopeFacade.h"

namespace orva {

std::optional<std::string> CliMount::ParseServer(const std::string& text, std::string& error) {
    const auto id = TelescopeFacade::ParseProgramId(text + "/x");
    if (!id || text.find('/') != std::string::npos) {
        error = "--indi takes HOST:PORT, not '" + text + "'";
        return std::nullopt;
    }
    return text;
}

CliMount::CliMount(Station& station, Settings& settings)
    : station_(station), settings_(settings), worker_(station.Tools().Telescope()) {}

std::string CliMount::ProgramId(const std::string& requestedServer, const std::string& device, std::string& error) {
    const std::string& chosen = settings_.TelescopeDriver;
    const auto settingsId = chosen.empty() ? std::nullopt : TelescopeFacade::ParseProgramId(chosen);
    const std::string settingsServer =
        settingsId ? settingsId->host + ":" + std::to_string(settingsId->port) : std::string();
    const std::string server = !requestedServer.empty() ? requestedServer : settingsId ? settingsServer : kDefaultServer;
    if (!device.empty()) return server + "/" + device;
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

bool CliMount::Open(const std::string& programId, std::string& error) {
    worker_.SetDriver(programId, settings_.GetTelescopeRates(programId));
    station_.Tools().StartTelescope();
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
    CliStationLoop loop(station_);
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (CliSignals::StopRequested() || std::chrono::steady_clock::now() >= end) return false;
        loop.Step();
    }
    return true;
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

}  // namespace orva
