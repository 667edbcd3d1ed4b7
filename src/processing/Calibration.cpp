#include "processing/Calibration.h"

#include <algorithm>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace orva {
namespace {

// The reference, pixel by pixel, from `first` on.
template <bool kOffsets, bool kDark, bool kFlat>
void CalibrateRowPlain(uint16_t* row, int first, int width, int32_t offset, const uint16_t* darkRow, int32_t g,
                       const uint16_t* flatRow, uint32_t norm) {
    for (int x = first; x < width; ++x) {
        int32_t u = row[x];
        if (kOffsets) u = std::clamp(u - offset, 0, 65535);
        int32_t r = u;
        if (kDark) {
            const int32_t d = darkRow[x];
            // A pixel that the pedestal would push past the top stays saturated.
            r = (u + g <= d) ? 0 : (u > 65535 - g ? 65535 : u + g - d);
        }
        if (kFlat) {
            const uint32_t f = flatRow[x];
            r = f == 0 ? 65535 : static_cast<int32_t>(std::min<uint32_t>(norm * static_cast<uint32_t>(r) / f, 65535));
        }
        row[x] = static_cast<uint16_t>(r);
    }
}

#if defined(__SSE2__)
// Eight pixels at a time with saturating 16-bit arithmetic: subtracting (or adding) the
// row offset limited to 16 bits is the clamp to 0..65535; adding the pedestal saturates
// exactly when u > 65535 - g, and those pixels stay 65535; subtracting the dark
// saturates at 0 exactly when u + g <= d.
template <bool kOffsets, bool kDark>
int OffsetsAndDarkSse2(uint16_t* row, int width, int32_t offset, const uint16_t* darkRow, uint16_t pedestal) {
    const __m128i down = _mm_set1_epi16(static_cast<int16_t>(std::clamp(offset, 0, 65535)));
    const __m128i up = _mm_set1_epi16(static_cast<int16_t>(std::clamp(-offset, 0, 65535)));
    const __m128i g = _mm_set1_epi16(static_cast<int16_t>(pedestal));
    const __m128i bias = _mm_set1_epi16(static_cast<int16_t>(0x8000));
    const __m128i topBiased = _mm_set1_epi16(static_cast<int16_t>((65535 - pedestal) ^ 0x8000));
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        __m128i u = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
        if (kOffsets) u = _mm_adds_epu16(_mm_subs_epu16(u, down), up);
        if (kDark) {
            const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(darkRow + x));
            const __m128i over = _mm_cmpgt_epi16(_mm_xor_si128(u, bias), topBiased);
            u = _mm_or_si128(over, _mm_subs_epu16(_mm_adds_epu16(u, g), d));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), u);
    }
    return x;
}

// In place on a row already through the other steps: norm x r / f, limited to 65535, in
// doubles: norm x r stays below 2^32, so the double quotient truncates to exactly the
// integer quotient; f = 0 gives an infinite or undefined quotient, which the limit turns
// into 65535 as required.
int FlatSse2(uint16_t* row, int width, const uint16_t* flatRow, double norm) {
    const __m128d n = _mm_set1_pd(norm);
    const __m128d top = _mm_set1_pd(65535.0);
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi32(32768);
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
        const __m128i f = _mm_loadu_si128(reinterpret_cast<const __m128i*>(flatRow + x));
        __m128i q32[2];
        for (int h = 0; h < 2; ++h) {
            const __m128i r32 = h == 0 ? _mm_unpacklo_epi16(r, zero) : _mm_unpackhi_epi16(r, zero);
            const __m128i f32 = h == 0 ? _mm_unpacklo_epi16(f, zero) : _mm_unpackhi_epi16(f, zero);
            const __m128d qa = _mm_min_pd(_mm_div_pd(_mm_mul_pd(n, _mm_cvtepi32_pd(r32)), _mm_cvtepi32_pd(f32)), top);
            const __m128d qb = _mm_min_pd(_mm_div_pd(_mm_mul_pd(n, _mm_cvtepi32_pd(_mm_srli_si128(r32, 8))),
                                                     _mm_cvtepi32_pd(_mm_srli_si128(f32, 8))),
                                          top);
            q32[h] = _mm_unpacklo_epi64(_mm_cvttpd_epi32(qa), _mm_cvttpd_epi32(qb));
        }
        // 0..65535 into unsigned 16 bits through the signed pack.
        const __m128i packed = _mm_packs_epi32(_mm_sub_epi32(q32[0], half), _mm_sub_epi32(q32[1], half));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), _mm_xor_si128(packed, _mm_set1_epi16(static_cast<int16_t>(0x8000))));
    }
    return x;
}

template <bool kOffsets, bool kDark, bool kFlat>
void CalibrateRowSse2(uint16_t* row, int width, int32_t offset, const uint16_t* darkRow, uint16_t pedestal,
                      const uint16_t* flatRow, uint32_t norm) {
    const int done = OffsetsAndDarkSse2<kOffsets, kDark>(row, width, offset, darkRow, pedestal);
    if (kFlat) FlatSse2(row, done, flatRow, norm);
    CalibrateRowPlain<kOffsets, kDark, kFlat>(row, done, width, offset, darkRow, pedestal, flatRow, norm);
}

// Eight quotients norm x r / f in 32-bit lanes. The estimate uses a normalization made
// larger by 2^-18 of itself: with the three roundings of 2^-24 each it then lies in
// (Q, Q + Q x 2^-17) for a quotient Q > 0, so where Q is below 2^17 it truncates to
// floor(Q) or one more, and the sign of the remainder norm x r - q x f (exact in
// wrapping 32-bit arithmetic because it is within f of zero) settles which. Larger
// quotients, and f = 0 (an infinite or undefined estimate, converted to 0x80000000), end
// above 65535 whatever the correction does, and the final limit makes them 65535.
ORVA_TARGET("avx2")
inline __m256i FlatQuotientAvx2(__m256i r32, __m256i f32, __m256 highNormFloat, __m256i norm32) {
    const __m256 estimate =
        _mm256_mul_ps(_mm256_cvtepi32_ps(r32), _mm256_div_ps(highNormFloat, _mm256_cvtepi32_ps(f32)));
    __m256i q = _mm256_cvttps_epi32(estimate);
    const __m256i remainder = _mm256_sub_epi32(_mm256_mullo_epi32(r32, norm32), _mm256_mullo_epi32(q, f32));
    q = _mm256_add_epi32(q, _mm256_cmpgt_epi32(_mm256_setzero_si256(), remainder));
    return _mm256_min_epu32(q, _mm256_set1_epi32(65535));
}

template <bool kOffsets, bool kDark, bool kFlat>
ORVA_TARGET("avx2")
void CalibrateRowAvx2(uint16_t* row, int width, int32_t offset, const uint16_t* darkRow, uint16_t pedestal,
                      const uint16_t* flatRow, uint32_t norm) {
    const __m256i down = _mm256_set1_epi16(static_cast<int16_t>(std::clamp(offset, 0, 65535)));
    const __m256i up = _mm256_set1_epi16(static_cast<int16_t>(std::clamp(-offset, 0, 65535)));
    const __m256i g = _mm256_set1_epi16(static_cast<int16_t>(pedestal));
    const __m256i bias = _mm256_set1_epi16(static_cast<int16_t>(0x8000));
    const __m256i topBiased = _mm256_set1_epi16(static_cast<int16_t>((65535 - pedestal) ^ 0x8000));
    const __m256 highNormFloat = _mm256_set1_ps(static_cast<float>(norm) * (1.0f + 0x1p-18f));
    const __m256i norm32 = _mm256_set1_epi32(static_cast<int32_t>(norm));
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        __m256i u = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x));
        if (kOffsets) u = _mm256_adds_epu16(_mm256_subs_epu16(u, down), up);
        if (kDark) {
            const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(darkRow + x));
            const __m256i over = _mm256_cmpgt_epi16(_mm256_xor_si256(u, bias), topBiased);
            u = _mm256_or_si256(over, _mm256_subs_epu16(_mm256_adds_epu16(u, g), d));
        }
        if (kFlat) {
            const __m256i f = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(flatRow + x));
            // Unpacking within the 128-bit halves and packing back keeps the pixel order.
            const __m256i zero = _mm256_setzero_si256();
            const __m256i low = FlatQuotientAvx2(_mm256_unpacklo_epi16(u, zero), _mm256_unpacklo_epi16(f, zero),
                                                 highNormFloat, norm32);
            const __m256i high = FlatQuotientAvx2(_mm256_unpackhi_epi16(u, zero), _mm256_unpackhi_epi16(f, zero),
                                                  highNormFloat, norm32);
            u = _mm256_packus_epi32(low, high);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + x), u);
    }
    CalibrateRowSse2<kOffsets, kDark, kFlat>(row + x, width - x, offset, kDark ? darkRow + x : nullptr, pedestal,
                                             kFlat ? flatRow + x : nullptr, norm);
}
#endif

// One loop per combination, so that each inner loop is branch-free.
template <bool kOffsets, bool kDark, bool kFlat>
void CalibrateRowsWith(uint16_t* image, int width, int firstRow, int endRow, const CalibrationParams& p,
                       SimdLevel level) {
    const uint16_t pedestal = kDark ? p.pedestal : 0;
    for (int y = firstRow; y < endRow; ++y) {
        const int64_t rowStart = static_cast<int64_t>(y) * width;
        uint16_t* row = image + rowStart;
        const int32_t offset = kOffsets ? p.rowOffsets[y] : 0;
        const uint16_t* darkRow = kDark ? p.dark + rowStart : nullptr;
        const uint16_t* flatRow = kFlat ? p.flat + rowStart : nullptr;
#if defined(__SSE2__)
        if (level == SimdLevel::Avx2) {
            CalibrateRowAvx2<kOffsets, kDark, kFlat>(row, width, offset, darkRow, pedestal, flatRow,
                                                     p.flatNormalization);
            continue;
        }
        if (level != SimdLevel::Plain) {
            CalibrateRowSse2<kOffsets, kDark, kFlat>(row, width, offset, darkRow, pedestal, flatRow,
                                                     p.flatNormalization);
            continue;
        }
#endif
        CalibrateRowPlain<kOffsets, kDark, kFlat>(row, 0, width, offset, darkRow, pedestal, flatRow,
                                                  p.flatNormalization);
    }
}

using RowsFunction = void (*)(uint16_t*, int, int, int, const CalibrationParams&, SimdLevel);

template <bool kOffsets, bool kDark>
RowsFunction SelectFlat(bool flat) {
    return flat ? &CalibrateRowsWith<kOffsets, kDark, true> : &CalibrateRowsWith<kOffsets, kDark, false>;
}

}  // namespace

void CalibrateRows(uint16_t* image, int width, int firstRow, int endRow, const CalibrationParams& params,
                   SimdLevel level) {
    endRow = std::min(endRow, params.firstUntouchedRow);
    if (firstRow >= endRow || params.IsIdentity()) return;
    const bool offsets = params.rowOffsets != nullptr;
    const bool dark = params.dark != nullptr;
    const bool flat = params.HasFlat();
    RowsFunction rows = offsets ? (dark ? SelectFlat<true, true>(flat) : SelectFlat<true, false>(flat))
                                : (dark ? SelectFlat<false, true>(flat) : SelectFlat<false, false>(flat));
    rows(image, width, firstRow, endRow, params, level);
}

}  // namespace orva
