#include "simcam/SimSamplePacking.h"

#include <cassert>

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
        uint16_t w[6];
        for (int k = 0; k < 2; ++k) {
            const uint32_t a = s[k], c = s[2 + k], e = s[4 + k], g6 = s[6 + k];
            w[k] = static_cast<uint16_t>((a << 4) | (c & 0x0F));
            w[2 + k] = static_cast<uint16_t>(((c >> 4) << 8) | (e & 0xFF));
            w[4 + k] = static_cast<uint16_t>(((e >> 8) << 12) | (g6 & 0x0FFF));
        }
        for (int k = 0; k < 6; ++k) {
            o[2 * k] = static_cast<uint8_t>(w[k]);
            o[2 * k + 1] = static_cast<uint8_t>(w[k] >> 8);
        }
    }
}

}  // namespace orva
