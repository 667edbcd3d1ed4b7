#pragma once
// Reading a simulated frame back the way the station's documentation describes it, kept
// independent of the simulator's writer: unpacking to 16-bit pixels (12 bits in bits
// 4..15), the record bytes and check lanes of the last row, and the Fletcher check.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace orva::test {

inline std::vector<uint16_t> UnpackFrame(std::span<const uint8_t> bytes, int width, int height, bool packed) {
    std::vector<uint16_t> pixels(static_cast<std::size_t>(width) * height);
    if (!packed) {
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            pixels[i] = static_cast<uint16_t>((bytes[2 * i] << 8) | ((bytes[2 * i + 1] & 0x0F) << 4));
        }
        return pixels;
    }
    for (std::size_t g = 0; g < pixels.size() / 8; ++g) {
        const uint8_t* b = bytes.data() + 12 * g;
        uint32_t w[6];
        for (int k = 0; k < 6; ++k) w[k] = b[2 * k] | (b[2 * k + 1] << 8);
        uint16_t* p = pixels.data() + 8 * g;
        p[0] = static_cast<uint16_t>(w[0] & 0xFFF0);
        p[1] = static_cast<uint16_t>(w[1] & 0xFFF0);
        p[2] = static_cast<uint16_t>((w[2] & 0xFF00) | ((w[0] & 0x000F) << 4));
        p[3] = static_cast<uint16_t>((w[3] & 0xFF00) | ((w[1] & 0x000F) << 4));
        p[4] = static_cast<uint16_t>((w[4] & 0xF000) | ((w[2] & 0x00FF) << 4));
        p[5] = static_cast<uint16_t>((w[5] & 0xF000) | ((w[3] & 0x00FF) << 4));
        p[6] = static_cast<uint16_t>((w[4] & 0x0FFF) << 4);
        p[7] = static_cast<uint16_t>((w[5] & 0x0FFF) << 4);
    }
    return pixels;
}

// Fletcher-16 over the check lanes of pixels 2..125; true when the sums stand in the
// lanes of pixels 127 (first sum) and 126 (second sum).
inline bool CheckLaneValid(std::span<const uint16_t> lastRow) {
    int sum1 = 0;
    int sum2 = 0;
    for (int p = 2; p <= 125; ++p) {
        sum1 += lastRow[p] & 0xFF;
        if (sum1 >= 255) sum1 -= 255;
        sum2 += sum1;
        if (sum2 >= 255) sum2 -= 255;
    }
    return sum1 == (lastRow[127] & 0xFF) && sum2 == (lastRow[126] & 0xFF);
}

inline uint8_t RecordByte(std::span<const uint16_t> lastRow, int j) { return static_cast<uint8_t>(lastRow[j] >> 8); }

inline uint32_t RecordBigEndian(std::span<const uint16_t> lastRow, int j, int width) {
    uint32_t v = 0;
    for (int i = 0; i < width; ++i) v = (v << 8) | RecordByte(lastRow, j + i);
    return v;
}

}  // namespace orva::test
