#pragma once
// Finds, checks and decodes the camera's binary record in the last row of an unpacked
// frame.
//
// The record is 128 pixels long. Record byte j is the high byte of pixel (start + j) of
// the last row; the pixel's low byte is its check lane. A negative start reaches into
// the end of the row above. The start is searched around the one kept in the overlay
// from the previous frame (the record may have shifted by +1 or -2 pixels), then around
// 0, and kept in `overlay.RecordStart` for the next frame.
//
// Threads: runs on the caller's thread; the overlay is the caller's.

#include "camera/BinaryOverlay.h"

#include <cstdint>
#include <span>

namespace orva {

// The narrowest last row that holds a record at any start the search may pick near 0.
inline constexpr int kMinimumOverlayRowWidth = 130;

// `frame` holds width x height pixels, row after row (12 significant bits in bits 4..15).
// Sets overlay.Valid; on failure logs a "W ParseBinaryOverlay: ..." line and leaves the
// decoded fields as they were. Never reads outside the width x height pixels.
void ParseBinaryOverlay(BinaryOverlay& overlay, std::span<const uint16_t> frame, int width, int height);

}  // namespace orva
