#include "processing/FrameUnpack.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orva {
namespace {

constexpr int kWindowTopRows = 16;
constexpr int kWindowBottomRows = 18;  // rows height - 18 .. height - 1 stay out
constexpr int kWindowSideColumns = 100;
constexpr int kGroupPixels = 8;
constexpr int kPackedGroupBytes = 12;

// The word loads below read the camera's little-endian words in host order.
static_assert(std::endian::native == std::endian::little);

inline uint16_t LoadLittleEndian16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

inline uint64_t Load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

uint64_t SumRow(const uint16_t* pixels, int count) {
    uint64_t sum = 0;
    int i = 0;
#if defined(__SSE2__)
    // 32-bit lane sums cannot overflow within one row (at most 16384 values per lane).
    const __m128i zero = _mm_setzero_si128();
    __m128i lanes = _mm_setzero_si128();
    for (; i + 8 <= count; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i));
        lanes = _mm_add_epi32(lanes, _mm_add_epi32(_mm_unpacklo_epi16(v, zero), _mm_unpackhi_epi16(v, zero)));
    }
    uint32_t parts[4];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(parts), lanes);
    sum = uint64_t{parts[0]} + parts[1] + parts[2] + parts[3];
#endif
    for (; i < count; ++i) sum += pixels[i];
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
    int x = 0;
#if defined(__SSE2__)
    const __m128i lowNibble = _mm_set1_epi16(0x00F0);
    for (; x + 8 <= width; x += 8) {
        const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw + 2 * x));
        const __m128i p = _mm_or_si128(_mm_slli_epi16(w, 8), _mm_and_si128(_mm_srli_epi16(w, 4), lowNibble));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), p);
    }
#endif
    for (; x < width; ++x) {
        // Word w = first | second << 8: the first byte moves up, the second byte's low
        // nibble lands in bits 4..7.
        const uint16_t w = LoadLittleEndian16(raw + 2 * x);
        out[x] = static_cast<uint16_t>(static_cast<uint16_t>(w << 8) | ((w >> 4) & 0x00F0));
    }
}

void UnpackRowPacked(const uint8_t* raw, int width, uint16_t* out) {
    const int groups = width / kGroupPixels;
    // Each group as two little-endian words: w0..w3 in a, w4 and w5 in b. Pixels 0..3
    // keep the high 12 or 8 bits of w0..w3 and take w0's and w1's low nibbles; pixels
    // 4..7 are built from w4, w5 and the low bytes of w2 and w3.
    for (int g = 0; g < groups; ++g) {
        const uint8_t* p = raw + g * kPackedGroupBytes;
        const uint64_t a = Load64(p);
        const uint64_t b = Load32(p + 8);
        const uint64_t c = a >> 32;
        const uint64_t low = (a & 0xFF00FF00FFF0FFF0ULL) | ((a & 0x000F000FULL) << 36);
        const uint64_t high = (b & 0xF000F000ULL) | ((c & 0x00FF00FFULL) << 4) | ((b & 0x0FFF0FFFULL) << 36);
        std::memcpy(out + g * kGroupPixels, &low, sizeof low);
        std::memcpy(out + g * kGroupPixels + 4, &high, sizeof high);
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
