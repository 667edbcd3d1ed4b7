#include "recording/RecordingTimeline.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

constexpr uint64_t kStart = 638528760000000000ULL;  // 2024-06-01 22:00:00 UTC
constexpr uint64_t kPeriod = 20000;                 // 2 ms

// Frames with these numbers, each starting `spacing[i]` periods after the one before.
std::vector<TimelineFrame> Frames(const std::vector<int>& numbers, const std::vector<int>& spacing = {}) {
    std::vector<TimelineFrame> frames;
    uint64_t t = kStart;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0) t += kPeriod * static_cast<uint64_t>(i - 1 < spacing.size() ? spacing[i - 1] : numbers[i] - numbers[i - 1]);
        TimelineFrame f;
        if (numbers[i] >= 0) f.frameNumber = numbers[i];
        f.startTicks = t;
        frames.push_back(f);
    }
    return frames;
}

TEST(RecordingTimelineTest, FrameNumberFindings) {
    struct Case {
        std::vector<TimelineFrame> frames;
        int64_t step;
        std::vector<FrameNumberGap> gaps;
        std::vector<std::size_t> repeats;
        std::vector<std::size_t> restarts;
        std::vector<std::size_t> withoutRecord;
    };
    const Case cases[] = {
        {Frames({1, 2, 3, 4}), 1, {}, {}, {}, {}},
        {Frames({1, 2, 6, 7, 8, 10}), 1, {{2, 3, 3}, {5, 9, 1}}, {}, {}, {}},
        // Every third frame: no gap; a missing one in between is.
        {Frames({1, 4, 7, 10, 16, 19}), 3, {{4, 13, 1}}, {}, {}, {}},
        {Frames({5, 6, 6, 7}, {1, 1, 1}), 1, {}, {2}, {}, {}},
        // The camera came back and counts from 1 again.
        {Frames({40, 41, 1, 2, 3}, {1, 900, 1, 1}), 1, {}, {}, {2}, {}},
        // A frame whose record was unreadable takes its number's place; one more is missing.
        {Frames({1, -1, 3, 4}, {1, 1, 1}), 1, {}, {}, {}, {1}},
        {Frames({1, -1, 4, 5}, {1, 2, 1}), 1, {{2, 3, 1}}, {}, {}, {1}},
        // The writer kept the record of the frame before: same number, same time.
        {Frames({7, 8, 8, 10}, {1, 0, 2}), 1, {}, {}, {}, {2}},
        {Frames({}), 1, {}, {}, {}, {}},
    };
    for (const Case& c : cases) {
        const TimelineFindings f = AnalyzeTimeline(c.frames);
        EXPECT_EQ(f.numberStep, c.step);
        ASSERT_EQ(f.gaps.size(), c.gaps.size());
        int64_t missed = 0;
        for (std::size_t i = 0; i < c.gaps.size(); ++i) {
            EXPECT_EQ(f.gaps[i].index, c.gaps[i].index);
            EXPECT_EQ(f.gaps[i].first, c.gaps[i].first);
            EXPECT_EQ(f.gaps[i].count, c.gaps[i].count);
            missed += c.gaps[i].count;
        }
        EXPECT_EQ(f.missedFrames, missed);
        EXPECT_EQ(f.repeatedNumbers, c.repeats);
        EXPECT_EQ(f.restarts, c.restarts);
        EXPECT_EQ(f.withoutRecord, c.withoutRecord);
    }
}

TEST(RecordingTimelineTest, TimeStampFindings) {
    {
        const TimelineFindings f = AnalyzeTimeline(Frames({1, 2, 3, 4, 5}));
        EXPECT_FALSE(f.firstNotIncreasing);
        EXPECT_EQ(f.usualSpacingTicks, kPeriod);
        EXPECT_EQ(f.minSpacingTicks, kPeriod);
        EXPECT_EQ(f.maxSpacingTicks, kPeriod);
        EXPECT_TRUE(f.pauses.empty());
    }
    {
        // Three dropped frames and a long pause show as pauses; 1.5 periods does not.
        std::vector<TimelineFrame> frames = Frames({1, 2, 3, 7, 8, 9, 10, 11});
        frames[6].startTicks = frames[5].startTicks + kPeriod * 3 / 2;
        frames[7].startTicks = frames[6].startTicks + kPeriod;
        const TimelineFindings f = AnalyzeTimeline(frames);
        EXPECT_EQ(f.pauses, (std::vector<std::size_t>{3}));
        EXPECT_EQ(f.maxSpacingTicks, 4 * kPeriod);
    }
    {
        std::vector<TimelineFrame> frames = Frames({1, 2, 3, 4});
        frames[2].startTicks = frames[1].startTicks;  // equal is not increasing
        frames[3].startTicks = 0;
        const TimelineFindings f = AnalyzeTimeline(frames);
        EXPECT_EQ(f.firstNotIncreasing, 2u);
        EXPECT_EQ(f.framesWithoutTime, 1u);
        EXPECT_TRUE(f.withoutRecord.empty());
    }
}

TEST(RecordingTimelineTest, TextForms) {
    EXPECT_EQ(FormatTicks(kStart), "2024-06-01T22:00:00.0000000");
    EXPECT_EQ(FormatTicks(kStart + 12345678), "2024-06-01T22:00:01.2345678");
    EXPECT_EQ(FormatTicks(0), "unknown");
    EXPECT_EQ(FormatSpacing(kPeriod), "2.0000 ms");
    EXPECT_EQ(FormatSpacing(400001), "40.0001 ms");
}

}  // namespace
}  // namespace orva
