#include "recording/Lagarith16EncodePool.h"

#include "RecordingTestFrames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace orva {
namespace {

constexpr int kWidth = 128;
constexpr int kHeight = 64;
constexpr std::size_t kSamples = static_cast<std::size_t>(kWidth) * kHeight;

std::vector<uint16_t> VariedFrame(int n) { return test::VariedFrame(kWidth, kHeight, n); }

// Submits the frames as a writer does (waiting only when every slot is busy, taking what
// is finished after each frame) and returns the blocks in the order they came out.
std::vector<std::vector<uint8_t>> EncodeInPool(Lagarith16EncodePool& pool, const std::vector<std::vector<uint16_t>>& frames) {
    std::vector<std::vector<uint8_t>> blocks;
    auto take = [&](std::span<const uint8_t> block) {
        blocks.emplace_back(block.begin(), block.end());
        pool.ReleaseHead();
    };
    for (const auto& frame : frames) {
        while (pool.IsFull()) take(pool.WaitHead());
        std::copy(frame.begin(), frame.end(), pool.NextSamples());
        pool.Submit();
        while (auto block = pool.FinishedHead()) take(*block);
    }
    while (pool.Queued() > 0) take(pool.WaitHead());
    return blocks;
}

TEST(Lagarith16EncodePool, BlocksComeOutInOrderAndAsTheEncoderMakesThem) {
    std::vector<std::vector<uint16_t>> frames;
    std::vector<std::vector<uint8_t>> expected;
    for (int n = 0; n < 48; ++n) {
        frames.push_back(VariedFrame(n));
        expected.push_back(test::Lagarith16Block(frames.back()));
    }
    for (int workers : {1, 2, 4}) {
        Lagarith16EncodePool pool(workers);
        EXPECT_EQ(pool.Workers(), workers);
        EXPECT_EQ(pool.SlotCount(), static_cast<std::size_t>(workers + Lagarith16EncodePool::kSpareSlots));
        pool.Prepare(kSamples);
        const auto blocks = EncodeInPool(pool, frames);
        ASSERT_EQ(blocks.size(), frames.size()) << workers;
        for (std::size_t n = 0; n < blocks.size(); ++n) EXPECT_EQ(blocks[n], expected[n]) << workers << " workers, frame " << n;
    }
}

TEST(Lagarith16EncodePool, WorkerCountIsClamped) {
    EXPECT_EQ(Lagarith16EncodePool(0).Workers(), 1);
    EXPECT_EQ(Lagarith16EncodePool(9).Workers(), Lagarith16EncodePool::kMaxWorkers);
    EXPECT_GE(Lagarith16EncodePool::DefaultWorkers(), 1);
    EXPECT_LE(Lagarith16EncodePool::DefaultWorkers(), Lagarith16EncodePool::kMaxWorkers);
}

// A recording that failed leaves frames queued; the next one starts with none of them,
// with frames of another size.
TEST(Lagarith16EncodePool, DiscardAndPrepareDropQueuedFrames) {
    Lagarith16EncodePool pool(2);
    pool.Prepare(kSamples);
    for (int n = 0; n < 3; ++n) {
        const auto frame = VariedFrame(n);
        std::copy(frame.begin(), frame.end(), pool.NextSamples());
        pool.Submit();
    }
    pool.Discard();
    EXPECT_EQ(pool.Queued(), 0u);
    EXPECT_FALSE(pool.FinishedHead().has_value());

    const std::vector<std::vector<uint16_t>> frames = {VariedFrame(5), VariedFrame(6), VariedFrame(7)};
    const auto blocks = EncodeInPool(pool, frames);
    ASSERT_EQ(blocks.size(), 3u);
    for (std::size_t n = 0; n < 3; ++n) EXPECT_EQ(blocks[n], test::Lagarith16Block(frames[n])) << n;

    // Smaller frames after Prepare: the blocks are of the new size.
    pool.Prepare(16);
    const std::vector<std::vector<uint16_t>> small = {std::vector<uint16_t>(16, 7), std::vector<uint16_t>(16, 9)};
    const auto smallBlocks = EncodeInPool(pool, small);
    ASSERT_EQ(smallBlocks.size(), 2u);
    EXPECT_EQ(smallBlocks[1], test::Lagarith16Block(small[1]));
}

// Destroyed with every slot busy: the workers finish what they hold and are joined.
TEST(Lagarith16EncodePool, DestroyedWithFramesQueuedJoinsItsWorkers) {
    auto pool = std::make_unique<Lagarith16EncodePool>(2);
    pool->Prepare(kSamples);
    for (int n = 0; !pool->IsFull(); ++n) {
        const auto frame = VariedFrame(n);
        std::copy(frame.begin(), frame.end(), pool->NextSamples());
        pool->Submit();
    }
    pool.reset();
    SUCCEED();
}

}  // namespace
}  // namespace orva
