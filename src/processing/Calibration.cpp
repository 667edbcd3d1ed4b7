#include "processing/Calibration.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orva {
namespace {

#if defined(__SSE2__)
// Eight pixels at a time with saturating 16-bit arithmetic: subtracting (or adding) the
// row offset limited to 16 bits is the clamp to 0..65535; adding the pedestal saturates
// exactly when u > 65535 - g, and those pixels stay 65535; subtracting the dark
// saturates at 0 exactly when u + g <= d.
template <bool kOffsets, bool kDark>
int CalibrateRowVector(uint16_t* row, int width, int32_t offset, const uint16_t* darkRow, uint16_t pedestal) {
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
// doubles (exact, see below); f = 0 gives an infinite or undefined quotient, which the
// limit turns into 65535 as required.
int FlatRowVector(uint16_t* row, int width, const uint16_t* flatRow, double norm) {
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
#endif

// One loop per combination, so that each inner loop is branch-free.
template <bool kOffsets, bool kDark, bool kFlat>
void CalibrateRowsWith(uint16_t* image, int width, int firstRow, int endRow, const CalibrationParams& p) {
    const int32_t g = kDark ? p.pedestal : 0;
    const double norm = p.flatNormalization;
    for (int y = firstRow; y < endRow; ++y) {
        const int64_t rowStart = static_cast<int64_t>(y) * width;
        uint16_t* row = image + rowStart;
        const int32_t offset = kOffsets ? p.rowOffsets[y] : 0;
        const uint16_t* darkRow = kDark ? p.dark + rowStart : nullptr;
        const uint16_t* flatRow = kFlat ? p.flat + rowStart : nullptr;
        int x = 0;
#if defined(__SSE2__)
        const int done = CalibrateRowVector<kOffsets, kDark>(row, width, offset, darkRow, p.pedestal);
        if (kFlat) FlatRowVector(row, done, flatRow, norm);
        x = done;
#endif
        for (; x < width; ++x) {
            int32_t u = row[x];
            if (kOffsets) u = std::clamp(u - offset, 0, 65535);
            int32_t r = u;
            if (kDark) {
                const int32_t d = darkRow[x];
                // A pixel that the pedestal would push past the top stays saturated.
                r = (u + g <= d) ? 0 : (u > 65535 - g ? 65535 : u + g - d);
            }
            if (kFlat) {
                const int32_t f = flatRow[x];
                // norm x r stays below 2^32, so the double quotient truncates to exactly
                // the integer quotient.
                const double q = f == 0 ? 65535.0 : norm * r / f;
                r = static_cast<int32_t>(std::min(q, 65535.0));
            }
            row[x] = static_cast<uint16_t>(r);
        }
    }
}

using RowsFunction = void (*)(uint16_t*, int, int, int, const CalibrationParams&);

template <bool kOffsets, bool kDark>
RowsFunction SelectFlat(bool flat) {
    return flat ? &CalibrateRowsWith<kOffsets, kDark, true> : &CalibrateRowsWith<kOffsets, kDark, false>;
}

}  // namespace

void CalibrateRows(uint16_t* image, int width, int firstRow, int endRow, const CalibrationParams& params) {
    endRow = std::min(endRow, params.firstUntouchedRow);
    if (firstRow >= endRow || params.IsIdentity()) return;
    const bool offsets = params.rowOffsets != nullptr;
    const bool dark = params.dark != nullptr;
    const bool flat = params.HasFlat();
    RowsFunction rows = offsets ? (dark ? SelectFlat<true, true>(flat) : SelectFlat<true, false>(flat))
                                : (dark ? SelectFlat<false, true>(flat) : SelectFlat<false, false>(flat));
    rows(image, width, firstRow, endRow, params);
}

}  // namespace orva
