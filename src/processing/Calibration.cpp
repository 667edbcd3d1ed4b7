#include "processing/Calibration.h"

#include <algorithm>

namespace orva {
namespace {

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
        for (int x = 0; x < width; ++x) {
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
