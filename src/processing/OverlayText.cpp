#include "processing/OverlayText.h"

#include <cstdio>

namespace orva {
namespace {

std::string FormatCoordinate(int32_t e7, char positive, char negative) {
    const long long magnitude = e7 < 0 ? -static_cast<long long>(e7) : e7;
    char text[32];
    std::snprintf(text, sizeof(text), "%c%02lld.%07lld", e7 >= 0 ? positive : negative, magnitude / 10000000,
                  magnitude % 10000000);
    return text;
}

}  // namespace

std::string FormatOverlayText(const BinaryOverlay& o) {
    // Wide enough for every field at its largest, so nothing is ever cut.
    char text[512];
    const long long exposureMs = static_cast<long long>(o.ExposureSec) * 1000 + o.ExposureNs / 1000000;
    std::snprintf(text, sizeof(text),
                  "%04d%02d%02d %02d:%02d:%02d.%03d-%02d:%02d:%02d.%03d - %d - %dx%d - %dx%d - %lldms - GPS %s,%s,H%dm "
                  "(%dm) %08x %d - %08x %08x - V%d\n",
                  o.FromTime.year, o.FromTime.month, o.FromTime.day, o.FromTime.hour, o.FromTime.minute,
                  o.FromTime.second, o.FromTime.milliseconds, o.ToTime.hour, o.ToTime.minute, o.ToTime.second,
                  o.ToTime.milliseconds, o.FrameNr, o.SizeX, o.SizeY, o.BinningX, o.BinningY, exposureMs,
                  FormatOverlayLatitude(o.Lat).c_str(), FormatOverlayLongitude(o.Lon).c_str(), o.HeightMm / 1000,
                  o.AccuracyM, static_cast<unsigned>(o.FixState), o.NofSats, static_cast<unsigned>(o.StatusWord0),
                  static_cast<unsigned>(o.StatusWord1), o.VValue);
    return text;
}

std::string FormatOverlayTime(const CalendarTime& t) {
    char text[64];
    std::snprintf(text, sizeof(text), "%04d-%02d-%02dT%02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, t.milliseconds);
    return text;
}

std::string FormatOverlayLatitude(int32_t latE7) { return FormatCoordinate(latE7, 'N', 'S'); }

std::string FormatOverlayLongitude(int32_t lonE7) { return FormatCoordinate(lonE7, 'E', 'W'); }

}  // namespace orva
