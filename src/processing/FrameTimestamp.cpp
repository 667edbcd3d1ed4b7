#include "processing/FrameTimestamp.h"

#include "common/UtcTime.h"

namespace orva {
namespace {

constexpr uint64_t kTicksPerMillisecond = 10000;
constexpr uint64_t kTicksPerDay = 86400ULL * 1000 * kTicksPerMillisecond;

bool IsCalendarTime(const CalendarTime& t) {
    return t.year >= 1 && t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 && t.hour < 24 &&
           t.minute < 60 && t.second < 61 && t.milliseconds < 1000;
}

}  // namespace

uint64_t FrameTimestampTicks(const CalendarTime& t) {
    if (!IsCalendarTime(t)) return 0;
    const int64_t days = DaysFromCivil(t.year, t.month, t.day) - DaysFromCivil(1, 1, 1);
    const uint64_t ms = ((static_cast<uint64_t>(t.hour) * 60 + t.minute) * 60 + t.second) * 1000 + t.milliseconds;
    return static_cast<uint64_t>(days) * kTicksPerDay + ms * kTicksPerMillisecond;
}

int64_t FileTimeOf(const CalendarTime& t) {
    const uint64_t ticks = FrameTimestampTicks(t);
    if (ticks < kFileTimeEpochTicks) return -1;
    return static_cast<int64_t>(ticks - kFileTimeEpochTicks);
}

}  // namespace orva
