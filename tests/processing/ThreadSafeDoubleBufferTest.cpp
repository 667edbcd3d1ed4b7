#include "processing/ThreadSafeDoubleBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace orva {
namespace {

void Publish(ThreadSafeDoubleBuffer& buffer, uint64_t value) {
    uint64_t* bins = buffer.GetWriteBuffer();
    std::fill(bins, bins + ThreadSafeDoubleBuffer::kBins, value);
    buffer.Swap();
}

TEST(ThreadSafeDoubleBuffer, FetchWithoutNewDataReturnsFalseAndKeepsTheCopy) {
    ThreadSafeDoubleBuffer buffer;
    EXPECT_FALSE(buffer.FetchNewData());
    Publish(buffer, 7);
    ASSERT_TRUE(buffer.FetchNewData());
    EXPECT_FALSE(buffer.FetchNewData());
    // Filling the next buffer without a swap is not visible to the reader.
    std::fill(buffer.GetWriteBuffer(), buffer.GetWriteBuffer() + ThreadSafeDoubleBuffer::kBins, 9);
    EXPECT_FALSE(buffer.FetchNewData());
    EXPECT_EQ(buffer.GetReadBuffer()[0], 7u);
    EXPECT_EQ(buffer.GetReadBuffer()[ThreadSafeDoubleBuffer::kBins - 1], 7u);
}

TEST(ThreadSafeDoubleBuffer, TwoSwapsWithoutFetchGiveTheMostRecentBufferOnce) {
    ThreadSafeDoubleBuffer buffer;
    Publish(buffer, 1);
    Publish(buffer, 2);
    ASSERT_TRUE(buffer.FetchNewData());
    EXPECT_EQ(buffer.GetReadBuffer()[0], 2u);
    EXPECT_FALSE(buffer.FetchNewData());
}

TEST(ThreadSafeDoubleBuffer, ReaderNeverSeesAHalfFilledBuffer) {
    ThreadSafeDoubleBuffer buffer;
    constexpr uint64_t kRounds = 20000;
    std::thread writer([&] {
        for (uint64_t round = 1; round <= kRounds; ++round) Publish(buffer, round);
    });
    uint64_t last = 0;
    bool consistent = true;
    bool ordered = true;
    while (last < kRounds) {
        if (!buffer.FetchNewData()) {
            std::this_thread::yield();
            continue;
        }
        const uint64_t* bins = buffer.GetReadBuffer();
        consistent = consistent && std::all_of(bins, bins + ThreadSafeDoubleBuffer::kBins,
                                               [&](uint64_t v) { return v == bins[0]; });
        ordered = ordered && bins[0] > last;
        last = bins[0];
    }
    writer.join();
    EXPECT_TRUE(consistent);
    EXPECT_TRUE(ordered);
}

}  // namespace
}  // namespace orva
