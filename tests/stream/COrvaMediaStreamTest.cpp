#include "stream/COrvaMediaStream.h"

#include "FakeFrameConsumer.h"
#include "StreamTestRig.h"
#include "TestFrameSource.h"
#include "support/LogCapture.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <random>
#include <thread>

namespace orva {
namespace {

using namespace std::chrono_literals;
using test::FakeFrameConsumer;
using test::TestFrameSource;

constexpr auto kPatience = 20s;  // only reached when something hangs

// Waits for another thread's progress (not for a timer).
bool Eventually(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

bool StrictlyIncreasing(const std::vector<uint64_t>& v) {
    return std::adjacent_find(v.begin(), v.end(), [](uint64_t a, uint64_t b) { return a >= b; }) == v.end();
}

// The threaded stream over a source that delivers on its own thread. The manual clock
// makes the worker's pacing sleeps instant; time-outs happen only when a test advances it.
class COrvaMediaStreamTest : public ::testing::Test {
protected:
    static constexpr uint16_t kWidth = 32;
    static constexpr uint16_t kHeight = 16;

    COrvaMediaStreamTest() {
        stream.SetResolution(test::PackResolution(kWidth, kHeight));
        stream.SetFrameProcessor(&consumer);
    }

    MediaStreamOptions Options() {
        MediaStreamOptions options;
        options.clock = &clock;
        return options;
    }

    bool Contains(const std::string& line) const { return log.Contains(line); }

    test::LogCapture log;
    test::ManualClock clock;
    std::shared_ptr<TestFrameSource> source =
        std::make_shared<TestFrameSource>(TestFrameSource::Delivery::kThread, kWidth, kHeight);
    FakeFrameConsumer consumer;
    COrvaMediaStream stream{Options()};
};

TEST_F(COrvaMediaStreamTest, InitStartStreamStopDeInit) {
    EXPECT_EQ(stream.GetResolution(), test::PackResolution(kWidth, kHeight));
    ASSERT_TRUE(stream.InitWithMediaSource(source));
    EXPECT_TRUE(Contains("I COrvaMediaStream::InitWithMediaSource entered"));
    EXPECT_TRUE(Contains("I CDmsWorker::InitializeWithMediaSourceBlocking"));
    EXPECT_TRUE(Contains("I COrvaMediaStream::InitWithMediaSource exiting"));
    EXPECT_FALSE(stream.IsStreaming());

    stream.StartStreamingBlocking();
    EXPECT_TRUE(stream.IsStreaming());
    ASSERT_TRUE(consumer.WaitForFrames(50, kPatience));
    stream.StopStreamingBlocking();
    EXPECT_FALSE(stream.IsStreaming());

    const auto sequences = consumer.Sequences();
    EXPECT_TRUE(StrictlyIncreasing(sequences));
    EXPECT_EQ(sequences.front(), 1u);
    EXPECT_EQ(source->MaxPendingRequests(), 1);
    EXPECT_EQ(source->Samples().live.load(), 0);
    auto& stats = stream.GetStatistics();
    EXPECT_EQ(stats.GetNofSamplesCounter(), source->SamplesDelivered());
    // Stopping drops what was still queued (at most 7 frames).
    const uint64_t taken = sequences.size() + stats.GetNofFifoFullCounter();
    EXPECT_LE(taken, stats.GetNofSamplesCounter());
    EXPECT_LE(stats.GetNofSamplesCounter() - taken, 7u);

    stream.DeInit();
    EXPECT_FALSE(source->ReaderAlive());
    EXPECT_FALSE(Contains("E CDmsWorker::StartStreamingBlocking: Timeout!"));
    EXPECT_FALSE(Contains("E CDmsWorker::StopStreamingBlocking: Timeout!"));
}

TEST_F(COrvaMediaStreamTest, StartBeforeInitIsRefusedAndChangesNothing) {
    stream.StartStreamingBlocking();
    EXPECT_TRUE(Contains("E CDmsWorker::StartStreamingBlocking: Not initialized!"));
    EXPECT_FALSE(stream.IsStreaming());
    EXPECT_EQ(source->CreateReaderCalls(), 0);
    ASSERT_TRUE(stream.InitWithMediaSource(source));
    EXPECT_EQ(source->CreateReaderCalls(), 0);
}

TEST_F(COrvaMediaStreamTest, InitFailuresEndWithTheFailureLine) {
    EXPECT_FALSE(stream.InitWithMediaSource(nullptr));
    EXPECT_EQ(log.Messages().back(), "E COrvaMediaStream::InitWithMediaSource failed");

    ASSERT_TRUE(stream.InitWithMediaSource(source));
    EXPECT_FALSE(stream.InitWithMediaSource(source));
    const auto messages = log.Messages();
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages[messages.size() - 2], "E CDmsWorker::InitializeWithMediaSourceBlocking: Not in state CREATED! 20");
    EXPECT_EQ(messages.back(), "E COrvaMediaStream::InitWithMediaSource failed");
}

TEST_F(COrvaMediaStreamTest, StopFromAnotherThreadWhileFramesFlow) {
    std::mt19937 random(7);
    consumer.onFrame = [&](uint64_t) { std::this_thread::sleep_for(std::chrono::microseconds(random() % 300)); };
    ASSERT_TRUE(stream.InitWithMediaSource(source));

    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        const uint64_t before = consumer.FramesConsumed();
        stream.StartStreamingBlocking();
        ASSERT_TRUE(stream.IsStreaming());
        ASSERT_TRUE(consumer.WaitForFrames(before + 30, kPatience));

        std::thread stopper([&] { stream.StopStreamingBlocking(); });
        stopper.join();
        EXPECT_FALSE(stream.IsStreaming());
        EXPECT_EQ(source->Samples().live.load(), 0);  // queue emptied, nothing held
        EXPECT_EQ(source->PendingRequests(), 0);
    }
    EXPECT_TRUE(StrictlyIncreasing(consumer.Sequences()));
    EXPECT_EQ(source->MaxPendingRequests(), 1);
    EXPECT_FALSE(Contains("E CDmsWorker::StopStreamingBlocking: Timeout!"));
}

TEST_F(COrvaMediaStreamTest, StartTimesOutWhenTheWorkerIsHeldUpAndFinishesLater) {
    ASSERT_TRUE(stream.InitWithMediaSource(source));
    source->SetGate(TestFrameSource::Gate::kSetMediaType);
    std::thread starter([&] { stream.StartStreamingBlocking(); });
    ASSERT_TRUE(source->WaitUntilGateReached(kPatience));
    clock.Advance(1000ms);
    starter.join();
    EXPECT_TRUE(Contains("E CDmsWorker::StartStreamingBlocking: Timeout!"));
    EXPECT_FALSE(stream.IsStreaming());

    source->OpenGate();
    EXPECT_TRUE(consumer.WaitForFrames(1, kPatience));
    EXPECT_TRUE(stream.IsStreaming());
}

TEST_F(COrvaMediaStreamTest, StopTimesOutWhenTheFlushHangsAndFinishesLater) {
    ASSERT_TRUE(stream.InitWithMediaSource(source));
    stream.StartStreamingBlocking();
    ASSERT_TRUE(consumer.WaitForFrames(1, kPatience));
    source->SetGate(TestFrameSource::Gate::kFlush);
    std::thread stopper([&] { stream.StopStreamingBlocking(); });
    ASSERT_TRUE(source->WaitUntilGateReached(kPatience));
    clock.Advance(1000ms);
    stopper.join();
    EXPECT_TRUE(Contains("E CDmsWorker::StopStreamingBlocking: Timeout!"));

    source->OpenGate();
    EXPECT_TRUE(Eventually([&] { return !stream.IsStreaming(); }));
}

TEST_F(COrvaMediaStreamTest, DeInitWhileStreamingStopsAndAQuickReconnectWorks) {
    ASSERT_TRUE(stream.InitWithMediaSource(source));
    stream.StartStreamingBlocking();
    ASSERT_TRUE(consumer.WaitForFrames(5, kPatience));

    stream.DeInit();
    for (const char* line : {"I CDmsWorker::DeInit", "I CDmsWorker::DeInit, stopping streaming",
                             "I CDmsWorker::DeInit, streaming stopped", "I CDmsWorker::DeInit, m_requestReInit := 1"}) {
        EXPECT_TRUE(Contains(line)) << line;
    }
    EXPECT_FALSE(stream.IsStreaming());
    EXPECT_FALSE(source->ReaderAlive());

    // The link comes back at once: the hand-over must not be refused.
    ASSERT_TRUE(stream.InitWithMediaSource(source));
    const uint64_t before = consumer.FramesConsumed();
    stream.StartStreamingBlocking();
    EXPECT_TRUE(consumer.WaitForFrames(before + 5, kPatience));
    EXPECT_EQ(source->CreateReaderCalls(), 2);
}

}  // namespace
}  // namespace orva
