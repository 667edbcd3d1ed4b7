#include "display/ViewTexts.h"

#include <cmath>
#include <cstdio>

namespace orva {

double ViewTexts::RaOffsetHours(double raHours, double targetRaHours) {
    double d = std::fmod(targetRaHours - raHours, 24.0);
    if (d >= 12.0) d -= 24.0;
    if (d < -12.0) d += 24.0;
    return d;
}

std::string ViewTexts::DirectionText(double raHours, double decDegrees, double targetRaHours,
                                     double targetDecDegrees) {
    const double dec = (targetDecDegrees - decDegrees) * 60.0;
    const double ra = RaOffsetHours(raHours, targetRaHours) * 15.0 * 60.0;
    char text[96];
    std::snprintf(text, sizeof(text), "Dir %.1f' %c, %.1f' %c", std::fabs(dec), dec >= 0 ? 'N' : 'S', std::fabs(ra),
                  ra >= 0 ? 'E' : 'W');
    return text;
}

std::string ViewTexts::MissedFramesText(const std::vector<int32_t>& frames) {
    std::string text;
    for (const int32_t f : frames) text += std::to_string(static_cast<uint32_t>(f)) + "\r\n";
    return text;
}

}  // namespace orva
