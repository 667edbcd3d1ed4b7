#pragma once
// The injectable monotonic clock: everything that waits, paces or times out asks a Clock,
// so tests can advance time directly instead of sleeping.

#include <chrono>
#include <cstdint>

namespace orva {

class Clock {
public:
    using Duration = std::chrono::steady_clock::duration;
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;
    virtual TimePoint Now() const = 0;
    // Blocks the calling thread for the duration (a manual clock advances instead).
    virtual void SleepFor(Duration d) = 0;
};

// The real steady clock; one process-wide instance.
class SteadyClock final : public Clock {
public:
    static SteadyClock& Instance();
    TimePoint Now() const override;
    void SleepFor(Duration d) override;
};

}  // namespace orva
