#include "recording/Lagarith16Decoder.h"
#include "recording/Lagarith16Encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace orva {
namespace {

using Bytes = std::vector<uint8_t>;
using Samples = std::vector<uint16_t>;

Bytes Encode(const Samples& samples) {
    Lagarith16Encoder encoder;
    const auto block = encoder.Encode(samples.data(), samples.size());
    return Bytes(block.begin(), block.end());
}

Samples Decode(const Bytes& block, std::size_t count, Lagarith16Error* errorOut = nullptr) {
    Lagarith16Decoder decoder;
    Samples samples(count);
    Lagarith16Error error;
    const bool ok = decoder.Decode(block, samples, error);
    if (errorOut != nullptr) *errorOut = error;
    if (!ok) return {};
    return samples;
}

Bytes RawLittleEndian(const Samples& samples) {
    Bytes bytes;
    for (const uint16_t v : samples) {
        bytes.push_back(static_cast<uint8_t>(v));
        bytes.push_back(static_cast<uint8_t>(v >> 8));
    }
    return bytes;
}

// The pseudo-random frames the reference blocks below were made from.
Samples SkewedFrame(uint32_t seed, std::size_t count) {
    uint32_t x = seed;
    auto next = [&x] {
        x = (x * 1103515245u + 12345u) & 0x7FFFFFFFu;
        return x >> 8;
    };
    Samples out;
    for (std::size_t i = 0; i < count; ++i) {
        const uint32_t r = next() % 100;
        if (r < 70) out.push_back(0x0100);
        else if (r < 85) out.push_back(0x0110);
        else if (r < 95) out.push_back(0x0120);
        else if (r < 99) out.push_back(0x0130);
        else out.push_back(static_cast<uint16_t>(0x0F00 + 16 * (next() % 4)));
    }
    return out;
}

uint64_t Fnv1a(const Bytes& bytes) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (const uint8_t b : bytes) {
        h ^= b;
        h *= 0x100000001b3ull;
    }
    return h;
}

TEST(Lagarith16, FrameOfOneValueIsFourBytes) {
    for (const uint16_t value : {uint16_t{0}, uint16_t{0x1230}, uint16_t{0xFFFF}}) {
        const Samples frame(640 * 480, value);
        const Bytes block = Encode(frame);
        EXPECT_EQ(block, (Bytes{0x00, 0x00, static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)}));
        EXPECT_EQ(Decode(block, frame.size()), frame);
    }
}

TEST(Lagarith16, WhiteNoiseIsStoredRaw) {
    // Every value once, in a scrambled order: nothing to gain, the frame is stored.
    Samples frame(65536);
    std::iota(frame.begin(), frame.end(), 0);
    std::shuffle(frame.begin(), frame.end(), std::mt19937(7));
    Lagarith16Encoder encoder;
    const auto span = encoder.Encode(frame.data(), frame.size());
    const Bytes block(span.begin(), span.end());
    EXPECT_TRUE(encoder.LastWasStored());
    Bytes expected(8, 0);
    const Bytes raw = RawLittleEndian(frame);
    expected.insert(expected.end(), raw.begin(), raw.end());
    EXPECT_EQ(block, expected);
    EXPECT_EQ(Decode(block, frame.size()), frame);
}

// Blocks worked out independently from the format description, one of them with a
// carry that rolls a 0xFF byte over, one whose scaled counts overshoot 2^20.
TEST(Lagarith16, ReferenceBlocks) {
    const Bytes carryBlock = {0x04, 0x00, 0x00, 0x01, 0x10, 0x01, 0x20, 0x01, 0x30, 0x01, 0x20, 0x0F, 0xAB, 0x2A,
                              0x0C, 0x00, 0x20, 0xAB, 0x2A, 0x01, 0x00, 0x52, 0x55, 0x01, 0x63, 0xE7, 0x2B, 0x01,
                              0x2E, 0x79, 0x2E, 0x08, 0x64, 0xE4, 0x67, 0x49, 0x00, 0x15, 0xD4, 0xE4, 0xCF, 0x00};
    EXPECT_EQ(Encode(SkewedFrame(57, 96)), carryBlock);
    EXPECT_EQ(Decode(carryBlock, 96), SkewedFrame(57, 96));

    const Bytes fourSymbols = {0x03, 0x00, 0x00, 0x01, 0x10, 0x01, 0x20, 0x01, 0x30, 0x01, 0xAB, 0x2A, 0x5C,
                               0x55, 0x1D, 0xAB, 0xAA, 0xAB, 0xAA, 0x00, 0x37, 0xE7, 0x68, 0x62, 0x8C, 0xFD,
                               0x9A, 0x4C, 0x50, 0x78, 0x05, 0xDC, 0xE3, 0x49, 0x85, 0x00, 0x00};
    EXPECT_EQ(Encode(SkewedFrame(1, 96)), fourSymbols);

    Samples overshoot;
    uint16_t rare = 0;
    for (int i = 0; i < 3000; ++i) {
        overshoot.push_back(i % 5 == 4 ? rare : uint16_t{0x0200});
        if (i % 5 == 4) rare = static_cast<uint16_t>(rare + 16);
    }
    const Bytes block = Encode(overshoot);
    EXPECT_EQ(block.size(), 2850u);
    EXPECT_EQ(Fnv1a(block), 0x38dc9d0d34c28923ull);
    EXPECT_EQ(Decode(block, overshoot.size()), overshoot);
}

struct NamedFrame {
    const char* name;
    Samples samples;
};

std::vector<NamedFrame> AwkwardFrames() {
    struct Case {
        const char* name;
        std::size_t count;
        std::function<uint16_t(std::size_t, std::mt19937&)> sample;
    };
    const std::vector<Case> cases = {
        {"single pixel", 1, [](std::size_t, std::mt19937&) { return uint16_t{0xABCD}; }},
        {"two values, three pixels", 3, [](std::size_t i, std::mt19937&) { return uint16_t(i == 1 ? 7 : 9); }},
        {"12-bit noise in the high bits", 4096,
         [](std::size_t, std::mt19937& g) { return uint16_t((g() % 4096) << 4); }},
        {"dark frame", 100000,
         [](std::size_t, std::mt19937& g) { return uint16_t((240 + std::normal_distribution<>(0, 3)(g)) * 16); }},
        {"gradient", 65536 * 3, [](std::size_t i, std::mt19937&) { return uint16_t(i); }},
        {"extremes", 5000, [](std::size_t i, std::mt19937&) { return uint16_t(i % 3 == 0 ? 0xFFFF : 0); }},
        {"one dominant value, thousands of rare ones", 3'000'000,
         [](std::size_t i, std::mt19937&) { return uint16_t(i % 40 == 0 ? (i / 40) % 65536 : 0x8000); }},
        {"full-range noise", 70000, [](std::size_t, std::mt19937& g) { return uint16_t(g()); }},
        {"one value", 1000, [](std::size_t, std::mt19937&) { return uint16_t{0x0450}; }},
    };
    std::vector<NamedFrame> frames;
    for (const Case& c : cases) {
        std::mt19937 random(42);
        Samples frame(c.count);
        for (std::size_t i = 0; i < c.count; ++i) frame[i] = c.sample(i, random);
        frames.push_back({c.name, std::move(frame)});
    }
    return frames;
}

TEST(Lagarith16, RoundTripsAreLossless) {
    Lagarith16Encoder encoder;  // one encoder and decoder for all: state must not leak between frames
    Lagarith16Decoder decoder;
    for (const NamedFrame& f : AwkwardFrames()) {
        SCOPED_TRACE(f.name);
        const auto block = encoder.Encode(f.samples.data(), f.samples.size());
        EXPECT_TRUE(block.size() < 2 * f.samples.size() || block.size() == 2 * f.samples.size() + 8);
        Samples decoded(f.samples.size());
        Lagarith16Error error;
        ASSERT_TRUE(decoder.Decode(block, decoded, error)) << error.offset << ": " << error.what;
        EXPECT_EQ(decoded, f.samples);
    }
}

// Every pair of frames, in both orders: coded, stored and one-symbol blocks, the shorter
// block first or second.
TEST(Lagarith16Decoder, DecodesTwoBlocksInOnePass) {
    const std::vector<NamedFrame> frames = AwkwardFrames();
    std::vector<Bytes> blocks;
    for (const NamedFrame& f : frames) blocks.push_back(Encode(f.samples));
    Lagarith16Decoder decoder;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        for (std::size_t j = 0; j < frames.size(); ++j) {
            SCOPED_TRACE(std::string(frames[i].name) + " with " + frames[j].name);
            Samples first(frames[i].samples.size());
            Samples second(frames[j].samples.size());
            Lagarith16Job a{blocks[i], first};
            Lagarith16Job b{blocks[j], second};
            decoder.DecodeTwo(a, b);
            ASSERT_TRUE(a.ok) << a.error.offset << ": " << a.error.what;
            ASSERT_TRUE(b.ok) << b.error.offset << ": " << b.error.what;
            EXPECT_EQ(first, frames[i].samples);
            EXPECT_EQ(second, frames[j].samples);
        }
    }
}

// The walk as described, one step at a time: the reference for the fast normalisation.
void NormalizeStepByStep(std::vector<uint32_t>& counts) {
    uint64_t total = std::accumulate(counts.begin(), counts.end(), uint64_t{0});
    const uint64_t target = Lagarith16Encoder::kTotalFrequency;
    while (total < target) {
        for (std::size_t i = 0; i < counts.size() && total < target; ++i, ++total) ++counts[i];
    }
    while (total > target) {
        std::size_t last = counts.size() - 1;
        while (counts[last] == 1) --last;
        for (std::size_t i = last + 1; i-- > 0 && total > target; --total) --counts[i];
    }
}

TEST(Lagarith16, NormalisationGivesTheCountsOfTheStepByStepWalk) {
    std::vector<std::vector<uint32_t>> cases = {
        {1048576},
        {1000000},                         // short: one symbol takes it all
        {600000, 400000, 3},               // short: several passes, the last one partial
        {700000, 348570, 1, 1, 1, 1, 1},   // short by 1: only the first symbol grows
        {1048000, 5000, 1, 1, 1},          // over, only the first symbol above 1
        {524288, 524288, 2, 2, 1, 1},      // over by 4: the 2s reach 1, the walk moves forward
        {400000, 400000, 300000},          // over: many whole passes
    };
    // One dominant value and many rare ones: far over, with one symbol to take it from.
    std::vector<uint32_t> dominant(65536, 1);
    dominant[0] = 1048576 - 30000;
    cases.push_back(dominant);
    // Scaled histograms of random frames, largest first.
    std::mt19937 random(3);
    for (int n = 0; n < 40; ++n) {
        const std::size_t symbols = 2 + random() % 3000;
        std::vector<uint32_t> counts(symbols);
        for (auto& c : counts) c = 1 + static_cast<uint32_t>(std::exponential_distribution<>(1.0)(random) * 2000.0 / (1 + n % 5));
        std::sort(counts.begin(), counts.end(), std::greater<>());
        counts[0] += static_cast<uint32_t>(random() % 1048576);
        cases.push_back(counts);
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        std::vector<uint32_t> expected = cases[i];
        NormalizeStepByStep(expected);
        std::vector<uint32_t> fast = cases[i];
        Lagarith16Encoder::NormalizeCounts(fast.data(), fast.size());
        EXPECT_EQ(fast, expected);
    }
}

// A small coded block to damage: 4 symbols from byte 2, counts (74 bits) from byte 10,
// range-coded samples from byte 20 to 36.
Bytes SmallBlock() { return Encode(SkewedFrame(1, 96)); }

TEST(Lagarith16Decoder, RefusesDamagedBlocksWithOffsetAndReason) {
    struct Case {
        const char* name;
        std::function<Bytes()> block;
        std::size_t samples;
        std::size_t offset;
        std::string what;
    };
    const Bytes good = SmallBlock();
    auto changed = [good](std::size_t at, uint8_t value) {
        return [good, at, value] {
            Bytes b = good;
            b[at] = value;
            return b;
        };
    };
    const std::vector<Case> cases = {
        {"empty", [] { return Bytes{}; }, 96, 0, "block of 0 bytes is too short"},
        {"symbol table past the end", changed(0, 0x40), 96, 2, "table of 65 symbols runs past the block end"},
        {"value listed twice", changed(4, 0x00), 96, 4, "symbol value 256 listed twice"},
        {"counts do not add up", changed(11, 0x2B), 96, 10, "symbol counts do not add up to 1048576"},
        {"first count 0",
         [good] {
             Bytes b = good;
             b[10] = 0;
             b[11] = 0;
             b[12] &= 0xF0;
             return b;
         },
         96, 12, "count of symbol 0 is 0"},
        {"coded part cut short", [good] { return Bytes(good.begin(), good.end() - 3); }, 96, 34,
         "range-coded data ends at sample"},
        {"trailing byte", [good] { Bytes b = good; b.push_back(0); return b; }, 96, 37, "1 bytes after the last sample"},
        {"coded data with a leading one bit", changed(20, 0x80), 96, 20, "does not start with a zero bit"},
        {"one symbol with trailing bytes", [] { return Bytes{0, 0, 5, 0, 9}; }, 10, 4, "1 bytes after a one-symbol block"},
        {"stored form with a non-zero prefix", [] { Bytes b(8 + 2 * 4, 0); b[3] = 1; return b; }, 4, 3,
         "stored block does not start with 8 zero bytes"},
        {"coded block as long as the raw frame", [] { return Bytes(8, 0); }, 4, 0, "is not shorter than the raw frame"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Lagarith16Error error;
        EXPECT_TRUE(Decode(c.block(), c.samples, &error).empty());
        EXPECT_EQ(error.offset, c.offset);
        EXPECT_NE(error.what.find(c.what), std::string::npos) << error.what;
    }
}

// Every cut and every single-bit change of a coded block either decodes or is refused;
// under the address sanitizer this also shows that nothing is read outside the block.
TEST(Lagarith16Decoder, SurvivesEveryCutAndBitFlip) {
    const Bytes good = SmallBlock();
    Lagarith16Decoder decoder;
    Samples samples(96);
    Lagarith16Error error;
    for (std::size_t length = 0; length < good.size(); ++length) {
        const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_FALSE(decoder.Decode(cut, samples, error)) << length;
    }
    for (std::size_t bit = 0; bit < 8 * good.size(); ++bit) {
        Bytes flipped = good;
        flipped[bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
        decoder.Decode(flipped, samples, error);
    }
}

// A damaged block decoded beside a good one gives exactly what it gives alone (result,
// offset, reason, samples), in either place, and the good one still decodes: damage met
// while the two run side by side is handed over to the one-block path intact.
TEST(Lagarith16Decoder, DamageBesideAGoodBlockIsReportedAsAlone) {
    const Samples goodFrame = SkewedFrame(5, 3000);
    const Bytes good = Encode(goodFrame);
    Lagarith16Decoder alone;
    Lagarith16Decoder paired;
    auto check = [&](const Bytes& damaged, std::size_t count) {
        Samples expected(count);
        Lagarith16Error expectedError;
        const bool expectedOk = alone.Decode(damaged, expected, expectedError);
        for (const bool damagedFirst : {true, false}) {
            Samples samples(count);
            Samples other(goodFrame.size());
            Lagarith16Job d{damaged, samples};
            Lagarith16Job g{good, other};
            if (damagedFirst) paired.DecodeTwo(d, g);
            else paired.DecodeTwo(g, d);
            ASSERT_EQ(d.ok, expectedOk) << d.error.what;
            if (expectedOk) {
                EXPECT_EQ(samples, expected);
            } else {
                EXPECT_EQ(d.error.offset, expectedError.offset);
                EXPECT_EQ(d.error.what, expectedError.what);
            }
            ASSERT_TRUE(g.ok) << g.error.what;
            EXPECT_EQ(other, goodFrame);
        }
    };
    for (const Samples& frame : {SkewedFrame(1, 96), SkewedFrame(9, 400)}) {
        const Bytes block = Encode(frame);
        for (std::size_t length = 0; length < block.size(); ++length) {
            SCOPED_TRACE("cut to " + std::to_string(length));
            check(Bytes(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(length)), frame.size());
        }
        for (std::size_t bit = 0; bit < 8 * block.size(); ++bit) {
            SCOPED_TRACE("bit " + std::to_string(bit));
            Bytes flipped = block;
            flipped[bit / 8] ^= static_cast<uint8_t>(1u << (bit % 8));
            check(flipped, frame.size());
        }
    }
}

}  // namespace
}  // namespace orva
