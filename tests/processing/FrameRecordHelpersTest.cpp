// The small pieces around the frame record: time stamps, integrity checks, the
// performance line, averaging and the worker pool.
#include "processing/FrameAverager.h"
#include "processing/FrameIntegrityChecker.h"
#include "processing/FrameTimestamp.h"
#include "processing/FrameWorkerPool.h"
#include "processing/PerformanceAccumulator.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <vector>

namespace orva {
namespace {

CalendarTime Time(int y, int mo, int d, int h, int mi, int s, int ms) {
    CalendarTime t;
    t.year = static_cast<uint16_t>(y);
    t.month = static_cast<uint16_t>(mo);
    t.day = static_cast<uint16_t>(d);
    t.hour = static_cast<uint16_t>(h);
    t.minute = static_cast<uint16_t>(mi);
    t.second = static_cast<uint16_t>(s);
    t.milliseconds = static_cast<uint16_t>(ms);
    return t;
}

TEST(FrameTimestampTest, TicksSinceYearOneAndFileTime) {
    EXPECT_EQ(FrameTimestampTicks(Time(1, 1, 1, 0, 0, 0, 0)), 0u);
    EXPECT_EQ(FrameTimestampTicks(Time(1601, 1, 1, 0, 0, 0, 0)), kFileTimeEpochTicks);
    // The Unix epoch is 621355968000000000 ticks after year one.
    const uint64_t unix2024 = 1717279200ULL * 10000000ULL;  // 2024-06-01 22:00:00 UTC
    EXPECT_EQ(FrameTimestampTicks(Time(2024, 6, 1, 22, 0, 0, 999)), 621355968000000000ULL + unix2024 + 9990000);
    EXPECT_EQ(FileTimeOf(Time(2024, 6, 1, 22, 0, 0, 0)),
              static_cast<int64_t>(621355968000000000ULL + unix2024 - kFileTimeEpochTicks));
    // A record never decoded.
    EXPECT_EQ(FrameTimestampTicks(CalendarTime{}), 0u);
    EXPECT_EQ(FileTimeOf(CalendarTime{}), -1);
    EXPECT_EQ(FrameTimestampTicks(Time(2024, 13, 1, 0, 0, 0, 0)), 0u);
}

TEST(FrameIntegrityCheckerTest, OnlyUnchangedValuesAreErrors) {
    test::LogCapture log;
    FrameIntegrityChecker checker;
    struct Frame {
        uint64_t ts;
        int32_t nr;
        uint8_t comm, start;
    };
    const Frame frames[] = {
        {100, 10, 1, 50},  // first frame: differs from the zeros
        {200, 11, 2, 51},  // fine
        {200, 11, 3, 52},  // same time, same number
        {300, 9, 3, 53},   // number goes back: no error; comm irq frozen
        {400, 12, 4, 53},  // frame start irq frozen
        {500, 14, 5, 54},  // a gap is no integrity error
    };
    for (const Frame& f : frames) {
        BinaryOverlay o;
        o.FrameNr = f.nr;
        o.CommIrqCtr = f.comm;
        o.FrameStartIrqCtr = f.start;
        checker.Check(f.ts, o);
    }
    EXPECT_EQ(log.Messages(), (std::vector<std::string>{
                                  "E Frame timestamp integrity error (start time) in frame  11",
                                  "E Frame timestamp integrity error (frame nr) in frame  11",
                                  "E Frame timestamp integrity error (comm irq ctr) in frame  9",
                                  "E Old / new comm irq ctr:  3 3",
                                  "E Frame timestamp integrity error (frame start irq ctr) in frame  12 53",
                                  "E Old / new frame start irq ctr:  53 53",
                              }));
}

TEST(PerformanceAccumulatorTest, OneLinePerHundredFramesWithTheAverages) {
    test::LogCapture log;
    PerformanceAccumulator acc;
    for (int i = 0; i < 250; ++i) acc.Add({i % 2, 1, 0, 3, 0, 0, i < 100 ? 10 : 0});
    EXPECT_EQ(log.Messages(), (std::vector<std::string>{"I PERF  0.5  1.0  0.0  3.0  0.0  0.0 10.0",
                                                        "I PERF  0.5  1.0  0.0  3.0  0.0  0.0  0.0"}));
    EXPECT_EQ(acc.FrameCount(), 50);
}

TEST(FrameAveragerTest, TruncatedMeanAndANewStartForgetsTheOldSums) {
    FrameAverager averager(8);
    averager.Start(3);
    const uint16_t a[3] = {65535, 1, 10};
    const uint16_t b[3] = {65535, 2, 11};
    const uint16_t c[3] = {65534, 2, 11};
    averager.Add(a);
    averager.Add(b);
    averager.Add(c);
    uint16_t out[3] = {};
    averager.Average(out);
    EXPECT_EQ(out[0], 65534);  // 196604 / 3 = 65534.67
    EXPECT_EQ(out[1], 1);
    EXPECT_EQ(out[2], 10);
    averager.Start(3);
    averager.Add(c);
    averager.Average(out);
    EXPECT_EQ(out[0], 65534);
    EXPECT_EQ(averager.Count(), 1);
}

TEST(FrameWorkerPoolTest, EveryPartRunsOnceAndThreadCountsAreClamped) {
    EXPECT_EQ(FrameWorkerPool(0).ThreadCount(), 1);
    EXPECT_EQ(FrameWorkerPool(17).ThreadCount(), 16);
    for (const int threads : {1, 2, 5}) {
        FrameWorkerPool pool(threads);
        // More parts than threads: the threads share them out; above the limit they are clamped.
        for (const int parts : {1, 2, 3, 4, 5, 6, 63, FrameWorkerPool::kMaxParts, FrameWorkerPool::kMaxParts + 1}) {
            for (int round = 0; round < 20; ++round) {
                std::mutex m;
                std::multiset<std::pair<int, int>> seen;
                pool.Run(parts, [&](int part, int n) {
                    std::lock_guard lock(m);
                    seen.insert({part, n});
                });
                const int used = std::min(parts, FrameWorkerPool::kMaxParts);
                ASSERT_EQ(static_cast<int>(seen.size()), used);
                for (int p = 0; p < used; ++p) EXPECT_EQ(seen.count({p, used}), 1u);
            }
        }
    }
}

}  // namespace
}  // namespace orva
