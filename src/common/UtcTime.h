#pragma once
// UTC calendar arithmetic shared by the log, the frame time stamps and the file names.
// Pure functions without locale or time-zone state, usable from a signal handler.

#include <cstdint>

namespace orva {

struct UtcDateTime {
    int year = 1;
    int month = 1;   // 1..12
    int day = 1;     // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// Days since 1970-01-01 of a proleptic Gregorian date (negative before 1970).
int64_t DaysFromCivil(int year, int month, int day) noexcept;

// Inverse of DaysFromCivil.
void CivilFromDays(int64_t days, int& year, int& month, int& day) noexcept;

// Milliseconds since the Unix epoch to the calendar, and back.
UtcDateTime UtcFromUnixMilliseconds(int64_t unixMs) noexcept;
int64_t UnixMillisecondsFromUtc(const UtcDateTime& t) noexcept;

// The current UTC time from the system's real-time clock (async-signal-safe).
UtcDateTime UtcNow() noexcept;

}  // namespace orva
