#pragma once
// The telescope worker: the one thread that talks to the mount driver. The telescope
// window hands it commands through a queue; the worker polls the mount's position and
// tracking state every 200 ms, publishes the position to SharedTelescopeState, carries
// out the commands, determines the table of move rates, and reports every failure as a
// message on a queue that the GUI thread empties and shows. It never shows anything.
//
// Threads: PostCommand, TakeMessage, SetDriver and the state queries from any thread
// (the GUI thread in practice); RunPass on the worker thread only (or a test calling it
// directly). The driver is created, used and destroyed on that thread; Stop joins it,
// so the driver and the queues outlive every call that may still run.

#include "common/Clock.h"
#include "common/IUiServices.h"
#include "common/SharedTelescopeState.h"
#include "telescope/ITelescopeDriver.h"
#include "telescope/TelescopeRates.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace orva {

enum class TelescopeCommandKind : int32_t {
    None = 0,
    CreateDriver = 1,
    Connect = 2,
    Disconnect = 3,
    StartTracking = 4,
    StopTracking = 5,
    MoveAxis = 6,
    Sync = 7,
    Slew = 8,
    // A timed guide pulse: axis, signed duration in ms as the first value (+ east / north).
    GuidePulse = 9,
    Park = 10,
    Unpark = 11,
    AbortSlew = 12,
};

struct TelescopeCommand {
    TelescopeCommandKind kind = TelescopeCommandKind::None;
    int32_t axis = 0;
    double first = 0.0;   // rate (deg/s), right ascension (h) or pulse (ms)
    double second = 0.0;  // declination (deg)
    bool operator==(const TelescopeCommand&) const = default;
};

struct TelescopeMessage {
    std::string title;
    std::string text;
    MessageIcon icon = MessageIcon::Error;
    bool operator==(const TelescopeMessage&) const = default;
};

class TelescopeWorker {
public:
    static constexpr std::chrono::milliseconds kPollPeriod{200};
    static constexpr const char* kErrorTitle = "Telescope Error";

    // trackingRate: degrees per second of the mount's tracking ("RaTrackingSpeedE5" x 1e-5);
    // the right ascension rates of MoveAxis commands include it.
    TelescopeWorker(ITelescopeDriverFactory& factory, SharedTelescopeState& shared, Clock& clock, double trackingRate);
    ~TelescopeWorker();
    TelescopeWorker(const TelescopeWorker&) = delete;
    TelescopeWorker& operator=(const TelescopeWorker&) = delete;

    void StartThread();
    // Clears the run flag and joins the thread; logs when it did not stop within 500 ms.
    void Stop();

    // The program id and that driver's stored rates text, copied by the window from the settings.
    void SetDriver(const std::string& programId, const std::string& ratesText);
    std::string ProgramId() const;

    // The command's number: commands are numbered 1, 2, ... in the order posted.
    uint64_t PostCommand(TelescopeCommandKind kind, int32_t axis = 0, double first = 0.0, double second = 0.0);
    // How many commands have been carried out (or dropped), and how many passes have
    // ended: a pass ending after a command's number was reached has polled its outcome.
    uint64_t CommandsDone() const { return commandsDone_.load(); }
    uint64_t Passes() const { return passes_.load(); }
    // The oldest message, or none.
    std::optional<TelescopeMessage> TakeMessage();
    // The oldest command, kind None when there is none.
    TelescopeCommand TakeCommand();

    bool DriverCreated() const { return driverCreated_.load(); }
    bool Connected() const { return connected_.load(); }
    bool Tracking() const { return tracking_.load(); }
    bool CanSync() const { return canSync_.load(); }
    // The mount reports a slew under way / that it is parked (false when it cannot say).
    bool Slewing() const { return slewing_.load(); }
    bool Parked() const { return parked_.load(); }
    std::string DriverInfo() const;
    TelescopeRates& Rates() { return rates_; }

    // One pass: poll, publish, carry out the queued commands (no pause).
    void RunPass();

private:
    void Poll();
    void Execute(const TelescopeCommand& command);
    void CreateDriver();
    void DetermineRates();
    void Queue(const std::string& text, const char* title = kErrorTitle, MessageIcon icon = MessageIcon::Error);
    void DropDriver();

    ITelescopeDriverFactory& factory_;
    SharedTelescopeState& shared_;
    Clock& clock_;
    const double trackingRate_;

    std::unique_ptr<ITelescopeDriver> driver_;  // worker thread only
    std::atomic<bool> driverCreated_{false};
    std::atomic<bool> connected_{false};
    std::atomic<bool> tracking_{false};
    std::atomic<bool> canSync_{false};
    std::atomic<bool> slewing_{false};
    std::atomic<bool> parked_{false};
    std::atomic<uint64_t> commandsPosted_{0};
    std::atomic<uint64_t> commandsDone_{0};
    std::atomic<uint64_t> passes_{0};
    std::atomic<bool> run_{false};
    std::atomic<bool> running_{false};

    mutable std::mutex mutex_;  // the queues and the texts
    std::deque<TelescopeCommand> commands_;
    std::deque<TelescopeMessage> messages_;
    std::string programId_;
    std::string ratesText_;
    std::string driverInfo_;
    TelescopeRates rates_;
    std::condition_variable stopped_;
    std::thread thread_;
};

}  // namespace orva
