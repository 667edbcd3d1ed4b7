#include "simcam/SimNoiseGenerator.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace orva {
namespace {

uint64_t SplitMix64(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// Standard deviation of the sum of four uniform bytes: sqrt(4 (256^2 - 1) / 12).
constexpr double kByteSumSigma = 147.8005;
constexpr int32_t kByteSumMean = 510;
// The centred sum is scaled by this before the 16-bit multiplication (510 x 64 < 32768).
constexpr int32_t kPreScale = 64;

// The centred sum of the four bytes of one sample's two random words.
inline int32_t ByteSum(uint16_t a, uint16_t b) {
    return static_cast<int32_t>((a & 0xFF) + (a >> 8) + (b & 0xFF) + (b >> 8)) - kByteSumMean;
}

// One run of samples from the random words a[i] and b[i], in 16-bit arithmetic (eight
// samples per vector instruction). Only for rows where base +- the largest noise stays
// within -32768..32767, so that only the lower limit 0 can be reached. Separate pointers
// and a fixed length let the compiler vectorize at -O2.
void ShapeSmall(const uint16_t* __restrict a, const uint16_t* __restrict b, uint16_t* __restrict out, int16_t base,
                int16_t multiplier) {
    for (int i = 0; i < SimNoiseGenerator::kBlock; ++i) {
        const auto scaled = static_cast<int16_t>(ByteSum(a[i], b[i]) * kPreScale);
        const auto noise = static_cast<int16_t>((static_cast<int32_t>(scaled) * multiplier) >> 16);
        out[i] = static_cast<uint16_t>(std::max<int16_t>(static_cast<int16_t>(base + noise), 0));
    }
}

// The same noise, limited to 0..65535.
void ShapeLimited(const uint16_t* a, const uint16_t* b, uint16_t* out, int32_t base, int16_t multiplier, int count) {
    for (int i = 0; i < count; ++i) {
        const int32_t noise = (ByteSum(a[i], b[i]) * kPreScale * multiplier) >> 16;
        out[i] = static_cast<uint16_t>(std::clamp(base + noise, 0, 65535));
    }
}

}  // namespace

SimNoiseGenerator::SimNoiseGenerator(uint64_t seed) {
    for (int k = 0; k < kLanes; ++k) {
        s0_[k] = SplitMix64(seed);
        s1_[k] = SplitMix64(seed) | 1;  // never an all-zero state
    }
}

void SimNoiseGenerator::Step(uint16_t* block) {
    uint64_t words[kLanes];
    for (int k = 0; k < kLanes; ++k) {
        uint64_t x = s0_[k];
        const uint64_t y = s1_[k];
        s0_[k] = y;
        x ^= x << 23;
        s1_[k] = x ^ y ^ (x >> 17) ^ (y >> 26);
        words[k] = s1_[k] + y;
    }
    std::memcpy(block, words, sizeof(words));
}

void SimNoiseGenerator::FillRow(uint16_t* out, int count, int32_t base, double sigma) {
    const auto multiplier = static_cast<int16_t>(
        std::lround(std::clamp(sigma, 0.0, 4000.0) * 65536.0 / (kByteSumSigma * kPreScale)));
    const int32_t largest = (kByteSumMean * kPreScale * multiplier >> 16) + 1;
    const bool small = base - largest >= -32768 && base + largest <= 32767;
    // Each step gives two words of 16 random bits for each of kBlock samples.
    uint16_t block[2 * kBlock];
    for (int i = 0; i < count; i += kBlock) {
        Step(block);
        const int run = std::min(kBlock, count - i);
        if (small && run == kBlock) {
            ShapeSmall(block, block + kBlock, out + i, static_cast<int16_t>(base), multiplier);
        } else {
            ShapeLimited(block, block + kBlock, out + i, base, multiplier, run);
        }
    }
}

}  // namespace orva
