#pragma once
// Row-noise (fixed-pattern) measurement: each row's mean over the pixels near the image
// mean, then each row's offset from the mean of all rows. Calibration subtracts the
// offsets. The work splits into row ranges that can run on separate threads.
//
// Pure functions over caller-owned buffers; any thread, disjoint row ranges only.

#include "processing/SimdLevel.h"

#include <cstdint>

namespace orva {

// Only pixels within mean - 1024 .. mean + 1024 (inclusive, kept inside 0..65535) count:
// stars and hot pixels would otherwise pull a row's mean.
struct IntensityBand {
    uint16_t low = 0;
    uint16_t high = 0;

    static IntensityBand AroundMean(uint32_t mean);
};

// For rows firstRow .. endRow - 1: the integer mean of the pixels of columns 21 and up
// that lie within the band, or `imageMean` when fewer than 10 do. Stored in
// rowMeans[y]; returns the sum of the stored means.
int64_t MeasureRowMeans(const uint16_t* image, int width, int firstRow, int endRow, IntensityBand band,
                        uint32_t imageMean, int32_t* rowMeans, SimdLevel level = BestSimdLevel());

// Turns the row means of all `height` rows into offsets from their overall mean
// (sumOfMeans / height, integer division).
void RowMeansToOffsets(int32_t* rowValues, int height, int64_t sumOfMeans);

}  // namespace orva
