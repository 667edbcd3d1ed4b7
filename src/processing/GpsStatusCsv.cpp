#include "processing/GpsStatusCsv.h"

#include "processing/OverlayText.h"

#include <cstdio>
#include <string>

namespace orva {

std::size_t FormatGpsStatusCsvLine(const BinaryOverlay& o, char (&line)[kGpsStatusCsvLineCapacity]) {
    const bool fix = o.FixState != 0;
    // Position texts are at most 12 characters, so they never leave the string's own storage.
    const std::string lat = fix ? FormatOverlayLatitude(o.Lat) : std::string();
    const std::string lon = fix ? FormatOverlayLongitude(o.Lon) : std::string();
    const CalendarTime& from = o.FromTime;
    const CalendarTime& to = o.ToTime;
    const int n = std::snprintf(
        line, sizeof(line),
        "%d;%04d-%02d-%02dT%02d:%02d:%02d.%03d;%04d-%02d-%02dT%02d:%02d:%02d.%03d;%d;%d;%d;%s;%s;%.3f;%.2f;%.2f;%.2f;%.2f;"
        "%.2f\r",
        o.FrameNr, from.year, from.month, from.day, from.hour, from.minute, from.second, from.milliseconds, to.year,
        to.month, to.day, to.hour, to.minute, to.second, to.milliseconds, o.FixState, o.NofSats, fix ? o.AccuracyM : 0,
        lat.c_str(), lon.c_str(), fix ? o.HeightMm * 0.001 : 0.0, fix ? o.DOPG * 0.01 : 0.0, fix ? o.DOPP * 0.01 : 0.0,
        fix ? o.DOPT * 0.01 : 0.0, fix ? o.DOPV * 0.01 : 0.0, fix ? o.DOPH * 0.01 : 0.0);
    if (n < 0) return 0;
    return static_cast<std::size_t>(n) < sizeof(line) ? static_cast<std::size_t>(n) : sizeof(line) - 1;
}

}  // namespace orva
