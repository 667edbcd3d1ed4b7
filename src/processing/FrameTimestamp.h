#pragma once
// Frame time stamps from the timing record's calendar times: 100-ns ticks since
// 0001-01-01 00:00 UTC, and the platform file time (ticks since 1601-01-01 UTC) that the
// recording's start and end information keeps.
//
// Pure functions; any thread.

#include "camera/BinaryOverlay.h"

#include <cstdint>

namespace orva {

// Ticks between 0001-01-01 and 1601-01-01.
inline constexpr uint64_t kFileTimeEpochTicks = 504911232000000000ULL;

// 0 for a time that is not a calendar date (a record never decoded has all zeros).
uint64_t FrameTimestampTicks(const CalendarTime& time);
// The platform file time of the same instant; -1 when the time is not a calendar date
// or lies before 1601.
int64_t FileTimeOf(const CalendarTime& time);

}  // namespace orva
