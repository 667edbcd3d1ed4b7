#pragma once
// The clock arithmetic of timed recordings: a recording of a given duration centred on a
// UTC time of day. Times are seconds since 00:00 UTC; a centre whose start has already
// passed today means tomorrow.
//
// Pure functions; any thread.

#include <optional>
#include <string>
#include <string_view>

namespace orva {

class TimedRecordingSchedule {
public:
    static constexpr int kSecondsPerDay = 86400;

    // "HH:MM:SS" with hours 0..23 and minutes and seconds 0..59 (one or two digits each);
    // nothing for any other text.
    static std::optional<int> ParseCenterTime(std::string_view text);
    // centre - duration / 2 (integer division), moved to tomorrow (+86400) when it is
    // earlier than now.
    static int StartSecondOfDay(int centerSecond, int durationSeconds, int nowSecond);
    // Seconds until the start; a start that passed within the last `durationSeconds`
    // gives a value of 0 or below (start at once).
    static int RemainingDelay(int startSecond, int nowSecond, int durationSeconds);
    // "%02d:%02d:%02d"
    static std::string FormatSecondOfDay(int second);
};

}  // namespace orva
