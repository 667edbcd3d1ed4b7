#pragma once
// The text forms of the decoded frame record: the one-line summary, the time stamp of
// the FITS DATE-OBS card and the GPS status CSV, and the position texts.
//
// Pure functions; any thread.

#include "camera/BinaryOverlay.h"

#include <cstdint>
#include <string>

namespace orva {

// "YYYYMMDD hh:mm:ss.mmm-hh:mm:ss.mmm - frame - WxH - BXxBY - Nms - GPS lat,lon,Hhm (am)
// fix sats - status0 status1 - Vv", ending in a line end.
std::string FormatOverlayText(const BinaryOverlay& overlay);

// "%04d-%02d-%02dT%02d:%02d:%02d.%03d"
std::string FormatOverlayTime(const CalendarTime& time);

// 1e-7 degrees as "%c%02d.%07d": 'N'/'S' and 'E'/'W' by sign, 0 counting as north/east.
std::string FormatOverlayLatitude(int32_t latE7);
std::string FormatOverlayLongitude(int32_t lonE7);

}  // namespace orva
