#include "telescope/SimulatedMount.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace orva::test {

namespace {

double Seconds(Clock::Duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

SimulatedMount::SimulatedMount(const Clock& clock, Config config)
    : clock_(clock), config_(std::move(config)), last_(clock.Now()) {}

void SimulatedMount::Fail(const std::string& operation, int32_t code) {
    std::lock_guard lock(mutex_);
    config_.failures[operation] = code;
}

void SimulatedMount::Disconnect() {
    std::lock_guard lock(mutex_);
    lost_ = true;
}

std::vector<SimulatedMount::Move> SimulatedMount::Moves() const {
    std::lock_guard lock(mutex_);
    return moves_;
}

std::vector<SimulatedMount::Pulse> SimulatedMount::Pulses() const {
    std::lock_guard lock(mutex_);
    return pulses_;
}

std::pair<double, double> SimulatedMount::Position() {
    std::lock_guard lock(mutex_);
    Advance();
    return {config_.rightAscensionHours, config_.declinationDegrees};
}

int32_t SimulatedMount::Failure(const std::string& operation) const {
    const auto it = config_.failures.find(operation);
    return it == config_.failures.end() ? 0 : it->second;
}

void SimulatedMount::Advance() {
    const Clock::TimePoint now = clock_.Now();
    if (now <= last_) return;
    const double dt = Seconds(now - last_);
    double raDegrees = 0.0;
    double decDegrees = 0.0;
    if (config_.connected) {
        if (!config_.tracking) raDegrees += kSiderealDegPerSec * dt;
        raDegrees += axisRates_[0] * dt;
        decDegrees += axisRates_[1] * dt;
        for (int axis = 0; axis < 2; ++axis) {
            const Clock::TimePoint from = std::max(last_, pulseStart_[axis]);
            const Clock::TimePoint to = std::min(now, pulseEnd_[axis]);
            if (to <= from) continue;
            const double shift = pulseDirection_[axis] * config_.guideRateDegPerSec * Seconds(to - from);
            (axis == 0 ? raDegrees : decDegrees) += shift;
        }
    }
    // Wrapped only when it leaves 0..24 h, so small positions keep their precision.
    double ra = config_.rightAscensionHours + raDegrees / 15.0;
    if (ra >= 24.0 || ra < 0.0) ra = std::fmod(std::fmod(ra, 24.0) + 24.0, 24.0);
    config_.rightAscensionHours = ra;
    config_.declinationDegrees = std::clamp(config_.declinationDegrees + decDegrees, -90.0, 90.0);
    last_ = now;
}

int32_t SimulatedMount::IsConnected(bool& connected) {
    std::lock_guard lock(mutex_);
    connected = false;
    if (const int32_t code = Failure("IsConnected")) return code;
    connected = config_.connected;
    return 0;
}

int32_t SimulatedMount::SetConnected(bool connected) {
    std::lock_guard lock(mutex_);
    if (const int32_t code = Failure("SetConnected")) return code;
    Advance();
    config_.connected = connected;
    return 0;
}

int32_t SimulatedMount::GetCoordinates(double& rightAscensionHours, double& declinationDegrees, bool& connected) {
    std::lock_guard lock(mutex_);
    rightAscensionHours = 0.0;
    declinationDegrees = 0.0;
    connected = config_.connected;
    if (!connected) return 0;
    if (const int32_t code = Failure("GetCoordinates")) return code;
    Advance();
    rightAscensionHours = config_.rightAscensionHours;
    declinationDegrees = config_.declinationDegrees;
    return 0;
}

int32_t SimulatedMount::PointAt(const std::string& operation, double rightAscensionHours, double declinationDegrees) {
    std::lock_guard lock(mutex_);
    if (const int32_t code = Failure(operation)) return code;
    Advance();
    config_.rightAscensionHours = rightAscensionHours;
    config_.declinationDegrees = declinationDegrees;
    return 0;
}

int32_t SimulatedMount::Sync(double rightAscensionHours, double declinationDegrees) {
    return PointAt("Sync", rightAscensionHours, declinationDegrees);
}

int32_t SimulatedMount::Slew(double rightAscensionHours, double declinationDegrees) {
    return PointAt("Slew", rightAscensionHours, declinationDegrees);
}

int32_t SimulatedMount::GetAxisRates(int axis, std::vector<TelescopeRateRange>& ranges) {
    std::lock_guard lock(mutex_);
    ranges.clear();
    if (const int32_t code = Failure("GetAxisRates")) return code;
    ranges = axis == 0 ? config_.raRanges : config_.decRanges;
    return 0;
}

int32_t SimulatedMount::GetBoolProperty(const std::string& name, bool& value) {
    std::lock_guard lock(mutex_);
    value = false;
    if (const int32_t code = Failure(name)) return code;
    if (name == "Tracking") {
        value = config_.tracking;
    } else if (name == "CanSync") {
        value = config_.canSync;
    } else {
        return kTelescopeNoProperty;
    }
    return 0;
}

int32_t SimulatedMount::PutBoolProperty(const std::string& name, bool value) {
    std::lock_guard lock(mutex_);
    if (const int32_t code = Failure(name)) return code;
    if (name != "Tracking") return kTelescopeNoProperty;
    Advance();
    config_.tracking = value;
    return 0;
}

int32_t SimulatedMount::MoveAxis(int axis, double rate) {
    std::lock_guard lock(mutex_);
    moves_.push_back({axis, rate});
    if (const int32_t code = Failure("MoveAxis")) return code;
    if (axis < 0 || axis > 1) return kTelescopeBadArgument;
    Advance();
    axisRates_[axis] = rate;
    return 0;
}

int32_t SimulatedMount::PulseGuide(int axis, int direction, int milliseconds) {
    std::lock_guard lock(mutex_);
    pulses_.push_back({axis, direction, milliseconds});
    if (const int32_t code = Failure("PulseGuide")) return code;
    if (axis < 0 || axis > 1 || milliseconds < 0) return kTelescopeBadArgument;
    Advance();
    pulseDirection_[axis] = direction > 0 ? 1 : -1;
    pulseStart_[axis] = last_;
    pulseEnd_[axis] = last_ + std::chrono::duration_cast<Clock::Duration>(std::chrono::milliseconds(milliseconds));
    return 0;
}

int32_t SimulatedMount::GetDriverInfo(std::string& info) {
    std::lock_guard lock(mutex_);
    info.clear();
    if (const int32_t code = Failure("GetDriverInfo")) return code;
    info = config_.driverInfo;
    return 0;
}

bool SimulatedMount::ConnectionLost() const {
    std::lock_guard lock(mutex_);
    return lost_;
}

int32_t SimulatedMountFactory::Create(const std::string& programId, std::unique_ptr<ITelescopeDriver>& driver) {
    if (programId != kProgramId) return kTelescopeNoDevice;
    auto mount = std::make_unique<SimulatedMount>(clock_, config);
    last_ = mount.get();
    ++created_;
    driver = std::move(mount);
    return 0;
}

}  // namespace orva::test
