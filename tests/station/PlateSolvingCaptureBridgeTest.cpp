#include "station/PlateSolvingCaptureBridge.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace orva {
namespace {

using namespace std::chrono_literals;

// The worker's request is carried out on the GUI thread's step, and its answer goes back.
TEST(PlateSolvingCaptureBridge, TheGuiThreadStartsTheWorkersCapture) {
    std::atomic<int> starts{0};
    std::thread::id startedOn;
    PlateSolvingCaptureBridge bridge({[&] {
                                          startedOn = std::this_thread::get_id();
                                          ++starts;
                                          return std::optional<std::string>("/fits/P20240601_1920_00dB_0040ms.fits");
                                      },
                                      [](const std::string& path) { return path.front() == '/'; }},
                                     4, 20s);
    bridge.SetFrameTime(40ms);
    EXPECT_EQ(bridge.CaptureDuration(), std::chrono::duration_cast<Clock::Duration>(160ms));

    std::optional<std::string> answer;
    std::thread worker([&] { answer = bridge.StartCapture(); });
    // The GUI's timer, until the worker has its answer.
    while (starts.load() == 0) {
        bridge.Step();
        std::this_thread::sleep_for(1ms);
    }
    worker.join();
    EXPECT_EQ(startedOn, std::this_thread::get_id());
    EXPECT_EQ(answer, std::optional<std::string>("/fits/P20240601_1920_00dB_0040ms.fits"));
    EXPECT_TRUE(bridge.IsCaptureComplete(*answer));
    bridge.Step();
    EXPECT_EQ(starts.load(), 1) << "a step without a request starts nothing";
}

// A window that never steps (closed, or busy) does not hang the worker.
TEST(PlateSolvingCaptureBridge, AnUntakenRequestIsWithdrawn) {
    test::LogCapture log;
    int starts = 0;
    PlateSolvingCaptureBridge bridge({[&] {
                                          ++starts;
                                          return std::optional<std::string>("late");
                                      },
                                      [](const std::string&) { return false; }},
                                     4, 50ms);
    EXPECT_EQ(bridge.StartCapture(), std::nullopt);
    EXPECT_TRUE(log.Contains("E PlateSolvingCaptureBridge: the capture was not started in time"));
    bridge.Step();
    EXPECT_EQ(starts, 0) << "the withdrawn request is not started afterwards";
}

}  // namespace
}  // namespace orva
