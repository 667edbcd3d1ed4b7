#include "common/Clock.h"

#include <thread>

namespace orva {

SteadyClock& SteadyClock::Instance() {
    static SteadyClock clock;
    return clock;
}

Clock::TimePoint SteadyClock::Now() const { return std::chrono::steady_clock::now(); }

void SteadyClock::SleepFor(Duration d) { std::this_thread::sleep_for(d); }

}  // namespace orva
