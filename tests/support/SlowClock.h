#pragma once
// Real time slowed down: Now() advances at 1/factor of the steady clock, SleepFor sleeps
// for real. A worker's time-outs then still end a hang, but a machine busy with other
// builds cannot run them out in a test. Safe to use from several threads.

#include "common/Clock.h"

#include <thread>

namespace orva::test {

class SlowClock final : public Clock {
public:
    explicit SlowClock(int factor = 20) : factor_(factor), origin_(std::chrono::steady_clock::now()) {}
    TimePoint Now() const override { return origin_ + (std::chrono::steady_clock::now() - origin_) / factor_; }
    void SleepFor(Duration d) override { std::this_thread::sleep_for(d); }

private:
    const int factor_;
    const TimePoint origin_;
};

}  // namespace orva::test
