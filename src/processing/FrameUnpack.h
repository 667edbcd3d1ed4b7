#pragma once
// Turns the camera's 12-bit samples into the working image: 16-bit pixels with the 12
// significant bits in bits 4..15 and bits 0..3 zero. The statistics of the window the
// image mean is taken over are gathered in the same pass, row by row while the row is
// still in the cache.
//
// Normal packing: two bytes per pixel, the upper 8 bits first, then the lower 4 bits in
// the low nibble of the second byte (its high nibble is ignored).
// Packed: twelve bytes (six little-endian 16-bit words) carry eight pixels.
//
// Every routine takes the vector level to run at (SimdLevel.h); all levels give the
// same pixels and sums.
//
// Pure functions over caller-owned buffers; any thread. The pool form runs row ranges
// on the pool's threads.

#include "processing/SimdLevel.h"

#include <cstdint>

namespace orva {

class FrameWorkerPool;

// The sum and count of the unpacked values inside the statistics window.
struct ImageStatistics {
    uint64_t sum = 0;
    uint64_t count = 0;

    // Integer mean; 0 without pixels.
    uint32_t Mean() const { return count == 0 ? 0 : static_cast<uint32_t>(sum / count); }
};

// The window: rows 16 .. height - 19, and the 8-pixel groups whose first column x
// satisfies 100 <= x < width - 100. Empty (first >= last) for small frames.
struct StatisticsWindow {
    int firstRow = 0;
    int lastRow = 0;     // exclusive
    int firstColumn = 0;
    int lastColumn = 0;  // exclusive; whole groups only

    static StatisticsWindow ForFrame(int width, int height);
    bool IsEmpty() const { return firstRow >= lastRow || firstColumn >= lastColumn; }
};

// `width` pixels from 2 x width bytes.
void UnpackRowNormal(const uint8_t* raw, int width, uint16_t* out, SimdLevel level = BestSimdLevel());
// `width` pixels (a multiple of 8) from width x 3 / 2 bytes.
void UnpackRowPacked(const uint8_t* raw, int width, uint16_t* out, SimdLevel level = BestSimdLevel());

// Bytes of one row as the camera sends it: 2 x width normal, width x 3 / 2 packed.
int64_t RawRowBytes(int width, bool packed);
// Packed rows are whole groups of 8 pixels.
bool IsUnpackableWidth(int width, bool packed);

// Unpacks width x height pixels, row after row, and returns the window's statistics.
// `raw` holds height x RawRowBytes(width, packed) bytes; `image` width x height pixels.
ImageStatistics UnpackFrame(const uint8_t* raw, bool packed, int width, int height, uint16_t* image,
                            SimdLevel level = BestSimdLevel());

// Rows firstRow .. endRow - 1 only, with the statistics of the window's part in them.
ImageStatistics UnpackRows(const uint8_t* raw, bool packed, int width, int height, int firstRow, int endRow,
                           uint16_t* image, SimdLevel level = BestSimdLevel());

// The whole frame in `parts` row ranges on the pool's threads.
ImageStatistics UnpackFrame(const uint8_t* raw, bool packed, int width, int height, uint16_t* image,
                            FrameWorkerPool& pool, int parts);

}  // namespace orva
