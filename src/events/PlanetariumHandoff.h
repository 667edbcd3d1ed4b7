#pragma once
// Opens the planetarium (C2A) at an event: starts the program when it is not running yet,
// gives it up to five seconds to come up, and sends it the event's parameter text over one
// TCP connection to 127.0.0.1 (port 5876 unless a test says otherwise).
//
// The wait never blocks: Begin starts the hand-off, and the window's timer calls Step
// until it reports Done. The program's end during the wait ("W C2A ended early.") or a
// failed start does not stop the hand-off: a planetarium that is already listening still
// gets the text.
//
// The parameter text is "key=value;" pairs; names from the event feed are put in with
// every ";" and "=" replaced by a blank, so no name can add or change a parameter.
//
// Threads: GUI thread only.

#include "common/Clock.h"
#include "events/OwEvent.h"
#include "events/ProcessLauncher.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orva {

class PlanetariumHandoff {
public:
    static constexpr uint16_t kDefaultPort = 5876;
    static constexpr std::chrono::milliseconds kStartWait{5000};

    enum class Step { Waiting, Done };
    enum class Outcome { None, Sent, SendFailed };

    struct Site {
        double latitudeDeg = 0.0;
        double longitudeDeg = 0.0;
    };

    PlanetariumHandoff(ProcessLauncher& launcher, const Clock& clock, uint16_t port = kDefaultPort);

    // "/ow versionC2aMin=2043;ra=...;de=...;...;eventTime=dd/mm/yyyy hh:mm:ss;starName=...;
    // astName=...;[lat=...;lon=...;]displayAsteroid=False;..." (ra in hours, de in degrees).
    static std::string ParameterText(const OwEvent& event, const std::optional<Site>& site);
    // A name as a parameter value: ";" and "=" become blanks.
    static std::string ParameterValue(std::string_view name);

    // Starts a hand-off of the text to the program (a path, or a name on PATH). A hand-off
    // still running is replaced. Done at once when the program is running already.
    Step Begin(const std::string& programPath, const std::string& parameterText);
    // Waits for the started program; sends once it runs (or has ended, or failed to start).
    Step Poll();
    bool Busy() const { return busy_; }
    // How the last finished hand-off ended.
    Outcome LastOutcome() const { return outcome_; }
    // The program the last Begin started (-1: none).
    pid_t StartedPid() const { return pid_; }
    // The start of the program failed (negative errno of the last Begin), 0 otherwise.
    int32_t StartFailure() const { return startFailure_; }

    // Sends the text, without terminator, over one connection to 127.0.0.1:port, then
    // closes it; a partial send is continued until every byte is out. Failures are logged
    // ("E Failed to connect socket:  <errno>" ...). True when every byte was sent.
    static bool SendToLoopback(uint16_t port, std::string_view text);

private:
    Step Finish();

    ProcessLauncher& launcher_;
    const Clock& clock_;
    uint16_t port_;
    bool busy_ = false;
    pid_t pid_ = -1;
    Clock::TimePoint deadline_{};
    std::string text_;
    Outcome outcome_ = Outcome::None;
    int32_t startFailure_ = 0;
};

}  // namespace orva
