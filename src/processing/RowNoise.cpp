#include "processing/RowNoise.h"

#include <algorithm>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace orva {
namespace {

constexpr int kFirstMeasuredColumn = 21;
constexpr uint32_t kBandHalfWidth = 1024;
constexpr uint32_t kMinimumPixelsPerRow = 10;

// Sum and count of one row's pixels within the band.
struct BandSum {
    uint64_t sum = 0;
    uint32_t count = 0;
};

void AddPlain(const uint16_t* row, int first, int width, IntensityBand band, BandSum& s) {
    for (int x = first; x < width; ++x) {
        const uint16_t v = row[x];
        if (v >= band.low && v <= band.high) {
            s.sum += v;
            ++s.count;
        }
    }
}

#if defined(__SSE2__)
// Unsigned comparisons through the signed ones (bias 0x8000). Per row a 32-bit lane sum
// stays below 2^31 and a 16-bit lane count below 2^13.
int AddSse2(const uint16_t* row, int first, int width, IntensityBand band, BandSum& s) {
    const __m128i bias = _mm_set1_epi16(static_cast<int16_t>(0x8000));
    const __m128i low = _mm_set1_epi16(static_cast<int16_t>(band.low ^ 0x8000));
    const __m128i high = _mm_set1_epi16(static_cast<int16_t>(band.high ^ 0x8000));
    const __m128i zero = _mm_setzero_si128();
    __m128i sums = zero;
    __m128i counts = zero;
    int x = first;
    for (; x + 8 <= width; x += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
        const __m128i b = _mm_xor_si128(v, bias);
        const __m128i outside = _mm_or_si128(_mm_cmplt_epi16(b, low), _mm_cmpgt_epi16(b, high));
        const __m128i kept = _mm_andnot_si128(outside, v);
        sums = _mm_add_epi32(sums, _mm_add_epi32(_mm_unpacklo_epi16(kept, zero), _mm_unpackhi_epi16(kept, zero)));
        counts = _mm_sub_epi16(counts, _mm_andnot_si128(outside, _mm_cmpeq_epi16(v, v)));
    }
    uint32_t sumLanes[4];
    uint16_t countLanes[8];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(sumLanes), sums);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(countLanes), counts);
    for (const uint32_t v : sumLanes) s.sum += v;
    for (const uint16_t c : countLanes) s.count += c;
    return x;
}

ORVA_TARGET("avx2") int AddAvx2(const uint16_t* row, int first, int width, IntensityBand band, BandSum& s) {
    const __m256i bias = _mm256_set1_epi16(static_cast<int16_t>(0x8000));
    const __m256i low = _mm256_set1_epi16(static_cast<int16_t>(band.low ^ 0x8000));
    const __m256i high = _mm256_set1_epi16(static_cast<int16_t>(band.high ^ 0x8000));
    const __m256i zero = _mm256_setzero_si256();
    __m256i sums = zero;
    __m256i counts = zero;
    int x = first;
    for (; x + 16 <= width; x += 16) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x));
        const __m256i b = _mm256_xor_si256(v, bias);
        const __m256i outside = _mm256_or_si256(_mm256_cmpgt_epi16(low, b), _mm256_cmpgt_epi16(b, high));
        const __m256i kept = _mm256_andnot_si256(outside, v);
        sums = _mm256_add_epi32(sums,
                                _mm256_add_epi32(_mm256_unpacklo_epi16(kept, zero), _mm256_unpackhi_epi16(kept, zero)));
        counts = _mm256_sub_epi16(counts, _mm256_andnot_si256(outside, _mm256_cmpeq_epi16(v, v)));
    }
    uint32_t sumLanes[8];
    uint16_t countLanes[16];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(sumLanes), sums);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(countLanes), counts);
    for (const uint32_t v : sumLanes) s.sum += v;
    for (const uint16_t c : countLanes) s.count += c;
    return AddSse2(row, x, width, band, s);
}
#endif

}  // namespace

IntensityBand IntensityBand::AroundMean(uint32_t mean) {
    IntensityBand band;
    band.low = static_cast<uint16_t>(mean > kBandHalfWidth ? mean - kBandHalfWidth : 0);
    band.high = static_cast<uint16_t>(std::min<uint32_t>(mean + kBandHalfWidth, 65535));
    return band;
}

int64_t MeasureRowMeans(const uint16_t* image, int width, int firstRow, int endRow, IntensityBand band,
                        uint32_t imageMean, int32_t* rowMeans, SimdLevel level) {
    int64_t total = 0;
    for (int y = firstRow; y < endRow; ++y) {
        const uint16_t* row = image + static_cast<int64_t>(y) * width;
        BandSum s;
        int x = kFirstMeasuredColumn;
#if defined(__SSE2__)
        if (level == SimdLevel::Avx2) {
            x = AddAvx2(row, x, width, band, s);
        } else if (level != SimdLevel::Plain) {
            x = AddSse2(row, x, width, band, s);
        }
#endif
        (void)level;
        AddPlain(row, x, width, band, s);
        const int32_t mean = s.count >= kMinimumPixelsPerRow ? static_cast<int32_t>(s.sum / s.count)
                                                             : static_cast<int32_t>(imageMean);
        rowMeans[y] = mean;
        total += mean;
    }
    return total;
}

void RowMeansToOffsets(int32_t* rowValues, int height, int64_t sumOfMeans) {
    if (height <= 0) return;
    const int32_t overall = static_cast<int32_t>(sumOfMeans / height);
    for (int y = 0; y < height; ++y) rowValues[y] -= overall;
}

}  // namespace orva
