#pragma once
// The mount as the command line reaches it: through the station's telescope worker, as
// the "Telescope Control" window drives it, over an INDI server. Finds the mount's
// program id, makes its driver, connects it and carries out single commands, stepping
// the station while it waits. Shared by the commands that move the mount.
//
// Threads: the main thread drives the station (the GUI thread's role).

#include "telescope/TelescopeWorker.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace orva {

class Settings;
class Station;

class CliMount {
public:
    static constexpr const char* kDefaultServer = "127.0.0.1:7624";
    // How long one command may take the mount.
    static constexpr std::chrono::seconds kCommandLimit{30};

    // The value of "--indi": "host:port"; nothing, with `error` set, otherwise.
    static std::optional<std::string> ParseServer(const std::string& text, std::string& error);

    CliMount(Station& station, Settings& settings);

    // The mount's program id ("host:port/device"): `device` on `server` when given, else
    // the settings' "TelescopeDriver" when it is on that server, else the first mount the
    // server offers. An empty server: the settings' server, else kDefaultServer. Empty,
    // with `error` set, when there is none.
    std::string ProgramId(const std::string& server, const std::string& device, std::string& error);
    // Starts the worker and makes the driver of this mount. False with `error` set.
    bool Open(const std::string& programId, std::string& error);
    // Connects the mount unless it is connected. False with `error` set.
    bool Connect(std::string& error);

    // Steps the station until the condition holds; false at the limit or a stop request.
    bool StepUntil(const std::function<bool()>& condition, std::chrono::seconds limit);
    // Posts a command and waits until it was carried out and its outcome polled. False,
    // with `error` set to the worker's message, when it failed or took too long.
    bool Carry(TelescopeCommandKind kind, std::string& error, double first = 0.0, double second = 0.0);
    // The worker's oldest message, or `fallback`.
    std::string Message(const std::string& fallback);

    TelescopeWorker& Worker() { return worker_; }

private:
    Station& station_;
    Settings& settings_;
    TelescopeWorker& worker_;
};

}  // namespace orva
