#include "events/OwEventTime.h"

#include <chrono>

namespace orva {
namespace {

// Days from 0001-01-01 to 1970-01-01.
constexpr int64_t kUnixEpochDays = 719162;

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

uint64_t SystemEventTicksNow() {
    const auto sinceUnix = std::chrono::system_clock::now().time_since_epoch();
    const int64_t unixTicks = std::chrono::duration_cast<std::chrono::duration<int64_t, std::ratio<1, 10000000>>>(
                                  sinceUnix)
                                  .count();
    return static_cast<uint64_t>(kUnixEpochDays) * kEventTicksPerDay + static_cast<uint64_t>(unixTicks);
}

bool IsValidUtc(const UtcDateTime& t) {
    if (t.year < 1 || t.year > 9999 || t.month < 1 || t.month > 12) return false;
    if (t.day < 1 || t.day > DaysInMonth(t.year, t.month)) return false;
    return t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 && t.second <= 59 &&
           t.millisecond >= 0 && t.millisecond <= 999;
}

uint64_t EventTicksFromUtc(const UtcDateTime& t) {
    const auto days = static_cast<uint64_t>(DaysFromCivil(t.year, t.month, t.day) + kUnixEpochDays);
    const auto ms = static_cast<uint64_t>(t.hour) * 3600000 + static_cast<uint64_t>(t.minute) * 60000 +
                    static_cast<uint64_t>(t.second) * 1000 + static_cast<uint64_t>(t.millisecond);
    return days * kEventTicksPerDay + ms * 10000;
}

UtcDateTime UtcFromEventTicks(uint64_t ticks) {
    const auto days = static_cast<int64_t>(ticks / kEventTicksPerDay);
    const auto msOfDay = static_cast<int64_t>(ticks % kEventTicksPerDay / 10000);
    return UtcFromUnixMilliseconds((days - kUnixEpochDays) * 86400000 + msOfDay);
}

bool IsUsableEventTime(uint64_t ticks) { return ticks > 0 && ticks < kEventTicksEnd; }

EventDate DateOfTicks(uint64_t ticks) {
    EventDate date;
    CivilFromDays(static_cast<int64_t>(ticks / kEventTicksPerDay) - kUnixEpochDays, date.year, date.month, date.day);
    return date;
}

EventDate AddDays(const EventDate& date, int days) {
    EventDate result;
    CivilFromDays(DaysFromCivil(date.year, date.month, date.day) + days, result.year, result.month, result.day);
    return result;
}

int DayKey(const EventDate& date) { return date.year * 10000 + date.month * 100 + date.day; }

}  // namespace orva
