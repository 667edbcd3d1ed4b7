#include "CliStationLoop.h"

#include "CliSignals.h"

#include "station/Station.h"

#include <thread>

namespace orva {

void CliStationLoop::Step() {
    std::this_thread::sleep_for(kLoopPeriod);
    if (Clock::now() >= nextTick_) {
        station_.Tick();
        nextTick_ += kTickPeriod;
    }
}

bool CliStationLoop::RunUntil(Station& station, const std::function<bool()>& condition, std::chrono::seconds limit) {
    CliStationLoop loop(station);
    const auto end = Clock::now() + limit;
    while (!condition()) {
        if (CliSignals::StopRequested() || Clock::now() >= end) return false;
        loop.Step();
    }
    return true;
}

}  // namespace orva
