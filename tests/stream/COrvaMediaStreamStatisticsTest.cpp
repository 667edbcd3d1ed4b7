#include "stream/COrvaMediaStreamStatistics.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>

namespace orva {
namespace {

TEST(COrvaMediaStreamStatistics, ProcessingTimeFallsIntoQuarterBuckets) {
    struct Case {
        int64_t ms;
        double expected;
        int bucket;
    };
    const Case cases[] = {
        {0, 100.0, 0},  {24, 100.0, 0}, {25, 100.0, 1}, {49, 100.0, 1}, {50, 100.0, 2},   {74, 100.0, 2},
        {75, 100.0, 3}, {99, 100.0, 3}, {100, 100.0, 4}, {5000, 100.0, 4},
        // T is truncated first (99), 3T/4 in integers is 297/4 = 74.
        {73, 99.9, 2},  {74, 99.9, 3},  {98, 99.9, 3},  {99, 99.9, 4},
        // No sensible expected time: every frame is slow.
        {0, 0.0, 4},    {0, -5.0, 4},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(COrvaMediaStreamStatistics::ProcessingTimeBucket(c.ms, c.expected), c.bucket)
            << c.ms << " ms at T=" << c.expected;
    }
}

TEST(COrvaMediaStreamStatistics, CountersCountFromZero) {
    COrvaMediaStreamStatistics stats;
    stats.CountSample();
    stats.CountSample();
    stats.CountFifoFull();
    stats.CountUsedBuffersAtInsert(0);
    stats.CountUsedBuffersAtInsert(6);
    stats.CountUsedBuffersAtInsert(6);
    stats.CountProcessingTime(30, 100.0);
    EXPECT_EQ(stats.GetNofSamplesCounter(), 2u);
    EXPECT_EQ(stats.GetNofFifoFullCounter(), 1u);
    EXPECT_EQ(stats.GetNofUsedBuffersAtInsertCounter(0), 1u);
    EXPECT_EQ(stats.GetNofUsedBuffersAtInsertCounter(6), 2u);
    EXPECT_EQ(stats.GetNofUsedBuffersAtInsertCounter(7), 0u);
    EXPECT_EQ(stats.GetProcessingTimeCounter(1), 1u);
    EXPECT_EQ(stats.GetProcessingTimeCounter(0), 0u);
}

TEST(COrvaMediaStreamStatistics, IndexOutOfRangeLogsAndGivesZero) {
    test::LogCapture log;
    COrvaMediaStreamStatistics stats;
    stats.CountProcessingTime(500, 100.0);
    EXPECT_EQ(stats.GetProcessingTimeCounter(5), 0u);
    EXPECT_EQ(stats.GetProcessingTimeCounter(-1), 0u);
    EXPECT_EQ(stats.GetNofUsedBuffersAtInsertCounter(8), 0u);
    EXPECT_EQ(stats.GetNofUsedBuffersAtInsertCounter(-1), 0u);
    const std::vector<std::string> expected = {
        "E COrvaMediaStreamStatistics::GetProcessingTimeCounter: index out of range:  5",
        "E COrvaMediaStreamStatistics::GetProcessingTimeCounter: index out of range:  -1",
        "E COrvaMediaStreamStatistics::GetNofUsedBuffersAtInsertCounter: index out of range:  8",
        "E COrvaMediaStreamStatistics::GetNofUsedBuffersAtInsertCounter: index out of range:  -1",
    };
    EXPECT_EQ(log.Messages(), expected);
}

}  // namespace
}  // namespace orva
