#pragma once
// Frames, timing records and byte helpers shared by the format writer and reader tests.

#include "camera/BinaryOverlay.h"
#include "processing/FrameTimestamp.h"
#include "recording/Lagarith16Encoder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orva::test {

// A frame record whose exposure starts `startMs` after 2024-03-01 22:15:07.000 UTC and
// lasts 40 ms.
inline BinaryOverlay TimedOverlay(int32_t frameNr, int startMs = 0) {
    BinaryOverlay o;
    o.Valid = true;
    o.FrameNr = frameNr;
    const int startTotal = 7000 + startMs;
    const int endTotal = startTotal + 40;
    o.FromTime = {2024, 3, 0, 1, 22, 15, static_cast<uint16_t>(startTotal / 1000), static_cast<uint16_t>(startTotal % 1000)};
    o.ToTime = {2024, 3, 0, 1, 22, 15, static_cast<uint16_t>(endTotal / 1000), static_cast<uint16_t>(endTotal % 1000)};
    o.ExposureSec = 0;
    o.ExposureNs = 40000000;
    o.FixState = 3;
    o.NofSats = 9;
    return o;
}

inline uint64_t StartTicks(const BinaryOverlay& o) { return FrameTimestampTicks(o.FromTime); }

// 12-bit samples in the high bits, different in every frame.
inline std::vector<uint16_t> PatternFrame(int width, int height, int seed) {
    std::vector<uint16_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    uint32_t x = 2463534242u + static_cast<uint32_t>(seed);
    for (auto& p : pixels) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        p = static_cast<uint16_t>(((x % 64) + 200) << 4);
    }
    return pixels;
}

// Frames that cost very different times to encode, so that on several encoding threads
// later frames often finish before earlier ones: one value (nothing to code), noise over
// every value (coded, then stored), 12-bit noise, a smooth ramp.
inline std::vector<uint16_t> VariedFrame(int width, int height, int n) {
    const std::size_t samples = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<uint16_t> frame(samples);
    uint32_t x = 0x9E3779B9u * static_cast<uint32_t>(n + 1);
    switch (n % 4) {
        case 0:
            for (uint16_t& p : frame) p = static_cast<uint16_t>(0x1000 + n);
            break;
        case 1:
            for (uint16_t& p : frame) {
                x ^= x << 13;
                x ^= x >> 17;
                x ^= x << 5;
                p = static_cast<uint16_t>(x);
            }
            break;
        case 2: frame = PatternFrame(width, height, n); break;
        default:
            for (std::size_t i = 0; i < samples; ++i) {
                frame[i] = static_cast<uint16_t>((i % static_cast<std::size_t>(width) + static_cast<std::size_t>(n)) << 4);
            }
            break;
    }
    return frame;
}

// The frame's LAGARITH16 block from an encoder of its own.
inline std::vector<uint8_t> Lagarith16Block(const std::vector<uint16_t>& frame) {
    Lagarith16Encoder encoder;
    const auto block = encoder.Encode(frame.data(), frame.size());
    return {block.begin(), block.end()};
}

// An ADV recording as a crash leaves it: the first `length` bytes of the finished file,
// with the index offset (at 9), the user metadata offset (at 25) and the MAIN frame count
// (after the stream count at 33 and the name "MAIN") never filled in.
inline std::string CrashedAdv(const std::string& complete, std::size_t length) {
    std::string bytes = complete.substr(0, length);
    bytes.replace(9, 8, std::string(8, '\0'));
    bytes.replace(25, 8, std::string(8, '\0'));
    bytes.replace(34 + 2 + 4, 4, std::string(4, '\0'));
    return bytes;
}

inline uint16_t U16At(const std::string& bytes, std::size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | (static_cast<uint8_t>(bytes[at + 1]) << 8));
}
inline uint32_t U32At(const std::string& bytes, std::size_t at) {
    return U16At(bytes, at) | (static_cast<uint32_t>(U16At(bytes, at + 2)) << 16);
}
inline uint64_t U64At(const std::string& bytes, std::size_t at) {
    return U32At(bytes, at) | (static_cast<uint64_t>(U32At(bytes, at + 4)) << 32);
}

}  // namespace orva::test
