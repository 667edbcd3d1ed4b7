#include "common/UtcTime.h"

#include <time.h>

namespace orva {

// Howard Hinnant's civil-calendar algorithms.
int64_t DaysFromCivil(int year, int month, int day) noexcept {
    const int64_t y = static_cast<int64_t>(year) - (month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t mp = (month + 9) % 12;
    const int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t days, int& year, int& month, int& day) noexcept {
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

UtcDateTime UtcFromUnixMilliseconds(int64_t unixMs) noexcept {
    constexpr int64_t msPerDay = 86400000;
    int64_t days = unixMs / msPerDay;
    int64_t msOfDay = unixMs % msPerDay;
    if (msOfDay < 0) {
        msOfDay += msPerDay;
        --days;
    }
    UtcDateTime t;
    CivilFromDays(days, t.year, t.month, t.day);
    t.hour = static_cast<int>(msOfDay / 3600000);
    t.minute = static_cast<int>(msOfDay / 60000 % 60);
    t.second = static_cast<int>(msOfDay / 1000 % 60);
    t.millisecond = static_cast<int>(msOfDay % 1000);
    return t;
}

int64_t UnixMillisecondsFromUtc(const UtcDateTime& t) noexcept {
    return DaysFromCivil(t.year, t.month, t.day) * 86400000 + t.hour * 3600000LL + t.minute * 60000LL +
           t.second * 1000LL + t.millisecond;
}

UtcDateTime UtcNow() noexcept {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return UtcFromUnixMilliseconds(static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000);
}

}  // namespace orva
