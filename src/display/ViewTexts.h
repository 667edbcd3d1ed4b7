#pragma once
// The live view's texts that come from numbers: the plate-solving direction and the
// missed-frames list.
//
// Pure functions; any thread.

#include <cstdint>
#include <string>
#include <vector>

namespace orva {

class ViewTexts {
public:
    // "Dir %.1f' %c, %.1f' %c": the declination offset in arc minutes with 'N' or 'S',
    // then the right-ascension offset (hours x 15 x 60) with 'E' or 'W'. The
    // right-ascension offset takes the short way round, so that 23h50m to 0h10m is
    // 20 minutes east, not 23h40m west.
    static std::string DirectionText(double raHours, double decDegrees, double targetRaHours, double targetDecDegrees);
    // The right-ascension difference target - position wrapped into [-12 h, 12 h).
    static double RaOffsetHours(double raHours, double targetRaHours);
    // Each frame number in unsigned decimal followed by a carriage return and a line feed.
    static std::string MissedFramesText(const std::vector<int32_t>& frames);
    // "No GPS fix" warning, drawn while the frame has no full fix.
    static constexpr const char* kNoFixText = "    No GPS fix";
};

}  // namespace orva
