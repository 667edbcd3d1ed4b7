#include "processing/FrameUnpack.h"

namespace orva {
namespace {

constexpr int kWindowTopRows = 16;
constexpr int kWindowBottomRows = 18;  // rows height - 18 .. height - 1 stay out
constexpr int kWindowSideColumns = 100;
constexpr int kGroupPixels = 8;
constexpr int kPackedGroupBytes = 12;

inline uint16_t LoadLittleEndian16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// Plain loop over 16-bit words so that the compiler can keep it in vector registers.
uint64_t SumRow(const uint16_t* pixels, int count) {
    uint64_t sum = 0;
    for (int i = 0; i < count; ++i) sum += pixels[i];
    return sum;
}

}  // namespace

StatisticsWindow StatisticsWindow::ForFrame(int width, int height) {
    StatisticsWindow w;
    w.firstRow = kWindowTopRows;
    w.lastRow = height - kWindowBottomRows;
    // Groups start at multiples of 8: the first at or after column 100, the last below
    // width - 100; the window ends with the last group's eighth pixel.
    w.firstColumn = (kWindowSideColumns + kGroupPixels - 1) / kGroupPixels * kGroupPixels;
    const int limit = width - kWindowSideColumns;
    const int lastGroupStart = limit <= 0 ? -1 : ((limit - 1) / kGroupPixels) * kGroupPixels;
    w.lastColumn = lastGroupStart < w.firstColumn ? w.firstColumn : lastGroupStart + kGroupPixels;
    if (w.lastRow < w.firstRow) w.lastRow = w.firstRow;
    return w;
}

void UnpackRowNormal(const uint8_t* raw, int width, uint16_t* out) {
    for (int x = 0; x < width; ++x) {
        // Word w = first | second << 8: the first byte moves up, the second byte's low
        // nibble lands in bits 4..7.
        const uint16_t w = LoadLittleEndian16(raw + 2 * x);
        out[x] = static_cast<uint16_t>(static_cast<uint16_t>(w << 8) | ((w >> 4) & 0x00F0));
    }
}

void UnpackRowPacked(const uint8_t* raw, int width, uint16_t* out) {
    const int groups = width / kGroupPixels;
    for (int g = 0; g < groups; ++g) {
        const uint8_t* p = raw + g * kPackedGroupBytes;
        uint16_t* o = out + g * kGroupPixels;
        const uint16_t w0 = LoadLittleEndian16(p + 0);
        const uint16_t w1 = LoadLittleEndian16(p + 2);
        const uint16_t w2 = LoadLittleEndian16(p + 4);
        const uint16_t w3 = LoadLittleEndian16(p + 6);
        const uint16_t w4 = LoadLittleEndian16(p + 8);
        const uint16_t w5 = LoadLittleEndian16(p + 10);
        o[0] = static_cast<uint16_t>(w0 & 0xFFF0);
        o[1] = static_cast<uint16_t>(w1 & 0xFFF0);
        o[2] = static_cast<uint16_t>((w2 & 0xFF00) | ((w0 & 0x000F) << 4));
        o[3] = static_cast<uint16_t>((w3 & 0xFF00) | ((w1 & 0x000F) << 4));
        o[4] = static_cast<uint16_t>((w4 & 0xF000) | ((w2 & 0x00FF) << 4));
        o[5] = static_cast<uint16_t>((w5 & 0xF000) | ((w3 & 0x00FF) << 4));
        o[6] = static_cast<uint16_t>((w4 & 0x0FFF) << 4);
        o[7] = static_cast<uint16_t>((w5 & 0x0FFF) << 4);
    }
}

int64_t RawRowBytes(int width, bool packed) {
    return packed ? static_cast<int64_t>(width) / kGroupPixels * kPackedGroupBytes : static_cast<int64_t>(width) * 2;
}

bool IsUnpackableWidth(int width, bool packed) { return width > 0 && (!packed || width % kGroupPixels == 0); }

ImageStatistics UnpackFrame(const uint8_t* raw, bool packed, int width, int height, uint16_t* image) {
    const StatisticsWindow window = StatisticsWindow::ForFrame(width, height);
    const int64_t rowBytes = RawRowBytes(width, packed);
    const int windowWidth = window.lastColumn - window.firstColumn;
    ImageStatistics stats;
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = raw + y * rowBytes;
        uint16_t* out = image + static_cast<int64_t>(y) * width;
        if (packed) {
            UnpackRowPacked(in, width, out);
        } else {
            UnpackRowNormal(in, width, out);
        }
        if (y >= window.firstRow && y < window.lastRow && windowWidth > 0) {
            stats.sum += SumRow(out + window.firstColumn, windowWidth);
            stats.count += static_cast<uint64_t>(windowWidth);
        }
    }
    return stats;
}

}  // namespace orva
