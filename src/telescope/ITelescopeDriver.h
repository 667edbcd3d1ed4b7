#pragma once
// What the telescope worker asks of a mount driver: the operations of the telescope
// facade, each returning a result code (0 success, negative failure). TelescopeFacade
// implements it over an INDI server; tests may put a simulated mount behind it.
//
// Threads: used by the telescope worker's thread only.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orva {

// Failures of the driver operations.
inline constexpr int32_t kTelescopeBadProgramId = -1;
inline constexpr int32_t kTelescopeServerUnreachable = -2;
inline constexpr int32_t kTelescopeNoDevice = -3;
inline constexpr int32_t kTelescopeNoProperty = -4;
inline constexpr int32_t kTelescopeNoAnswer = -5;
inline constexpr int32_t kTelescopeRefused = -6;  // the driver answered with an alert
inline constexpr int32_t kTelescopeServerLost = -7;
inline constexpr int32_t kTelescopeBadArgument = -8;

// One rate range an axis offers, degrees per second.
struct TelescopeRateRange {
    double minimum = 0.0;
    double maximum = 0.0;
};

class ITelescopeDriver {
public:
    virtual ~ITelescopeDriver() = default;

    virtual int32_t IsConnected(bool& connected) = 0;
    virtual int32_t SetConnected(bool connected) = 0;
    // Both outputs 0 first; not connected returns at once with the IsConnected result.
    virtual int32_t GetCoordinates(double& rightAscensionHours, double& declinationDegrees, bool& connected) = 0;
    virtual int32_t Sync(double rightAscensionHours, double declinationDegrees) = 0;
    // Starts a slew and returns once the mount accepted it.
    virtual int32_t Slew(double rightAscensionHours, double declinationDegrees) = 0;
    // Axis 0: right ascension, 1: declination.
    virtual int32_t GetAxisRates(int axis, std::vector<TelescopeRateRange>& ranges) = 0;
    // "Tracking" (read and write), "CanSync", "Slewing" and "Parked" (read), "Park" (write:
    // true parks, false unparks) and "AbortSlew" (write true).
    virtual int32_t GetBoolProperty(const std::string& name, bool& value) = 0;
    virtual int32_t PutBoolProperty(const std::string& name, bool value) = 0;
    // Moves an axis at a rate in degrees per second relative to the sky (tracking comes
    // on top): positive moves east in right ascension and north in declination; 0 stops
    // the axis.
    virtual int32_t MoveAxis(int axis, double rate) = 0;
    // A timed guide pulse at the driver's guide rate: direction +1 east / north, -1 west / south.
    virtual int32_t PulseGuide(int axis, int direction, int milliseconds) = 0;
    virtual int32_t GetDriverInfo(std::string& info) = 0;
    // True once the link to the driver broke after it was made.
    virtual bool ConnectionLost() const = 0;
};

// Makes the driver for a program id (the "TelescopeDriver" setting).
class ITelescopeDriverFactory {
public:
    virtual ~ITelescopeDriverFactory() = default;
    virtual int32_t Create(const std::string& programId, std::unique_ptr<ITelescopeDriver>& driver) = 0;
};

}  // namespace orva
