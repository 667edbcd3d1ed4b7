#pragma once
// Event times (100-ns ticks since 0001-01-01 00:00 UTC), the UTC calendar dates of the
// event store's day files and the day keys (yyyymmdd as a number) that name them.
//
// Pure functions, any thread, except SystemEventTicksNow, which reads the system clock.

#include "common/UtcTime.h"

#include <cstdint>
#include <functional>

namespace orva {

inline constexpr uint64_t kEventTicksPerSecond = 10000000ULL;
inline constexpr uint64_t kEventTicksPerDay = 86400ULL * kEventTicksPerSecond;
// 10000-01-01: event times from here on have no four-digit year and are refused.
inline constexpr uint64_t kEventTicksEnd = 3652059ULL * kEventTicksPerDay;

// The current UTC time in event ticks; injected wherever the store needs "now".
using EventClock = std::function<uint64_t()>;
uint64_t SystemEventTicksNow();

struct EventDate {
    int year = 1;
    int month = 1;
    int day = 1;
    bool operator==(const EventDate&) const = default;
};

// A calendar time of the years 1 to 9999 with every field in its range.
bool IsValidUtc(const UtcDateTime& t);
// Ticks of a valid calendar time.
uint64_t EventTicksFromUtc(const UtcDateTime& t);
UtcDateTime UtcFromEventTicks(uint64_t ticks);

// An event time that can be filed and counted down: after 0001-01-01 00:00 and before
// the year 10000. 0 stands for "no time".
bool IsUsableEventTime(uint64_t ticks);

EventDate DateOfTicks(uint64_t ticks);
EventDate AddDays(const EventDate& date, int days);
// year * 10000 + month * 100 + day.
int DayKey(const EventDate& date);

}  // namespace orva
