#include "CliStationLoop.h"

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

}  // namespace orva
