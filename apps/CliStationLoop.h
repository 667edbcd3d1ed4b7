#pragma once
// Keeps the station's 200 ms housekeeping timer running while a command waits: each Step
// sleeps 50 ms and ticks the station when a tick is due.
//
// Threads: the station's thread.

#include <chrono>
#include <functional>

namespace orva {

class Station;

class CliStationLoop {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr auto kLoopPeriod = std::chrono::milliseconds(50);
    static constexpr auto kTickPeriod = std::chrono::milliseconds(200);

    explicit CliStationLoop(Station& station) : station_(station), nextTick_(Clock::now()) {}

    void Step();
    // Steps the station until the condition holds; false at the limit or a stop request
    // (Ctrl+C).
    static bool RunUntil(Station& station, const std::function<bool()>& condition, std::chrono::seconds limit);

private:
    Station& station_;
    Clock::time_point nextTick_;
};

}  // namespace orva
