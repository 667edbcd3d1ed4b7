#include "simcam/SimSamplePacking.h"

#include <bit>
#include <cassert>
#include <cstring>

namespace orva {

void PackSimRowNormal(std::span<const uint16_t> samples, std::span<uint8_t> out) {
    assert(out.size() >= samples.size() * 2);
    const std::size_t n = samples.size();
    const uint16_t* s = samples.data();
    uint8_t* o = out.data();
    for (std::size_t i = 0; i < n; ++i) {
        o[2 * i] = static_cast<uint8_t>(s[i] >> 4);
        o[2 * i + 1] = static_cast<uint8_t>(s[i] & 0x0F);
    }
}

void PackSimRow12(std::span<const uint16_t> samples, std::span<uint8_t> out) {
    assert(samples.size() % 8 == 0 && out.size() >= samples.size() / 8 * 12);
    const std::size_t groups = samples.size() / 8;
    const uint16_t* s = samples.data();
    uint8_t* o = out.data();
    for (std::size_t g = 0; g < groups; ++g, s += 8, o += 12) {
        // Pixels 0/1 keep their upper 12 bits in words 0/1; pixels 2/3 are split over the
        // low nibble of words 0/1 and the high byte of words 2/3; pixels 4/5 over the
        // low byte of words 2/3 and the top nibble of words 4/5; pixels 6/7 fill the low
        // 12 bits of words 4/5.
        const uint64_t w0 = (static_cast<uint64_t>(s[0]) << 4) | (s[2] & 0x0Fu);
        const uint64_t w1 = (static_cast<uint64_t>(s[1]) << 4) | (s[3] & 0x0Fu);
        const uint64_t w2 = (static_cast<uint64_t>(s[2] >> 4) << 8) | (s[4] & 0xFFu);
        const uint64_t w3 = (static_cast<uint64_t>(s[3] >> 4) << 8) | (s[5] & 0xFFu);
        const uint32_t w4 = (static_cast<uint32_t>(s[4] >> 8) << 12) | s[6];
        const uint32_t w5 = (static_cast<uint32_t>(s[5] >> 8) << 12) | s[7];
        const uint64_t low = w0 | (w1 << 16) | (w2 << 32) | (w3 << 48);
        const uint32_t high = w4 | (w5 << 16);
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(o, &low, 8);
            std::memcpy(o + 8, &high, 4);
        } else {
            for (int k = 0; k < 8; ++k) o[k] = static_cast<uint8_t>(low >> (8 * k));
            for (int k = 0; k < 4; ++k) o[8 + k] = static_cast<uint8_t>(high >> (8 * k));
        }
    }
}

}  // namespace orva
