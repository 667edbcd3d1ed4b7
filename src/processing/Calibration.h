#pragma once
// Per-pixel calibration of the working image, in place: row-noise offsets, then the dark
// frame with its pedestal, then the flat field, all limited to 0..65535.
//
// The bottom rows from `firstUntouchedRow` on are left exactly as unpacked: the last row
// carries the camera's timing record (and in the camera's text overlay mode the text rows
// above it), which recordings must keep readable.
//
// Pure functions over caller-owned buffers; any thread, disjoint row ranges only.

#include "processing/SimdLevel.h"

#include <cstdint>

namespace orva {

struct CalibrationParams {
    // Per-row offsets to subtract; null: no row-noise correction.
    const int32_t* rowOffsets = nullptr;
    // Rows at and below this one are not changed.
    int firstUntouchedRow = 0;
    // The dark frame (width x height) and the pedestal added before subtracting it;
    // null: no dark.
    const uint16_t* dark = nullptr;
    uint16_t pedestal = 0;
    // The flat frame (width x height) and its mean; no flat division when either is
    // absent or zero.
    const uint16_t* flat = nullptr;
    uint16_t flatNormalization = 0;

    bool HasFlat() const { return flat != nullptr && flatNormalization != 0; }
    // Nothing would change: the pass can be skipped.
    bool IsIdentity() const { return rowOffsets == nullptr && dark == nullptr && !HasFlat(); }
};

// Calibrates rows firstRow .. endRow - 1 of a width-wide image.
// Every level gives the same pixels as the plain one.
void CalibrateRows(uint16_t* image, int width, int firstRow, int endRow, const CalibrationParams& params,
                   SimdLevel level = BestSimdLevel());

}  // namespace orva
