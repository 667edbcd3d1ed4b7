#pragma once
// TelescopeFacade: one mount reached through an INDI server.
//
// The program id names the server and the device: "host:port/device" (the port may be
// left out, and "device" alone means localhost:7624). The mount's operations map onto
// the standard telescope properties:
//   connected            CONNECTION (CONNECT / DISCONNECT)
//   position             EQUATORIAL_EOD_COORD (RA hours, DEC degrees, of date)
//   sync, slew           ON_COORD_SET (SYNC, TRACK), then EQUATORIAL_EOD_COORD
//   tracking             TELESCOPE_TRACK_STATE (TRACK_ON / TRACK_OFF)
//   can sync             ON_COORD_SET offers SYNC
//   axis rates           TELESCOPE_SLEW_RATE: one fixed rate per entry, in degrees per
//                        second from an "<n>x" label (n x sidereal), else by position
//   move an axis         TELESCOPE_SLEW_RATE (the nearest entry), then
//                        TELESCOPE_MOTION_WE (east / west) or TELESCOPE_MOTION_NS
//   guide pulses         TELESCOPE_TIMED_GUIDE_WE / TELESCOPE_TIMED_GUIDE_NS (ms)
//   driver information   DRIVER_INFO (name and version)
// Writes wait for the driver's answer (at most kReplyTimeout); an alert is a refusal.
// Destroying the facade leaves the mount connected.
//
// Threads: the telescope worker's thread only (the client's listener thread is internal).

#include "telescope/ITelescopeDriver.h"
#include "telescope/IndiClient.h"

#include <chrono>
#include <functional>
#include <optional>

namespace orva {

struct TelescopeProgramId {
    std::string host = "localhost";
    int port = 7624;
    std::string device;
};

class TelescopeFacade final : public ITelescopeDriver {
public:
    static constexpr std::chrono::milliseconds kReplyTimeout{5000};
    static constexpr double kSiderealDegPerSec = 15.041067 / 3600.0;

    static std::optional<TelescopeProgramId> ParseProgramId(const std::string& text);
    static std::string FormatProgramId(const TelescopeProgramId& id);

    // Reaches the server and waits for the device to be offered.
    static int32_t Create(const std::string& programId, std::unique_ptr<ITelescopeDriver>& driver);

    int32_t IsConnected(bool& connected) override;
    int32_t SetConnected(bool connected) override;
    int32_t GetCoordinates(double& rightAscensionHours, double& declinationDegrees, bool& connected) override;
    int32_t Sync(double rightAscensionHours, double declinationDegrees) override;
    int32_t Slew(double rightAscensionHours, double declinationDegrees) override;
    int32_t GetAxisRates(int axis, std::vector<TelescopeRateRange>& ranges) override;
    int32_t GetBoolProperty(const std::string& name, bool& value) override;
    int32_t PutBoolProperty(const std::string& name, bool value) override;
    int32_t MoveAxis(int axis, double rate) override;
    int32_t PulseGuide(int axis, int direction, int milliseconds) override;
    int32_t GetDriverInfo(std::string& info) override;
    bool ConnectionLost() const override;

    // Degrees per second of a slew-rate entry: "<n>x" labels give n x sidereal; other
    // labels count 4^index x sidereal (guide, centre, find, max ...).
    static double NominalRate(const std::string& label, std::size_t index);

private:
    explicit TelescopeFacade(std::string device);

    // Waits until a property satisfies the test; kTelescopeServerLost, kTelescopeRefused
    // for an alert newer than `generation`, or kTelescopeNoAnswer.
    int32_t Await(const std::string& property, uint64_t generation,
                  const std::function<bool(const IndiProperty&)>& done);
    uint64_t Generation(const std::string& property) const;
    int32_t Lost() const;
    int32_t SendCoordinates(const char* mode, double rightAscensionHours, double declinationDegrees);

    std::string device_;
    IndiClient client_;
};

}  // namespace orva
