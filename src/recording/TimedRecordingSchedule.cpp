#include "recording/TimedRecordingSchedule.h"

#include <cstdio>

namespace orva {
namespace {

// One or two digits up to `max`, advancing `at`.
std::optional<int> Field(std::string_view text, std::size_t& at, int max) {
    int value = 0;
    std::size_t digits = 0;
    while (at < text.size() && digits < 2 && text[at] >= '0' && text[at] <= '9') {
        value = value * 10 + (text[at] - '0');
        ++at;
        ++digits;
    }
    if (digits == 0 || value > max) return std::nullopt;
    return value;
}

}  // namespace

std::optional<int> TimedRecordingSchedule::ParseCenterTime(std::string_view text) {
    std::size_t at = 0;
    const auto hours = Field(text, at, 23);
    if (!hours || at >= text.size() || text[at++] != ':') return std::nullopt;
    const auto minutes = Field(text, at, 59);
    if (!minutes || at >= text.size() || text[at++] != ':') return std::nullopt;
    const auto seconds = Field(text, at, 59);
    if (!seconds || at != text.size()) return std::nullopt;
    return *hours * 3600 + *minutes * 60 + *seconds;
}

int TimedRecordingSchedule::StartSecondOfDay(int centerSecond, int durationSeconds, int nowSecond) {
    int start = centerSecond - durationSeconds / 2;
    if (start < nowSecond) start += kSecondsPerDay;
    return start;
}

int TimedRecordingSchedule::RemainingDelay(int startSecond, int nowSecond, int durationSeconds) {
    int remaining = startSecond - nowSecond;
    // Past midnight the start (kept as "tomorrow") has come or just passed.
    if (remaining >= kSecondsPerDay - durationSeconds) remaining -= kSecondsPerDay;
    return remaining;
}

std::string TimedRecordingSchedule::FormatSecondOfDay(int second) {
    const int s = ((second % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay;
    char text[16];
    std::snprintf(text, sizeof(text), "%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
    return text;
}

}  // namespace orva
