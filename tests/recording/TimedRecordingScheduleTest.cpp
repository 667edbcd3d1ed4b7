#include "recording/TimedRecordingSchedule.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

using S = TimedRecordingSchedule;

constexpr int At(int h, int m, int s) { return h * 3600 + m * 60 + s; }

TEST(TimedRecordingScheduleTest, ParsesCentreTimes) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"21:30:12", At(21, 30, 12)}, {"00:00:30", 30},         {"23:59:59", At(23, 59, 59)},
        {"1:2:3", At(1, 2, 3)},       {"24:00:00", std::nullopt}, {"12:60:00", std::nullopt},
        {"12:00:60", std::nullopt},   {"-1:00:00", std::nullopt}, {"12:00", std::nullopt},
        {"12:00:00x", std::nullopt},  {" 12:00:00", std::nullopt}, {"120:00:00", std::nullopt},
        {"", std::nullopt},           {"ab:cd:ef", std::nullopt},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(S::ParseCenterTime(text), expected) << text;
}

TEST(TimedRecordingScheduleTest, StartAndRemainingDelay) {
    struct Case {
        int center;
        int duration;
        int now;
        int start;
        int delay;
    };
    const Case cases[] = {
        // Centred 00:00:30 for 120 s, asked at 23:50:00: starts 23:59:30 the same day.
        {At(0, 0, 30), 120, At(23, 50, 0), At(23, 59, 30), 570},
        {At(22, 0, 0), 60, At(21, 0, 0), At(21, 59, 30), 3570},
        // Begun within the last duration: at once (late); begun earlier: tomorrow.
        {At(21, 0, 0), 60, At(21, 0, 0), At(20, 59, 30) + 86400, -30},
        {At(21, 0, 0), 60, At(21, 1, 0), At(20, 59, 30) + 86400, 86370 - 60},
        // Starting exactly now.
        {At(12, 0, 30), 60, At(12, 0, 0), At(12, 0, 0), 0},
        {At(12, 0, 31), 61, At(12, 0, 0), At(12, 0, 1), 1},
    };
    for (const Case& c : cases) {
        const int start = S::StartSecondOfDay(c.center, c.duration, c.now);
        EXPECT_EQ(start, c.start);
        EXPECT_EQ(S::RemainingDelay(start, c.now, c.duration), c.delay);
    }
    // The start 23:59:30, seen at 00:00:10 after midnight: due, and late by 40 s.
    EXPECT_EQ(S::RemainingDelay(At(23, 59, 30), At(0, 0, 10), 120), -40);
}

TEST(TimedRecordingScheduleTest, FormatsSecondsOfDay) {
    EXPECT_EQ(S::FormatSecondOfDay(At(23, 59, 30)), "23:59:30");
    EXPECT_EQ(S::FormatSecondOfDay(At(23, 59, 30) + 86400), "23:59:30");
    EXPECT_EQ(S::FormatSecondOfDay(-30), "23:59:30");
}

}  // namespace
}  // namespace orva
