#include "stream/COrvaMediaStream.h"

#include "FakeFrameConsumer.h"
#include "StreamTestRig.h"
#include "TestFrameSource.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

namespace orva {
namespace {

using namespace std::chrono_literals;
using test::TestFrameSource;

// 100 000 small frames through the threaded stream with a consumer whose speed varies at
// random, so the queue runs empty, fills and overflows. Every sample must be accounted
// for and every sample reference released.
TEST(StreamStress, EverySampleIsAccountedForAndReleased) {
    constexpr uint64_t kFrames = 100000;
    constexpr uint16_t kWidth = 8;
    constexpr uint16_t kHeight = 4;
    constexpr auto kPatience = 600s;  // only reached when something hangs

    test::ManualClock clock;  // no time-outs or watchdog restarts unless the test says so
    auto source = std::make_shared<TestFrameSource>(TestFrameSource::Delivery::kThread, kWidth, kHeight);
    source->SetWrongSizeEvery(97);
    source->SetDeliveryLimit(kFrames);

    test::FakeFrameConsumer consumer;
    std::mt19937 random(20240611);
    consumer.onFrame = [&](uint64_t) {
        const uint32_t r = random() % 1000;
        if (r < 3) {
            std::this_thread::sleep_for(300us);  // a stall: the queue fills and overflows
        } else if (r < 300) {
            for (uint32_t i = 0, n = random() % 20; i < n; ++i) std::this_thread::yield();  // some work
        }
    };

    {
        MediaStreamOptions options;
        options.clock = &clock;
        COrvaMediaStream stream(options);
        stream.SetResolution(test::PackResolution(kWidth, kHeight));
        stream.SetFrameProcessor(&consumer);
        ASSERT_TRUE(stream.InitWithMediaSource(source));
        stream.StartStreamingBlocking();
        ASSERT_TRUE(stream.IsStreaming());

        ASSERT_TRUE(source->WaitForSamplesDelivered(kFrames, kPatience));
        auto& stats = stream.GetStatistics();
        auto accounted = [&] {
            return consumer.FramesConsumed() + stats.GetNofFifoFullCounter() +
                   static_cast<uint64_t>(source->Samples().lockedWrongSize.load());
        };
        // Let the consumer drain the queue.
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (accounted() < stats.GetNofSamplesCounter() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(1ms);
        }

        EXPECT_EQ(stats.GetNofSamplesCounter(), kFrames);
        EXPECT_EQ(accounted(), stats.GetNofSamplesCounter());
        EXPECT_GT(stats.GetNofFifoFullCounter(), 0u);
        EXPECT_GT(source->Samples().lockedWrongSize.load(), 0);
        const auto sequences = consumer.Sequences();
        EXPECT_TRUE(std::adjacent_find(sequences.begin(), sequences.end(),
                                       [](uint64_t a, uint64_t b) { return a >= b; }) == sequences.end());
        uint64_t insertions = 0;
        for (int queued = 0; queued < 8; ++queued) insertions += stats.GetNofUsedBuffersAtInsertCounter(queued);
        EXPECT_EQ(insertions + stats.GetNofFifoFullCounter(), kFrames);

        stream.StopStreamingBlocking();
        stream.DeInit();
    }
    EXPECT_EQ(source->Samples().live.load(), 0);
    EXPECT_EQ(source->MaxPendingRequests(), 1);
}

}  // namespace
}  // namespace orva
