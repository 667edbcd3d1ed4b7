// The night runs by itself on a clock of the test's own: each entry pointed at its time
// and recorded in its window, faults noted without ending the night, the plan file kept
// up to date after every step, and a stop that closes the recording.
#include "station/NightRunner.h"

#include "events/OwEventTime.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace orva {
namespace {

constexpr uint64_t kSecond = kEventTicksPerSecond;

uint64_t At(int seconds) {
    return EventTicksFromUtc(UtcDateTime{2026, 12, 11, 20, 0, 0, 0}) + static_cast<int64_t>(seconds) * kSecond;
}

// Pointing that takes `stepsToFinish` ticks, then ends as told.
class FakePointing final : public INightPointing {
public:
    void Start(double raHours, double decDegrees) override {
        targets.emplace_back(raHours, decDegrees);
        stepsLeft = stepsToFinish;
    }
    Status Step(std::string& result) override {
        if (--stepsLeft > 0) return Status::Running;
        result = fail ? "no solution" : "centred, 0.3' off";
        return fail ? Status::Failed : Status::Done;
    }
    void Abort() override { ++aborts; }

    std::vector<std::pair<double, double>> targets;
    int stepsToFinish = 1;
    int stepsLeft = 0;
    bool fail = false;
    int aborts = 0;
};

// A recording that keeps to its window like the station's: one frame per second of the
// clock inside the window, until the clock passes the window's end (or, with
// `framesWithoutTime`, never: frames that carry no time stamp cannot end it).
class FakeRecorder final : public INightRecorder {
public:
    explicit FakeRecorder(const uint64_t& now) : now_(now) {}
    bool Start(const NightPlanEntry& entry, const std::string& format, std::string& error) override {
        if (refuse) {
            error = "the disk is full";
            return false;
        }
        starts.push_back({entry.title, format, now_, entry.startTicks, entry.endTicks});
        end_ = entry.endTicks;
        result_ = {"/adv/" + std::to_string(starts.size()) + ".adv", 0, 0, RecordingOutcome::Running, ""};
        begun_ = std::max(now_, entry.startTicks);
        running_ = true;
        stopped_ = false;
        return true;
    }
    bool Step() override {
        if (!running_) return false;
        const uint64_t until = framesWithoutTime ? now_ : std::min(now_, end_);
        result_.frames = until > begun_ ? static_cast<int64_t>((until - begun_) / kSecond) : 0;
        if (failWrites) {
            result_.outcome = RecordingOutcome::WriteFailed;
            result_.failure = "disk full";
            running_ = false;
        } else if (stopped_ || (now_ >= end_ && !framesWithoutTime)) {
            result_.outcome = stopped_ ? RecordingOutcome::StoppedByUser : RecordingOutcome::DurationReached;
            running_ = false;
        }
        return running_;
    }
    void Stop() override { stopped_ = true; }
    NightRecordingResult Result() const override { return result_; }

    struct Started {
        std::string title;
        std::string format;
        uint64_t at;
        uint64_t windowStart;
        uint64_t windowEnd;
    };
    std::vector<Started> starts;
    bool refuse = false;
    bool failWrites = false;
    bool framesWithoutTime = false;

private:
    const uint64_t& now_;
    uint64_t end_ = 0;
    uint64_t begun_ = 0;
    bool running_ = false;
    bool stopped_ = false;
    NightRecordingResult result_;
};

OwEvent Event(const std::string& asteroid, int seconds, double ra) {
    OwEvent e;
    e.AsteroidName = asteroid;
    e.StarName = "TYC 2";
    e.EventTime = At(seconds);
    e.StarRaHours = ra;
    e.StarDecDegrees = 10.0;
    return e;
}

struct Night {
    explicit Night(bool fixed = false) {
        const std::vector<OwEvent> events = {Event("(1) A", 600, 1.0), Event("(2) B", 1200, 2.0),
                                             Event("(3) C", 1800, 3.0)};
        std::vector<const OwEvent*> pointers;
        for (const OwEvent& e : events) pointers.push_back(&e);
        NightPlanOptions o;
        o.nowTicks = now;
        o.durationSeconds = 60;
        o.leadSeconds = 180;
        o.point = !fixed;
        runner = std::make_unique<NightRunner>(NightPlan::Make(pointers, o), fixed ? nullptr : &pointing, recorder,
                                               [this] { return now; }, dir.File("night-plan.ini"));
    }
    // Ticks once per second of the test's clock until `seconds`.
    void RunUntil(int seconds) {
        while (now < At(seconds)) {
            now += kSecond;
            runner->Tick();
        }
    }
    NightPlan Saved() {
        std::string error;
        auto plan = NightPlan::Load(dir.File("night-plan.ini"), error);
        EXPECT_TRUE(plan.has_value()) << error;
        return plan.value_or(NightPlan{});
    }

    test::TempDir dir;
    uint64_t now = At(0);
    FakePointing pointing;
    FakeRecorder recorder{now};
    std::unique_ptr<NightRunner> runner;
};

TEST(NightRunner, EveryEntryIsPointedAtItsTimeAndRecordedInItsWindow) {
    test::LogCapture log;
    Night night;
    night.pointing.stepsToFinish = 20;
    night.runner->Start();
    EXPECT_EQ(night.runner->NextStepText(), "pointing at (1) A occ. TYC 2 in 390 s");
    night.RunUntil(2000);
    EXPECT_EQ(night.runner->GetState(), NightRunner::State::Finished);
    ASSERT_EQ(night.recorder.starts.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const int event = 600 * static_cast<int>(i + 1);
        EXPECT_EQ(night.recorder.starts[i].at, At(event - 30 - 2)) << "a little ahead of its window " << i;
        EXPECT_EQ(night.recorder.starts[i].windowStart, At(event - 30)) << i;
        EXPECT_EQ(night.recorder.starts[i].windowEnd, At(event + 30)) << i;
        EXPECT_EQ(night.recorder.starts[i].format, "adv");
    }
    EXPECT_EQ(night.pointing.targets, (std::vector<std::pair<double, double>>{{1.0, 10.0}, {2.0, 10.0}, {3.0, 10.0}}));
    const NightPlan saved = night.Saved();
    for (const NightPlanEntry& e : saved.Entries()) {
        EXPECT_EQ(e.state, NightEntryState::Done) << e.title;
        EXPECT_EQ(e.pointing, "centred, 0.3' off");
        EXPECT_EQ(e.frames, 60);
        EXPECT_TRUE(e.outcome.empty()) << e.outcome;
    }
    EXPECT_EQ(saved.Entries()[1].file, "/adv/2.adv");
    EXPECT_TRUE(log.Contains("I NightPlan: no entry left, the night is over"));
}

TEST(NightRunner, FaultsAreNotedAndTheNightGoesOn) {
    struct Case {
        const char* name;
        std::function<void(Night&)> inject;
        NightEntryState first;
        std::string pointing;
        std::string outcome;
        std::size_t recordings;
    };
    const Case cases[] = {
        {"solve fails", [](Night& n) { n.pointing.fail = true; }, NightEntryState::Done, "failed: no solution",
         "pointing failed (no solution): recorded at the nominal pointing", 3},
        {"pointing too slow", [](Night& n) { n.pointing.stepsToFinish = 1000; }, NightEntryState::Done,
         "not finished when the window began",
         "pointing had not finished when the window began: recorded where the telescope points", 3},
        {"disk full at the start", [](Night& n) { n.recorder.refuse = true; }, NightEntryState::Failed, "centred, 0.3' off",
         "not recorded: the disk is full", 0},
        {"write fails", [](Night& n) { n.recorder.failWrites = true; }, NightEntryState::Failed, "centred, 0.3' off",
         "a write failed: disk full", 3},
        {"frames without GPS time", [](Night& n) { n.recorder.framesWithoutTime = true; }, NightEntryState::Done,
         "centred, 0.3' off", "the frames' time stamps never reached the window's end: stopped by the PC's clock", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::LogCapture log;
        Night night;
        c.inject(night);
        night.runner->Start();
        night.RunUntil(2000);
        EXPECT_EQ(night.runner->GetState(), NightRunner::State::Finished);
        EXPECT_EQ(night.recorder.starts.size(), c.recordings) << "every entry is tried at its own time";
        const NightPlan saved = night.Saved();
        ASSERT_EQ(saved.Entries().size(), 3u);
        EXPECT_EQ(saved.Entries()[0].state, c.first);
        EXPECT_EQ(saved.Entries()[0].pointing, c.pointing);
        EXPECT_EQ(saved.Entries()[0].outcome, c.outcome);
        EXPECT_EQ(saved.Entries()[2].state, c.first) << "the last entry met the same fault and the night ran on";
    }
}

TEST(NightRunner, AFixedStationRecordsWithoutPointing) {
    Night night(true);
    night.runner->Start();
    EXPECT_EQ(night.runner->NextStepText(), "recording (1) A occ. TYC 2 in 570 s");
    night.RunUntil(2000);
    EXPECT_TRUE(night.pointing.targets.empty());
    EXPECT_EQ(night.recorder.starts.size(), 3u);
}

TEST(NightRunner, StopClosesTheRecordingAndLeavesTheRestPending) {
    Night night;
    night.runner->Start();
    night.RunUntil(590);
    EXPECT_EQ(night.runner->GetState(), NightRunner::State::Recording);
    EXPECT_EQ(night.runner->NextStepText(), "recording (1) A occ. TYC 2, 40 s left");
    night.runner->Stop();
    EXPECT_EQ(night.runner->GetState(), NightRunner::State::Stopping);
    night.RunUntil(592);
    EXPECT_EQ(night.runner->GetState(), NightRunner::State::Finished);
    const NightPlan saved = night.Saved();
    EXPECT_EQ(saved.Entries()[0].state, NightEntryState::Done);
    EXPECT_EQ(saved.Entries()[0].frames, 21);  // up to the tick that closed the file
    EXPECT_EQ(saved.Entries()[0].outcome, "stopped by the user");
    EXPECT_EQ(saved.Entries()[1].state, NightEntryState::Pending);
    EXPECT_EQ(night.recorder.starts.size(), 1u);
}

TEST(NightRunner, AStationStartedAgainResumesAtTheNextEntry) {
    Night night;
    night.runner->Start();
    night.RunUntil(700);  // entry 1 recorded; the station dies here
    EXPECT_EQ(night.Saved().Entries()[0].state, NightEntryState::Done);

    Night again;
    again.now = night.now;
    NightPlan plan = again.runner->Plan();
    plan.ResumeFrom(night.Saved());
    NightRunner resumed(plan, &again.pointing, again.recorder, [&] { return again.now; }, again.dir.File("p.ini"));
    resumed.Start();
    while (again.now < At(2000)) {
        again.now += kSecond;
        resumed.Tick();
    }
    ASSERT_EQ(again.recorder.starts.size(), 2u) << "entry 1 is not recorded twice";
    EXPECT_EQ(again.recorder.starts[0].title, "(2) B occ. TYC 2");
}

}  // namespace
}  // namespace orva
