#pragma once
// A clock that moves only when told to. SleepFor advances it, so code that paces itself
// runs instantly in tests. Safe to use from several threads.

#include "common/Clock.h"

#include <atomic>

namespace orva::test {

class ManualClock final : public Clock {
public:
    TimePoint Now() const override { return TimePoint(Duration(ticks_.load())); }
    void SleepFor(Duration d) override { Advance(d); }
    void Advance(Duration d) { ticks_.fetch_add(d.count()); }

private:
    std::atomic<Duration::rep> ticks_{0};
};

}  // namespace orva::test
