#pragma once
// A mount of ours for in-process tests, behind the same driver interface as the INDI
// facade. Its position moves on the injected clock: without tracking the sky turns under
// it (right ascension grows at the sidereal rate), MoveAxis moves an axis at a rate
// relative to the sky and guide pulses move one at the guide rate for their duration.
// Slew and sync put it where they are told at once. It records the calls the worker
// makes, and any operation can be told to fail with a code.
//
// Threads: the telescope worker's thread uses it while a test thread may read what it
// recorded; everything is under one lock.

#include "common/Clock.h"
#include "telescope/ITelescopeDriver.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace orva::test {

class SimulatedMount final : public ITelescopeDriver {
public:
    static constexpr double kSiderealDegPerSec = 15.041067 / 3600.0;

    struct Config {
        double rightAscensionHours = 0.0;
        double declinationDegrees = 0.0;
        bool connected = false;
        bool tracking = false;
        bool canSync = true;
        double guideRateDegPerSec = kSiderealDegPerSec;
        std::vector<TelescopeRateRange> raRanges{{0.01, 4.0}};
        std::vector<TelescopeRateRange> decRanges{{0.01, 4.0}};
        std::string driverInfo = "Simulated mount 1.0";
        // Operation (the method's name, "Tracking" / "CanSync" for the properties) -> the
        // code it answers with.
        std::map<std::string, int32_t> failures;
    };
    struct Move {
        int axis;
        double rate;
        bool operator==(const Move&) const = default;
    };
    struct Pulse {
        int axis;
        int direction;
        int milliseconds;
        bool operator==(const Pulse&) const = default;
    };

    SimulatedMount(const Clock& clock, Config config);

    // The operation answers with `code` from now on; 0 lets it succeed again.
    void Fail(const std::string& operation, int32_t code);
    void Disconnect();  // the link breaks
    std::vector<Move> Moves() const;
    std::vector<Pulse> Pulses() const;
    // Where the mount points now (right ascension hours, declination degrees).
    std::pair<double, double> Position();

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

private:
    int32_t Failure(const std::string& operation) const;
    // Sync and slew both put the mount where they are told at once.
    int32_t PointAt(const std::string& operation, double rightAscensionHours, double declinationDegrees);
    // Moves the position up to the clock's now (lock held).
    void Advance();

    const Clock& clock_;
    mutable std::mutex mutex_;
    Config config_;
    Clock::TimePoint last_;
    double axisRates_[2] = {0.0, 0.0};
    Clock::TimePoint pulseStart_[2]{};
    Clock::TimePoint pulseEnd_[2]{};
    int pulseDirection_[2] = {0, 0};
    bool lost_ = false;
    std::vector<Move> moves_;
    std::vector<Pulse> pulses_;
};

// Hands out simulated mounts for the program id "sim"; any other id fails as an unknown
// device would. The last mount made stays reachable for the test while the worker owns it.
class SimulatedMountFactory final : public ITelescopeDriverFactory {
public:
    static constexpr const char* kProgramId = "sim";

    explicit SimulatedMountFactory(const Clock& clock) : clock_(clock) {}
    int32_t Create(const std::string& programId, std::unique_ptr<ITelescopeDriver>& driver) override;
    SimulatedMount* Last() const { return last_; }
    int Created() const { return created_; }

    // What the next mount starts with.
    SimulatedMount::Config config;

private:
    const Clock& clock_;
    SimulatedMount* last_ = nullptr;
    int created_ = 0;
};

}  // namespace orva::test
