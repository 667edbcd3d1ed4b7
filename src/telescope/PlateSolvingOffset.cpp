#include "telescope/PlateSolvingOffset.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace orva {

namespace {

constexpr double kDegToRad = std::numbers::pi / 180.0;

// Hours from a to b the short way round: -12 <= result < 12.
double HoursBetween(double fromHours, double toHours) {
    double d = std::fmod(toHours - fromHours, 24.0);
    if (d >= 12.0) d -= 24.0;
    if (d < -12.0) d += 24.0;
    return d;
}

}  // namespace

std::string PlateSolvingOffset::Text(double declinationArcmin, double rightAscensionArcmin) {
    char text[96];
    std::snprintf(text, sizeof text, "Dir %.1f' %c, %.1f' %c", std::fabs(declinationArcmin),
                  declinationArcmin >= 0.0 ? 'N' : 'S', std::fabs(rightAscensionArcmin),
                  rightAscensionArcmin >= 0.0 ? 'E' : 'W');
    return text;
}

std::optional<PlateSolvingArrow> PlateSolvingOffset::Compute(const PlateSolution& solution,
                                                             const NextEventTarget& target, int width, int height,
                                                             bool mirrorX, bool mirrorY) {
    if (!solution.coordinatesValid || width <= 0 || height <= 0) return std::nullopt;
    if (!std::isfinite(solution.rightAscensionDeg) || !std::isfinite(solution.declinationDeg) ||
        !std::isfinite(target.starRaHours) || !std::isfinite(target.starDecDegrees)) {
        return std::nullopt;
    }
    PlateSolvingArrow arrow;
    const double raHours = HoursBetween(solution.rightAscensionDeg / 15.0, target.starRaHours);
    arrow.rightAscensionArcmin = raHours * 15.0 * 60.0;
    arrow.declinationArcmin = (target.starDecDegrees - solution.declinationDeg) * 60.0;
    arrow.text = Text(arrow.declinationArcmin, arrow.rightAscensionArcmin);
    arrow.startX = arrow.endX = width / 2.0;
    arrow.startY = arrow.endY = height / 2.0;

    // On the sky: east and north in arc minutes, the RA offset shrunk towards the pole.
    const double east = arrow.rightAscensionArcmin * std::cos(solution.declinationDeg * kDegToRad);
    const double north = arrow.declinationArcmin;
    const double distance = std::hypot(east, north);
    if (distance < kNoDirectionArcmin) return arrow;
    arrow.hasDirection = true;

    // Position angle of the star (north through east), then its angle from the
    // picture's "up", which the solve reports at `orientation` degrees east of north.
    const double positionAngle = std::atan2(east, north);
    const double fromUp = positionAngle - (solution.orientationValid ? solution.orientationDeg * kDegToRad : 0.0);
    // North up puts east on the left (counter-clockwise from up); a mirrored solve on the
    // right. Picture rows grow downwards.
    const bool mirrored = solution.orientationValid && solution.parity == 1;
    double dx = (mirrored ? 1.0 : -1.0) * std::sin(fromUp);
    double dy = -std::cos(fromUp);
    if (mirrorX) dx = -dx;
    if (mirrorY) dy = -dy;

    const double maxLength = kMaxLength * std::min(width, height);
    double length = maxLength;
    if (solution.pixelScaleValid && solution.pixelScaleArcsec > 0.0) {
        length = std::min(maxLength, distance * 60.0 / solution.pixelScaleArcsec);
    }
    arrow.endX = arrow.startX + dx * length;
    arrow.endY = arrow.startY + dy * length;
    return arrow;
}

}  // namespace orva
