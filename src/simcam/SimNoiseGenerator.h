#pragma once
// The simulated sensor's noise: a fresh, approximately Gaussian draw for every pixel, so
// that no run of noise repeats within a frame or across frames (a repeating table would
// flatter compressors that look for matches). Eight xorshift128+ generators run side by
// side, which lets the compiler use vector instructions; each 32 random bits give one
// sample as the sum of four uniform bytes (Irwin-Hall, cut off at 3.46 sigma).
//
// Not thread-safe: one owner (the frame-generating thread).

#include <array>
#include <cstdint>

namespace orva {

class SimNoiseGenerator {
public:
    // The same seed gives the same noise.
    explicit SimNoiseGenerator(uint64_t seed);

    // Writes `count` samples of base + noise of standard deviation sigma (counts), each
    // limited to 0..65535.
    void FillRow(uint16_t* out, int count, int32_t base, double sigma);

    static constexpr int kLanes = 8;
    static constexpr int kBlock = 2 * kLanes;  // samples per step: 32 random bits each

private:

    void Step(uint16_t* block);

    std::array<uint64_t, kLanes> s0_{};
    std::array<uint64_t, kLanes> s1_{};
};

}  // namespace orva
