#pragma once
// The GPS status CSV line of one frame, shared by the CSV file beside a recording and the
// daily GPS log. Fields are separated by ";" and every line, the header included, ends
// with a single carriage return and no line feed.
//
// Pure functions; any thread.

#include "camera/BinaryOverlay.h"

#include <cstddef>

namespace orva {

inline constexpr char kGpsStatusCsvHeader[] =
    "FrameNr;FromTime;ToTime;FixState;NofSats;AccuracyM;Lat;Lon;HeightM;DOPG;DOPP;DOPT;DOPV;DOPH\r";

// Large enough for a line with every field at its widest.
inline constexpr std::size_t kGpsStatusCsvLineCapacity = 256;

// Formats the frame's line, carriage return included, into the buffer without
// allocating; returns its length. Without a fix (FixState 0) the position, height,
// accuracy and DOP columns are zero or empty.
std::size_t FormatGpsStatusCsvLine(const BinaryOverlay& overlay, char (&line)[kGpsStatusCsvLineCapacity]);

}  // namespace orva
