#include "stream/CDmsFifo.h"

#include "TestFrameSource.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace orva {
namespace {

using test::TestFrameSource;

class CDmsFifoTest : public ::testing::Test {
protected:
    // Appends frame `sequence`; true when it was kept.
    bool Append(uint64_t sequence, uint32_t flags = 0) {
        return fifo.AppendSample(source->MakeSample(sequence, 16), 4, 2, flags);
    }
    // Consumes one frame and returns its sequence number (0 when none).
    uint64_t Consume() {
        uint64_t sequence = 0;
        fifo.ConsumeNextFrame([&](const CDmsFifo::Frame& frame) {
            const uint8_t* data = nullptr;
            std::size_t length = 0;
            frame.sample->Lock(&data, &length);
            sequence = TestFrameSource::SequenceOf(data);
            frame.sample->Unlock();
        });
        return sequence;
    }
    int64_t LiveSamples() const { return source->Samples().live.load(); }

    std::shared_ptr<TestFrameSource> source =
        std::make_shared<TestFrameSource>(TestFrameSource::Delivery::kManual, 4, 2);
    COrvaMediaStreamStatistics stats;
    CDmsFifo fifo{stats};
};

TEST_F(CDmsFifoTest, EighthSampleWhileConsumerIsBlockedIsCountedAsFullAndReleased) {
    for (uint64_t i = 1; i <= 7; ++i) EXPECT_TRUE(Append(i));
    EXPECT_FALSE(Append(8));

    EXPECT_EQ(fifo.Count(), 7u);
    EXPECT_EQ(LiveSamples(), 7);  // the dropped one is gone
    EXPECT_EQ(stats.GetNofSamplesCounter(), 8u);
    EXPECT_EQ(stats.GetNofFifoFullCounter(), 1u);
    for (int queued = 0; queued < 7; ++queued) EXPECT_EQ(stats.GetNofUsedBuffersAtInsertCounter(queued), 1u);
    EXPECT_EQ(stats.GetNofUsedBuffersAtInsertCounter(7), 0u);
}

TEST_F(CDmsFifoTest, FramesComeOutInOrderAcrossTheWrapAround) {
    std::vector<uint64_t> out;
    uint64_t next = 1;
    // Keep two frames behind so the indexes pass the end of the ring several times with
    // the queue up to its limit of 7.
    ASSERT_TRUE(Append(next++));
    ASSERT_TRUE(Append(next++));
    for (int round = 0; round < 6; ++round) {
        for (int i = 0; i < 5; ++i) ASSERT_TRUE(Append(next++));
        for (int i = 0; i < 5; ++i) out.push_back(Consume());
    }
    while (!fifo.IsEmpty()) out.push_back(Consume());
    ASSERT_EQ(out.size(), 32u);
    for (std::size_t i = 0; i < out.size(); ++i) EXPECT_EQ(out[i], i + 1);
    EXPECT_EQ(LiveSamples(), 0);
    EXPECT_EQ(stats.GetNofFifoFullCounter(), 0u);
}

TEST_F(CDmsFifoTest, ConsumingAnEmptyQueueReportsEmpty) {
    bool called = false;
    EXPECT_EQ(fifo.ConsumeNextFrame([&](const CDmsFifo::Frame&) { called = true; }),
              CDmsFifo::ConsumeResult::kEmpty);
    EXPECT_FALSE(called);
}

TEST_F(CDmsFifoTest, AFrameIsReleasedAndPassedEvenWhenItsConsumerThrows) {
    Append(1);
    Append(2);
    EXPECT_THROW(fifo.ConsumeNextFrame([](const CDmsFifo::Frame&) { throw std::runtime_error("bad"); }),
                 std::runtime_error);
    EXPECT_EQ(LiveSamples(), 1);
    EXPECT_EQ(Consume(), 2u);
}

TEST_F(CDmsFifoTest, ClearReleasesEveryQueuedFrameAndTheQueueGoesOn) {
    for (uint64_t i = 1; i <= 5; ++i) Append(i);
    Consume();
    fifo.Clear();
    EXPECT_TRUE(fifo.IsEmpty());
    EXPECT_EQ(LiveSamples(), 0);
    for (uint64_t i = 10; i <= 16; ++i) EXPECT_TRUE(Append(i));
    EXPECT_FALSE(Append(17));
    EXPECT_EQ(Consume(), 10u);
}

TEST_F(CDmsFifoTest, NonZeroStreamFlagsAreLoggedAndKept) {
    test::LogCapture log;
    Append(1, 0);
    Append(2, 4);
    EXPECT_EQ(log.Messages(), std::vector<std::string>{"I CDmsFifo::AppendSample: StreamFlags =  4"});
    Consume();
    uint32_t flags = 0;
    fifo.ConsumeNextFrame([&](const CDmsFifo::Frame& frame) { flags = frame.streamFlags; });
    EXPECT_EQ(flags, 4u);
}

TEST_F(CDmsFifoTest, FramesAreNumberedAndTheOneAfterADropMarkedAsADiscontinuity) {
    for (uint64_t i = 1; i <= 7; ++i) Append(i);
    EXPECT_FALSE(Append(8));  // full: dropped
    for (int i = 0; i < 7; ++i) Consume();
    Append(9);
    Append(10);
    std::vector<std::pair<uint64_t, bool>> seen;
    const auto take = [&](const CDmsFifo::Frame& frame) { seen.emplace_back(frame.sequence, frame.discontinuity); };
    fifo.ConsumeNextFrame(take);
    fifo.ConsumeNextFrame(take);
    EXPECT_EQ(seen, (std::vector<std::pair<uint64_t, bool>>{{9, true}, {10, false}}));
}

}  // namespace
}  // namespace orva
