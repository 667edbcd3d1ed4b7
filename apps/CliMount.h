#pragma once
// The mount as the command line's commands drive it (mount, solve, goto): the station's
// telescope worker over an INDI server, with the waits a command needs around the
// worker's asynchronous commands. Errors are texts for the command's one line.
//
// The mount is the settings' "TelescopeDriver" when it is on the server asked for, else
// the given device, else the first mount the server offers.
//
// Threads: the main thread drives the station (the GUI thread's role).

#include "common/SharedTelescopeState.h"
#include "telescope/TelescopeWorker.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace orva {

class CommandLine;
class ObservingTools;
class Settings;
class Station;

class CliMount {
public:
    static constexpr const char* kDefaultServer = "127.0.0.1:7624";
    // A mount that has stopped within this distance of the target has arrived (a goto ends
    // within arc seconds; a stop far away is a failure, not an arrival).
    static constexpr double kArrivalArcsec = 60.0;
    static constexpr std::chrono::seconds kCommandLimit{30};
    static constexpr std::chrono::seconds kDefaultSlewLimit{180};

    // The "--indi HOST:PORT" option into `server` (left as it is when absent). False,
    // with `error` set, when malformed.
    static bool ServerOption(const CommandLine& line, std::string& server, std::string& error);
    // Great-circle distance in arc seconds between two positions (hours, degrees).
    static double ArcsecApart(double raHoursA, double decDegA, double raHoursB, double decDegB);

    // `server` "host:port" (empty: the settings' server, else kDefaultServer); `device`
    // the mount's INDI name (empty: see above).
    CliMount(Station& station, Settings& settings, std::string server, std::string device);

    // Makes the driver of the chosen mount on the telescope worker's thread.
    bool CreateDriver(std::string& error);
    // Connects the mount unless it is connected.
    bool Connect(std::string& error);
    // Starts tracking when the mount does not track, slews and waits until the mount has
    // arrived and settled; a slew that does not arrive within `limit` is aborted.
    bool Slew(double raHours, double decDegrees, std::chrono::seconds limit, std::string& error);

    // Steps the station until the condition holds; false at the limit or a stop request.
    bool StepUntil(const std::function<bool()>& condition, std::chrono::seconds limit);
    // Posts a command and waits until it was carried out and its outcome polled. False,
    // with `error` set to the worker's message, when it failed or took too long.
    bool Carry(TelescopeCommandKind kind, std::string& error, double first = 0.0, double second = 0.0);

    TelescopeWorker& Worker() { return worker_; }
    SharedTelescopeState::Position Position() const;

private:
    // The mount's program id ("host:port/device"); empty with `error` set when there is none.
    std::string ProgramId(std::string& error);
    // The worker's oldest message, or `fallback`.
    std::string Message(const std::string& fallback);

    Station& station_;
    Settings& settings_;
    const std::string server_;
    const std::string device_;
    ObservingTools& tools_;
    TelescopeWorker& worker_;
};

}  // namespace orva
