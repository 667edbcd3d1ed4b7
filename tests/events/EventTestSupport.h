#pragma once
// Small builders shared by the event tests.

#include "events/OwEvent.h"
#include "events/OwEventTime.h"

#include <string>

namespace orva::test {

inline uint64_t Ticks(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int ms = 0) {
    const UtcDateTime t{year, month, day, hour, minute, second, ms};
    return EventTicksFromUtc(t);
}

inline OwEvent MakeEvent(const std::string& asteroid, const std::string& star, uint64_t time) {
    OwEvent e;
    e.AsteroidName = asteroid;
    e.StarName = star;
    e.EventTime = time;
    e.OwEventInfoVersion = 1;
    return e;
}

}  // namespace orva::test
