#include "telescope/PlateSolvingDialogModel.h"
#include "telescope/PlateSolvingWorker.h"

#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "telescope/PlateSolvingNotifications.h"
#include "telescope/PlateSolvingStrategySolveField.h"

#include "support/LogCapture.h"
#include "support/ManualClock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <thread>

namespace orva {
namespace {

// Ours: a strategy that answers from a script and counts its calls.
struct ScriptedStrategy final : IPlateSolvingStrategy {
    explicit ScriptedStrategy(PlateSolvingResult& r) : result(r) {}
    void SetPositionHint(double ra, double dec) override { position = {ra, dec}; }
    void SetScaleHint(double arcsecPerPixel) override { scale = arcsecPerPixel; }
    int32_t Login() override { return loginCode; }
    int32_t Submit(const std::string& path) override {
        submitted = path;
        return submitCode;
    }
    int32_t Poll(std::string& status) override {
        status = "poll " + std::to_string(++polls);
        if (onPoll) onPoll(polls);
        if (polls < pollsUntilDone) return kPlateSolvingWorking;
        if (finalCode == kPlateSolvingSolved) {
            PlateSolution s;
            s.coordinatesValid = s.pixelScaleValid = true;
            s.pixelScaleArcsec = 5.61;
            result.Publish(s);
        }
        return finalCode;
    }
    PlateSolvingResult& result;
    int32_t loginCode = 0;
    int32_t submitCode = 0;
    int polls = 0;
    int pollsUntilDone = 2;
    int32_t finalCode = kPlateSolvingSolved;
    std::string submitted;
    std::function<void(int)> onPoll;
    std::optional<std::pair<double, double>> position;
    std::optional<double> scale;
};

struct FakeCapture final : IPlateSolvingCapture {
    std::optional<std::string> StartCapture() override { return path; }
    bool IsCaptureComplete(const std::string&) override { return ++checks >= checksUntilWritten; }
    Clock::Duration CaptureDuration() const override { return duration; }
    std::optional<std::string> path = std::string("/data/capture.fits");
    int checks = 0;
    int checksUntilWritten = 3;
    Clock::Duration duration = std::chrono::seconds(0);
};

struct Listener final : IPlateSolvingCompletedListener {
    void OnPlateSolvingCompleted() override { ++calls; }
    int calls = 0;
};

class WorkerTest : public ::testing::Test {
protected:
    WorkerTest() { result.SetListener(&listener); }
    ScriptedStrategy* NewStrategy() {
        auto s = std::make_unique<ScriptedStrategy>(result);
        ScriptedStrategy* raw = s.get();
        pending = std::move(s);
        return raw;
    }
    std::vector<int32_t> RunToIdle() {
        std::vector<int32_t> codes;
        for (int i = 0; i < 100 && worker.Step() != PlateSolvingStep::Idle; ++i) worker.RunPass();
        for (const auto& e : worker.TakeEvents()) codes.push_back(e.code);
        return codes;
    }

    test::ManualClock clock;
    PlateSolvingResult result;
    Listener listener;
    FakeCapture capture;
    PlateSolvingWorker worker{result, capture, clock};
    std::unique_ptr<IPlateSolvingStrategy> pending;
};

TEST_F(WorkerTest, ChosenFileRunToASolution) {
    ScriptedStrategy* s = NewStrategy();
    ASSERT_TRUE(worker.Start(std::move(pending), "/data/m42.fits"));
    EXPECT_FALSE(worker.Start(std::make_unique<ScriptedStrategy>(result), "x")) << "busy";
    EXPECT_EQ(RunToIdle(), (std::vector<int32_t>{0, 0, 0, 0, 9}));
    EXPECT_EQ(s->submitted, "/data/m42.fits");
    EXPECT_EQ(listener.calls, 1);
    EXPECT_EQ(worker.StatusText(), "poll 2");
}

TEST_F(WorkerTest, SolvedScaleTravelsWithTheEvent) {
    NewStrategy();
    worker.Start(std::move(pending), "/data/m42.fits");
    for (int i = 0; i < 100 && worker.Step() != PlateSolvingStep::Idle; ++i) worker.RunPass();
    const auto events = worker.TakeEvents();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().code, kPlateSolvingSolved);
    EXPECT_EQ(events.back().solvedScale, 5.61);
    EXPECT_EQ(events.back().statusText, "poll 2");
}

TEST_F(WorkerTest, FailuresEndTheRunWithTheirCode) {
    struct Case {
        int32_t login, submit, final;
        std::vector<int32_t> codes;
        int listenerCalls;
    } cases[] = {
        {-1, 0, 9, {1}, 0},
        {0, 5, 9, {0, 0, 3}, 0},
        {0, 0, 6, {0, 0, 0, 0, 6}, 1},
        {0, 0, 4, {0, 0, 0, 0, 4}, 0},
    };
    for (const Case& c : cases) {
        listener.calls = 0;
        ScriptedStrategy* s = NewStrategy();
        s->loginCode = c.login;
        s->submitCode = c.submit;
        s->finalCode = c.final;
        ASSERT_TRUE(worker.Start(std::move(pending), "/data/a.fits"));
        EXPECT_EQ(RunToIdle(), c.codes);
        EXPECT_EQ(listener.calls, c.listenerCalls);
    }
}

TEST_F(WorkerTest, NewCaptureIsWaitedForAndSent) {
    ScriptedStrategy* s = NewStrategy();
    ASSERT_TRUE(worker.Start(std::move(pending), ""));
    EXPECT_EQ(RunToIdle().back(), kPlateSolvingSolved);
    EXPECT_EQ(s->submitted, "/data/capture.fits");
}

TEST_F(WorkerTest, CaptureWaitScalesWithTheCaptureDuration) {
    // 100 frames of 0.5 s: longer than the fixed margin, still within the wait.
    capture.duration = std::chrono::seconds(50);
    capture.checksUntilWritten = 100;  // written after 50 s
    NewStrategy();
    worker.Start(std::move(pending), "");
    EXPECT_EQ(RunToIdle().back(), kPlateSolvingSolved);

    capture.checks = 0;
    capture.checksUntilWritten = 1000;  // never in time
    NewStrategy();
    const auto started = clock.Now();
    worker.Start(std::move(pending), "");
    EXPECT_EQ(RunToIdle().back(), kPlateSolvingNoFitsFile);
    EXPECT_EQ(clock.Now() - started, std::chrono::seconds(60));
}

TEST_F(WorkerTest, StopReturnsToIdleAndANewStartWorks) {
    ScriptedStrategy* s = NewStrategy();
    s->pollsUntilDone = 1000;
    // The observer presses Stop while the third poll is under way.
    s->onPoll = [&](int poll) {
        if (poll == 3) worker.RequestStop();
    };
    worker.Start(std::move(pending), "/data/a.fits");
    for (int i = 0; i < 4; ++i) worker.RunPass();  // log in, load, send, polls
    EXPECT_EQ(s->polls, 3);
    EXPECT_EQ(worker.Step(), PlateSolvingStep::WaitForResult);
    EXPECT_TRUE(worker.StopPending());
    worker.RunPass();
    EXPECT_EQ(worker.Step(), PlateSolvingStep::Idle);
    EXPECT_FALSE(worker.StopPending());
    EXPECT_EQ(worker.StatusText(), "");
    worker.TakeEvents();
    NewStrategy();
    ASSERT_TRUE(worker.Start(std::move(pending), "/data/a.fits"));
    EXPECT_EQ(RunToIdle().back(), kPlateSolvingSolved);
}

TEST_F(WorkerTest, WorkerThreadPostsEventsThatTheGuiThreadTakes) {
    worker.StartThread();
    NewStrategy();
    ASSERT_TRUE(worker.Start(std::move(pending), "/data/a.fits"));
    std::vector<int32_t> codes;
    while (codes.empty() || codes.back() == kPlateSolvingWorking) {
        for (const auto& e : worker.TakeEvents()) codes.push_back(e.code);
        std::this_thread::yield();
    }
    EXPECT_EQ(codes.back(), kPlateSolvingSolved);
    EXPECT_EQ(result.Read().solutionCounter, 1u);
}

TEST(PlateSolvingDialogModel, Hints) {
    struct Case {
        const char *scale, *ra, *dec;
        bool ok;
        std::optional<double> scaleHint;
        bool position;
        double raHours, decDeg;
    } cases[] = {
        {"", "hh mm", "dd mm", true, std::nullopt, false, 0, 0},
        {"0", "", "", true, std::nullopt, false, 0, 0},
        {"3600", "05 30", "", true, 3600.0, false, 0, 0},
        {"1.5", "05 30", "-10 15", true, 1.5, true, 5.5, -10.25},
        {"", "10 00", "-0 15", true, std::nullopt, true, 10.0, -0.25},
        {"", "10 00", "-00 30", true, std::nullopt, true, 10.0, -0.5},
        {"", "10 00", "0 30", true, std::nullopt, true, 10.0, 0.5},
        {"3600.5", "", "", false, std::nullopt, false, 0, 0},
        {"-1", "", "", false, std::nullopt, false, 0, 0},
        {"abc", "", "", false, std::nullopt, false, 0, 0},
        {"nan", "", "", false, std::nullopt, false, 0, 0},
        {"", "05", "-10 15", false, std::nullopt, false, 0, 0},
        {"", "25 00", "10 15", false, std::nullopt, false, 0, 0},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto hints = PlateSolvingDialogModel::ReadHints(c.scale, c.ra, c.dec, error);
        ASSERT_EQ(hints.has_value(), c.ok) << c.scale << "|" << c.ra << "|" << c.dec;
        if (!hints) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(hints->scale, c.scaleHint);
        EXPECT_EQ(hints->position, c.position);
        EXPECT_DOUBLE_EQ(hints->rightAscensionHours, c.raHours);
        EXPECT_DOUBLE_EQ(hints->declinationDeg, c.decDeg);
    }
}

TEST(PlateSolvingDialogModel, HintsFromTelescope) {
    using P = SharedTelescopeState::Position;
    using T = std::pair<std::string, std::string>;
    EXPECT_EQ(PlateSolvingDialogModel::HintsFromTelescope(P{1, -1.0, 12.5}), (T{"23 00", "+12 30"}));
    EXPECT_EQ(PlateSolvingDialogModel::HintsFromTelescope(P{1, 5.5, -0.5}), (T{"05 30", "-0 30"}));
    EXPECT_EQ(PlateSolvingDialogModel::HintsFromTelescope(P{1, 5.5, -45.25}), (T{"05 30", "-45 15"}));
    EXPECT_FALSE(PlateSolvingDialogModel::HintsFromTelescope(P{0, 5.5, 1.0}));
    // What the button writes reads back as the same hint.
    std::string error;
    const auto back = PlateSolvingDialogModel::ReadHints("", "05 30", "-0 30", error);
    ASSERT_TRUE(back);
    EXPECT_DOUBLE_EQ(back->declinationDeg, -0.5);
}

TEST(PlateSolvingDialogModel, FileListNewestFirstWithExactExtensions) {
    test::TempDir dir;
    for (const char* name : {"P_2024-06-01_22-10-00.fits", "P_2024-06-01_22-00-05.fit", "P_2024-06-02_01-00-00.fits",
                             "c.FITS", "d.fits.txt", "e.ser"}) {
        test::WriteFile(dir.File(name), "x");
    }
    std::filesystem::create_directory(dir.File("z.fits"));
    const auto list = PlateSolvingDialogModel::FileList(dir.Path());
    ASSERT_TRUE(list);
    EXPECT_EQ(*list, (std::vector<std::string>{"Record new file", "P_2024-06-02_01-00-00.fits",
                                               "P_2024-06-01_22-10-00.fits", "P_2024-06-01_22-00-05.fit"}));
    EXPECT_FALSE(PlateSolvingDialogModel::FileList(dir.File("missing")));
    EXPECT_FALSE(PlateSolvingDialogModel::FileList(""));
}

TEST(PlateSolvingDialogModel, StartChecksInOrderAndHandsTheHintsToTheStrategy) {
    const char* streamingMsg = "To record a new FITS file before plate solving, the camera has to be connected and streaming mode enabled.";
    const char* scaleMsg = "Please enter a valid scale hint or leave the field empty.";
    const char* solverMsg = "no solver";
    struct Case {
        PlateSolvingStartInput input;
        bool solverConfigured;
        const char* error;  // none: started
    } cases[] = {
        {{false, "/fits", "Record new file", "abc", "", ""}, true, streamingMsg},
        {{true, "/fits", "Record new file", "abc", "", ""}, true, scaleMsg},
        {{false, "/fits", "m42.fits", "1.5", "05 30", "-10 15"}, false, solverMsg},
        {{false, "/fits", "m42.fits", "1.5", "05 30", "-10 15"}, true, nullptr},
        {{true, "/fits", "Record new file", "0", "hh mm", "dd mm"}, true, nullptr},
    };
    PlateSolvingResult result;
    for (const Case& c : cases) {
        ScriptedStrategy* made = nullptr;
        const auto factory = [&](std::string& error) -> std::unique_ptr<IPlateSolvingStrategy> {
            if (!c.solverConfigured) {
                error = solverMsg;
                return nullptr;
            }
            auto s = std::make_unique<ScriptedStrategy>(result);
            made = s.get();
            return s;
        };
        std::string error;
        const auto start = PlateSolvingDialogModel::PrepareStart(c.input, factory, error);
        ASSERT_EQ(start.has_value(), c.error == nullptr) << c.input.file << " " << c.input.scaleText;
        if (c.error) {
            EXPECT_EQ(error, c.error);
            continue;
        }
        ASSERT_EQ(start->strategy.get(), made);
        if (c.input.file == "m42.fits") {
            EXPECT_EQ(start->filePath, "/fits/m42.fits");
            EXPECT_EQ(made->scale, 1.5);
            ASSERT_TRUE(made->position);
            EXPECT_DOUBLE_EQ(made->position->first, 5.5);
            EXPECT_DOUBLE_EQ(made->position->second, -10.25);
            EXPECT_FALSE(start->clearPositionEdits);
        } else {
            EXPECT_EQ(start->filePath, "") << "records a new file";
            EXPECT_FALSE(made->scale) << "a scale of 0 sends no hint";
            EXPECT_FALSE(made->position);
            EXPECT_TRUE(start->clearPositionEdits);
        }
    }
}

// The solve-field program set in the settings is the one started; unset, the name on PATH.
TEST(PlateSolvingDialogModel, SolveFieldStrategyRunsTheConfiguredProgram) {
    test::TempDir dir;
    const std::string program = dir.File("my-solve-field");
    const std::string marker = dir.File("ran");
    test::WriteFile(program, "#!/bin/sh\necho \"$@\" > '" + marker + "'\nexit 1\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    NotificationCenter center;
    Settings settings(dir.Path(), center);
    settings.PlateSolvingSolveFieldPath = program;
    PlateSolvingResult result;
    test::ManualClock clock;
    std::string error;
    auto strategy = PlateSolvingDialogModel::CreateStrategy(settings, PlateSolvingDialogModel::kSolverSolveField,
                                                            result, 0, clock, std::chrono::seconds(30), error);
    ASSERT_TRUE(strategy) << error;
    ASSERT_EQ(strategy->Login(), 0);
    ASSERT_EQ(strategy->Submit(dir.File("frame.fits")), 0);
    std::string status;
    for (int i = 0; i < 3000 && strategy->Poll(status) == kPlateSolvingWorking; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_NE(test::ReadFile(marker).find(dir.File("frame.fits")), std::string::npos);

    const SolveFieldPrograms onPath = SolveFieldPrograms::At("", "");
    EXPECT_EQ(onPath.solveField, "solve-field");
    EXPECT_EQ(onPath.wcsinfo, "wcsinfo");
    const SolveFieldPrograms configured = SolveFieldPrograms::At("/a/solve-field", "/b/wcsinfo");
    EXPECT_EQ(configured.solveField, "/a/solve-field");
    EXPECT_EQ(configured.wcsinfo, "/b/wcsinfo");
}

TEST(PlateSolvingNotifications, EachTopicRefreshesItsPartUntilTheWindowGoes) {
    test::LogCapture log;
    NotificationCenter center;
    int scale = 0;
    int status = 0;
    auto notifications = std::make_unique<PlateSolvingNotifications>(center, [&] { ++scale; }, [&] { ++status; });
    center.Publish(kTopicResolutionChanged);
    center.Publish(kTopicInstrumentChanged);
    center.Publish(kTopicSolverChanged);
    EXPECT_EQ(scale, 2);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(log.Messages(), (std::vector<std::string>{"I Platesolving dialog: Resolution or instrument changed",
                                                        "I Platesolving dialog: Resolution or instrument changed",
                                                        "I Platesolving dialog: Solver changed"}));
    notifications.reset();
    center.Publish(kTopicInstrumentChanged);
    EXPECT_EQ(scale, 2);
}

TEST(PlateSolvingDialogModel, Texts) {
    EXPECT_EQ(PlateSolvingDialogModel::StepText(PlateSolvingStep::Idle, false, "ansvr"),
              "Press Start to run the ansvr solver. Configure it in the settings.");
    EXPECT_EQ(PlateSolvingDialogModel::StepText(PlateSolvingStep::WaitForResult, true, "ansvr"), "Stopping...");
    EXPECT_EQ(PlateSolvingDialogModel::ScaleHintTexts(1.234), (std::pair<std::string, std::string>{"1.23", "* Calculated value"}));
    EXPECT_EQ(PlateSolvingDialogModel::ScaleHintTexts(0).second, "* Multiply with binning factor");
    EXPECT_FALSE(PlateSolvingDialogModel::MessageForCode(0));
    EXPECT_EQ(PlateSolvingDialogModel::MessageForCode(6)->icon, MessageIcon::Warning);
    EXPECT_EQ(PlateSolvingDialogModel::MessageForCode(2)->title, "No FITS file");
}

TEST(PlateSolvingResultRecord, ReadersSeeWholeSolutions) {
    PlateSolvingResult result;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 1; i <= 2000; ++i) {
            PlateSolution s;
            s.coordinatesValid = true;
            s.rightAscensionDeg = i;
            s.declinationDeg = -i;
            result.Publish(s);
        }
        done = true;
    });
    while (!done) {
        const PlateSolution s = result.Read();
        ASSERT_EQ(s.rightAscensionDeg, -s.declinationDeg);
        ASSERT_EQ(static_cast<double>(s.solutionCounter), s.rightAscensionDeg);
    }
    writer.join();
    EXPECT_EQ(result.Read().solutionCounter, 2000u);
}

}  // namespace
}  // namespace orva
