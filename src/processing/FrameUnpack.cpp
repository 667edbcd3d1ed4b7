#include "processing/FrameUnpack.h"

#include "processing/FrameWorkerPool.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
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

// The reference: the pixel formulas one by one.
void UnpackNormalPlain(const uint8_t* raw, int first, int width, uint16_t* out) {
    for (int x = first; x < width; ++x) {
        out[x] = static_cast<uint16_t>(raw[2 * x] << 8 | (raw[2 * x + 1] & 0x0F) << 4);
    }
}

void UnpackPackedPlain(const uint8_t* raw, int firstGroup, int groups, uint16_t* out) {
    for (int g = firstGroup; g < groups; ++g) {
        const uint8_t* p = raw + g * kPackedGroupBytes;
        uint16_t w[6];
        for (int i = 0; i < 6; ++i) w[i] = LoadLittleEndian16(p + 2 * i);
        uint16_t* o = out + g * kGroupPixels;
        o[0] = static_cast<uint16_t>(w[0] & 0xFFF0);
        o[1] = static_cast<uint16_t>(w[1] & 0xFFF0);
        o[2] = static_cast<uint16_t>((w[2] & 0xFF00) | (w[0] & 0x000F) << 4);
        o[3] = static_cast<uint16_t>((w[3] & 0xFF00) | (w[1] & 0x000F) << 4);
        o[4] = static_cast<uint16_t>((w[4] & 0xF000) | (w[2] & 0x00FF) << 4);
        o[5] = static_cast<uint16_t>((w[5] & 0xF000) | (w[3] & 0x00FF) << 4);
        o[6] = static_cast<uint16_t>((w[4] & 0x0FFF) << 4);
        o[7] = static_cast<uint16_t>((w[5] & 0x0FFF) << 4);
    }
}

// Each group as two little-endian words: w0..w3 in a, w4 and w5 in b. Pixels 0..3 keep
// the high 12 or 8 bits of w0..w3 and take w0's and w1's low nibbles; pixels 4..7 are
// built from w4, w5 and the low bytes of w2 and w3.
void UnpackPackedWords(const uint8_t* raw, int firstGroup, int groups, uint16_t* out) {
    for (int g = firstGroup; g < groups; ++g) {
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

uint64_t SumPlain(const uint16_t* pixels, int first, int count) {
    uint64_t sum = 0;
    for (int i = first; i < count; ++i) sum += pixels[i];
    return sum;
}

#if defined(__SSE2__)
constexpr int16_t Bits(int v) { return static_cast<int16_t>(v); }

// 32-bit lane sums cannot overflow within one row (at most 16384 values per lane).
uint64_t SumSse2(const uint16_t* pixels, int count) {
    const __m128i zero = _mm_setzero_si128();
    __m128i lanes = zero;
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i));
        lanes = _mm_add_epi32(lanes, _mm_add_epi32(_mm_unpacklo_epi16(v, zero), _mm_unpackhi_epi16(v, zero)));
    }
    uint32_t parts[4];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(parts), lanes);
    return uint64_t{parts[0]} + parts[1] + parts[2] + parts[3] + SumPlain(pixels, i, count);
}

void UnpackNormalSse2(const uint8_t* raw, int width, uint16_t* out) {
    const __m128i lowNibble = _mm_set1_epi16(0x00F0);
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        // Word w = first | second << 8: the first byte moves up, the second byte's low
        // nibble lands in bits 4..7.
        const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw + 2 * x));
        const __m128i p = _mm_or_si128(_mm_slli_epi16(w, 8), _mm_and_si128(_mm_srli_epi16(w, 4), lowNibble));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), p);
    }
    UnpackNormalPlain(raw, x, width, out);
}

// One packed group in a 128-bit lane (its 12 bytes from `base` on) becomes 8 pixels as
// (S & maskS) | ((T << 4) & maskT), S and T gathered by byte shuffles: p0, p1 keep the
// high 12 bits of w0, w1; p2, p3 the high byte of w2, w3 over the low nibble of w0, w1;
// p4, p5 the high nibble of w4, w5 over the low byte of w2, w3; p6, p7 the low 12 bits of
// w4, w5.
struct PackedShuffle {
    int8_t s[16];
    int8_t t[16];
};

constexpr PackedShuffle ShuffleFor(int base) {
    constexpr int8_t kZero = -128;
    const int8_t b = static_cast<int8_t>(base);
    return {{static_cast<int8_t>(b + 0), static_cast<int8_t>(b + 1), static_cast<int8_t>(b + 2),
             static_cast<int8_t>(b + 3), kZero, static_cast<int8_t>(b + 5), kZero, static_cast<int8_t>(b + 7), kZero,
             static_cast<int8_t>(b + 9), kZero, static_cast<int8_t>(b + 11), kZero, kZero, kZero, kZero},
            {kZero, kZero, kZero, kZero, static_cast<int8_t>(b + 0), kZero, static_cast<int8_t>(b + 2), kZero,
             static_cast<int8_t>(b + 4), kZero, static_cast<int8_t>(b + 6), kZero, static_cast<int8_t>(b + 8),
             static_cast<int8_t>(b + 9), static_cast<int8_t>(b + 10), static_cast<int8_t>(b + 11)}};
}

constexpr int16_t kMaskS[8] = {Bits(0xFFF0), Bits(0xFFF0), Bits(0xFF00), Bits(0xFF00),
                               Bits(0xF000), Bits(0xF000), 0,            0};
constexpr int16_t kMaskT[8] = {0, 0, 0x00F0, 0x00F0, 0x0FF0, 0x0FF0, Bits(0xFFF0), Bits(0xFFF0)};

ORVA_TARGET("ssse3") void UnpackPackedSsse3(const uint8_t* raw, int groups, uint16_t* out) {
    constexpr PackedShuffle kShuffle = ShuffleFor(0);
    const __m128i shuffleS = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kShuffle.s));
    const __m128i shuffleT = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kShuffle.t));
    const __m128i maskS = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kMaskS));
    const __m128i maskT = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kMaskT));
    int g = 0;
    // A 16-byte load takes 4 bytes of the next group: the row's last group goes word-wise.
    for (; g + 1 < groups; ++g) {
        const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw + g * kPackedGroupBytes));
        const __m128i s = _mm_and_si128(_mm_shuffle_epi8(in, shuffleS), maskS);
        const __m128i t = _mm_and_si128(_mm_slli_epi16(_mm_shuffle_epi8(in, shuffleT), 4), maskT);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + g * kGroupPixels), _mm_or_si128(s, t));
    }
    UnpackPackedWords(raw, g, groups, out);
}

ORVA_TARGET("avx2") void UnpackPackedAvx2(const uint8_t* raw, int groups, uint16_t* out) {
    // Two groups per step: the first from a load at its start, the second from a load 8
    // bytes into the first group, so that neither load passes the second group's end.
    constexpr PackedShuffle kLow = ShuffleFor(0);
    constexpr PackedShuffle kHigh = ShuffleFor(4);
    const __m256i shuffleS = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(kLow.s))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(kHigh.s)), 1);
    const __m256i shuffleT = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(kLow.t))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(kHigh.t)), 1);
    const __m256i maskS = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(kMaskS)));
    const __m256i maskT = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(kMaskT)));
    int g = 0;
    for (; g + 2 <= groups; g += 2) {
        const uint8_t* p = raw + g * kPackedGroupBytes;
        const __m256i in = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8)), 1);
        const __m256i s = _mm256_and_si256(_mm256_shuffle_epi8(in, shuffleS), maskS);
        const __m256i t = _mm256_and_si256(_mm256_slli_epi16(_mm256_shuffle_epi8(in, shuffleT), 4), maskT);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + g * kGroupPixels), _mm256_or_si256(s, t));
    }
    UnpackPackedWords(raw, g, groups, out);
}

ORVA_TARGET("avx2") void UnpackNormalAvx2(const uint8_t* raw, int width, uint16_t* out) {
    const __m256i lowNibble = _mm256_set1_epi16(0x00F0);
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(raw + 2 * x));
        const __m256i p =
            _mm256_or_si256(_mm256_slli_epi16(w, 8), _mm256_and_si256(_mm256_srli_epi16(w, 4), lowNibble));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), p);
    }
    UnpackNormalSse2(raw + 2 * x, width - x, out + x);
}

ORVA_TARGET("avx2") uint64_t SumAvx2(const uint16_t* pixels, int count) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i lanes = zero;
    int i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels + i));
        lanes = _mm256_add_epi32(lanes,
                                 _mm256_add_epi32(_mm256_unpacklo_epi16(v, zero), _mm256_unpackhi_epi16(v, zero)));
    }
    uint32_t parts[8];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(parts), lanes);
    uint64_t sum = 0;
    for (const uint32_t p : parts) sum += p;
    return sum + SumSse2(pixels + i, count - i);
}
#endif

uint64_t SumRow(const uint16_t* pixels, int count, SimdLevel level) {
#if defined(__SSE2__)
    if (level == SimdLevel::Avx2) return SumAvx2(pixels, count);
    if (level != SimdLevel::Plain) return SumSse2(pixels, count);
#endif
    (void)level;
    return SumPlain(pixels, 0, count);
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

void UnpackRowNormal(const uint8_t* raw, int width, uint16_t* out, SimdLevel level) {
#if defined(__SSE2__)
    if (level == SimdLevel::Avx2) return UnpackNormalAvx2(raw, width, out);
    if (level != SimdLevel::Plain) return UnpackNormalSse2(raw, width, out);
#endif
    UnpackNormalPlain(raw, 0, width, out);
}

void UnpackRowPacked(const uint8_t* raw, int width, uint16_t* out, SimdLevel level) {
    const int groups = width / kGroupPixels;
#if defined(__SSE2__)
    if (level == SimdLevel::Avx2) return UnpackPackedAvx2(raw, groups, out);
    if (level == SimdLevel::Ssse3) return UnpackPackedSsse3(raw, groups, out);
    if (level == SimdLevel::Sse2) return UnpackPackedWords(raw, 0, groups, out);
#endif
    UnpackPackedPlain(raw, 0, groups, out);
}

int64_t RawRowBytes(int width, bool packed) {
    return packed ? static_cast<int64_t>(width) / kGroupPixels * kPackedGroupBytes : static_cast<int64_t>(width) * 2;
}

bool IsUnpackableWidth(int width, bool packed) { return width > 0 && (!packed || width % kGroupPixels == 0); }

ImageStatistics UnpackRows(const uint8_t* raw, bool packed, int width, int height, int firstRow, int endRow,
                           uint16_t* image, SimdLevel level) {
    const StatisticsWindow window = StatisticsWindow::ForFrame(width, height);
    const int64_t rowBytes = RawRowBytes(width, packed);
    const int windowWidth = window.lastColumn - window.firstColumn;
    ImageStatistics stats;
    for (int y = firstRow; y < endRow; ++y) {
        const uint8_t* in = raw + y * rowBytes;
        uint16_t* out = image + static_cast<int64_t>(y) * width;
        if (packed) {
            UnpackRowPacked(in, width, out, level);
        } else {
            UnpackRowNormal(in, width, out, level);
        }
        // Summed while the row is still in the cache.
        if (y >= window.firstRow && y < window.lastRow && windowWidth > 0) {
            stats.sum += SumRow(out + window.firstColumn, windowWidth, level);
            stats.count += static_cast<uint64_t>(windowWidth);
        }
    }
    return stats;
}

ImageStatistics UnpackFrame(const uint8_t* raw, bool packed, int width, int height, uint16_t* image,
                            SimdLevel level) {
    return UnpackRows(raw, packed, width, height, 0, height, image, level);
}

ImageStatistics UnpackFrame(const uint8_t* raw, bool packed, int width, int height, uint16_t* image,
                            FrameWorkerPool& pool, int parts) {
    ImageStatistics partStats[FrameWorkerPool::kMaxParts];
    pool.Run(parts, [&](int part, int count) {
        partStats[part] = UnpackRows(raw, packed, width, height, FrameWorkerPool::PartStart(height, part, count),
                                     FrameWorkerPool::PartStart(height, part + 1, count), image);
    });
    ImageStatistics stats;
    for (const ImageStatistics& s : partStats) {
        stats.sum += s.sum;
        stats.count += s.count;
    }
    return stats;
}

}  // namespace orva
