// The station's own plate-solving capture, as the command line uses it: the worker asks
// from its thread, the station's tick starts the capture on the running camera, and the
// worker hands the written file to its strategy.

#include "station/StationPlateSolvingCapture.h"

#include "SimulatedStation.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>

namespace orva {
namespace {

using namespace std::chrono_literals;

// A solver that takes any file and solves it at once; it keeps the file it was given.
struct RecordingStrategy final : IPlateSolvingStrategy {
    void SetPositionHint(double, double) override {}
    void SetScaleHint(double) override {}
    int32_t Login() override { return 0; }
    int32_t Submit(const std::string& path) override {
        std::lock_guard lock(*mutex);
        *submitted = path;
        return 0;
    }
    int32_t Poll(std::string&) override { return kPlateSolvingSolved; }
    std::mutex* mutex;
    std::string* submitted;
};

// Ticks the station (its 200 ms timer) until the condition holds or the deadline passes.
bool TickUntil(Station& station, const std::function<bool()>& condition, std::chrono::seconds deadline = 60s) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        station.Tick();
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// Asks for a capture from a thread of its own, as the worker does, stepping the capture
// until it answers.
std::optional<std::string> RequestCapture(Station& station, StationPlateSolvingCapture& capture) {
    auto answer = std::async(std::launch::async, [&] { return capture.StartCapture(); });
    const bool answered = TickUntil(station, [&] {
        capture.Step();
        return answer.wait_for(0ms) == std::future_status::ready;
    });
    EXPECT_TRUE(answered);
    return answered ? answer.get() : std::nullopt;
}

std::string FileStart(const std::string& path, std::size_t count) {
    std::string text = test::ReadFile(path);
    return text.substr(0, std::min(count, text.size()));
}

TEST(StationPlateSolvingCapture, TheWorkersRunRecordsANewFileThroughTheStationsTick) {
    test::SimulatedStation s;
    ASSERT_TRUE(s.ConnectAndStream());
    Station& station = *s.station;
    ASSERT_TRUE(station.UseOwnPlateSolvingCapture());
    ObservingTools& tools = station.Tools();
    tools.StartPlateSolver();

    std::mutex mutex;
    std::string submitted;
    auto strategy = std::make_unique<RecordingStrategy>();
    strategy->mutex = &mutex;
    strategy->submitted = &submitted;
    ASSERT_TRUE(tools.PlateSolver().Start(std::move(strategy), ""));
    std::optional<int32_t> code;
    ASSERT_TRUE(TickUntil(station, [&] {
        for (const PlateSolvingEvent& e : tools.PlateSolver().TakeEvents()) {
            if (e.code != kPlateSolvingWorking) code = e.code;
        }
        return code.has_value();
    }));
    EXPECT_EQ(*code, kPlateSolvingSolved);
    std::lock_guard lock(mutex);
    // A plate-solving image ('P') in the FITS folder, written completely before the solver got it.
    const std::filesystem::path path(submitted);
    EXPECT_EQ(path.parent_path(), std::filesystem::path(s.dir.File("fits")));
    EXPECT_EQ(path.filename().string().substr(0, 1), "P");
    EXPECT_TRUE(station.IsFitsFileCompleted(submitted));
    EXPECT_EQ(FileStart(submitted, 9), "SIMPLE  =");
    EXPECT_EQ(std::filesystem::file_size(path) % 2880, 0u);
    EXPECT_GT(std::filesystem::file_size(path), 1920u * 1200u * 2u);
}

TEST(StationPlateSolvingCapture, TheStationTakesItsOwnCaptureOnlyBeforeTheWorkerRuns) {
    test::SimulatedStation s;
    s.station->Tools().StartPlateSolver();
    EXPECT_FALSE(s.station->UseOwnPlateSolvingCapture());
}

// Without a streaming camera nothing can be recorded: the worker's request is answered
// with no file at once (the worker then ends with "No FITS file"), and the log says why.
TEST(StationPlateSolvingCapture, NoCaptureWithoutAStreamingCamera) {
    test::LogCapture log;
    test::SimulatedStation s;
    StationPlateSolvingCapture capture(*s.station);
    EXPECT_FALSE(RequestCapture(*s.station, capture).has_value());
    EXPECT_TRUE(log.Contains("E StationPlateSolvingCapture: the camera is not streaming"));
}

// A stream stopped under a capture drops it (its frames will not come); once the stream
// runs again the next request gets a capture of its own and its file is written.
TEST(StationPlateSolvingCapture, AStreamStoppedUnderACaptureDropsItAndTheNextOneIsWritten) {
    StationCameraSettings camera;
    camera.exposureMs = 1000.0;  // four frames take four seconds: the stop comes first
    test::SimulatedStation s(camera);
    ASSERT_TRUE(s.ConnectAndStream());
    Station& station = *s.station;
    StationPlateSolvingCapture capture(station);
    const auto first = RequestCapture(station, capture);
    ASSERT_TRUE(first.has_value());
    station.StopStreaming();
    capture.Step();
    EXPECT_FALSE(capture.IsCaptureComplete(*first));

    station.SetCameraSettings({});
    std::string error;
    ASSERT_TRUE(station.ApplyCameraSettings(error)) << error;
    ASSERT_TRUE(station.StartStreaming());
    const auto second = RequestCapture(station, capture);
    ASSERT_TRUE(second.has_value());
    EXPECT_NE(*second, *first);
    EXPECT_TRUE(TickUntil(station, [&] {
        capture.Step();
        return capture.IsCaptureComplete(*second);
    }));
    EXPECT_FALSE(capture.IsCaptureComplete(*first));
}

// A request nobody steps (the station's loop is busy or gone) is withdrawn after the wait.
TEST(StationPlateSolvingCapture, AnUnansweredRequestGivesNoFile) {
    test::SimulatedStation s;
    StationPlateSolvingCapture capture(*s.station, 50ms);
    EXPECT_FALSE(capture.StartCapture().has_value());
}

}  // namespace
}  // namespace orva
