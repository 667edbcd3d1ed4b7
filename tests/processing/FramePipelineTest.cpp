// The pipeline runs its stages in order, a stage can end a frame's pass, and the
// performance line adds the stages of one slot together.
#include "processing/FramePipeline.h"

#include "support/LogCapture.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace orva {
namespace {

// Takes `ms` of the clock, notes its name in the frame's trail and passes or ends the frame.
class TimedStage final : public IFrameStage {
public:
    TimedStage(test::ManualClock& clock, std::vector<std::string>& trail, std::string name, int ms, bool pass = true)
        : clock_(clock), trail_(trail), name_(std::move(name)), ms_(ms), pass_(pass) {}
    bool Process(CameraFrame&) override {
        trail_.push_back(name_);
        clock_.Advance(std::chrono::milliseconds(ms_));
        return pass_;
    }

private:
    test::ManualClock& clock_;
    std::vector<std::string>& trail_;
    std::string name_;
    int ms_;
    bool pass_;
};

TEST(FramePipeline, StagesRunInOrderAndTheSlotsAddUp) {
    test::LogCapture log;
    test::ManualClock clock;
    std::vector<std::string> trail;
    std::vector<TimedStage> stages;
    const int slotOf[] = {0, 1, 2, 3, 3, 4, 5, 5, 6};
    for (int i = 0; i < 9; ++i) stages.emplace_back(clock, trail, std::to_string(i), i + 1);
    FramePipeline pipeline(clock);
    for (int i = 0; i < 9; ++i) pipeline.Add(stages[static_cast<std::size_t>(i)], slotOf[i]);
    pipeline.SetPerformanceLogEnabled(true);
    CameraFrame frame;
    for (int n = 0; n < 100; ++n) EXPECT_TRUE(pipeline.Run(frame));
    EXPECT_EQ(std::vector<std::string>(trail.begin(), trail.begin() + 9),
              (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7", "8"}));
    // Slot 3 is stages 3 and 4 (4 + 5 ms), slot 5 stages 6 and 7 (7 + 8 ms).
    EXPECT_EQ(log.MessagesStartingWith("I PERF"),
              (std::vector<std::string>{"I PERF  1.0  2.0  3.0  9.0  6.0 15.0  9.0"}));
}

TEST(FramePipeline, AStageThatEndsThePassKeepsTheFrameFromTheRestAndFromTheLog) {
    test::LogCapture log;
    test::ManualClock clock;
    std::vector<std::string> trail;
    TimedStage first(clock, trail, "first", 1);
    TimedStage rejecting(clock, trail, "rejecting", 1, false);
    TimedStage last(clock, trail, "last", 1);
    FramePipeline pipeline(clock);
    pipeline.Add(first, 0);
    pipeline.Add(rejecting, 1);
    pipeline.Add(last, 6);
    pipeline.SetPerformanceLogEnabled(true);
    CameraFrame frame;
    for (int n = 0; n < 100; ++n) EXPECT_FALSE(pipeline.Run(frame));
    EXPECT_EQ(trail.size(), 200u);
    EXPECT_EQ(trail.back(), "rejecting");
    EXPECT_TRUE(log.MessagesStartingWith("I PERF").empty());
}

}  // namespace
}  // namespace orva
