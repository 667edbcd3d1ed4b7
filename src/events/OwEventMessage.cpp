#include "events/OwEventMessage.h"

#include "common/TextFormats.h"
#include "events/OwEventTime.h"

#include <cmath>
#include <optional>

namespace orva {
namespace {

void ReadNumber(std::string_view message, const char* key, double& field) {
    if (const auto value = FindJsonNumber(message, key)) field = *value;
}

void ReadText(std::string_view message, const char* key, std::string& field) {
    if (const auto value = FindJsonText(message, key)) {
        field = WidenBytes(std::string_view(*value).substr(0, kOwEventMessageMaxText));
    }
}

}  // namespace

OwEventMessageResult ParseOwEventMessage(std::string_view message) {
    OwEventMessageResult result;
    const std::optional<uint64_t> time = FindJsonUnsigned(message, "EventTime");
    if (!time) {
        result.error = "no EventTime";
        return result;
    }
    if (!IsUsableEventTime(*time)) {
        result.error = "EventTime " + std::to_string(*time) + " is no date of the years 1 to 9999";
        return result;
    }

    OwEvent& e = result.event;
    e.EventTime = *time;
    ReadNumber(message, "MaxDurationSec", e.EventMaxDurationSec);
    ReadNumber(message, "ErrorInTimeSec", e.ErrorInTimeSec);
    ReadNumber(message, "Probability", e.Probability);
    ReadText(message, "AsteroidName", e.AsteroidName);
    // Applied after widening: "_slash_" is ASCII, so the widened text holds it unchanged.
    e.AsteroidName = ReplaceAll(e.AsteroidName, "_slash_", "/");
    ReadNumber(message, "AsteroidMagnitude", e.AsteroidMag);
    ReadText(message, "StarName", e.StarName);
    ReadNumber(message, "StarMv", e.StarMag);
    ReadNumber(message, "CombinedMagnitude", e.CombinedMag);
    ReadNumber(message, "MagnitudeDrop", e.MagDrop);
    ReadNumber(message, "StarRaHours", e.StarRaHours);
    ReadNumber(message, "StarDecDegrees", e.StarDecDegrees);

    e.OwEventInfoVersion = 1;
    if (const auto version = FindJsonUnsigned(message, "EventInfoVersion")) {
        e.OwEventInfoVersion = *version;
        ReadText(message, "FeedName", e.FeedName);
        ReadNumber(message, "AsteroidDiameter", e.AsteroidDiameter);
        ReadNumber(message, "MoonDistance", e.MoonDistance);
        ReadNumber(message, "MoonAltitude", e.MoonAltitude);
        ReadNumber(message, "MoonSunLit", e.MoonSunLit);
        ReadNumber(message, "StarAzimut", e.StarAzimut);
        ReadNumber(message, "StarAltitude", e.StarAltitude);
        ReadText(message, "StarConstellation", e.StarConstellation);
        ReadNumber(message, "DistanceFromCenterLine", e.DistanceFromCenterLine);
        ReadNumber(message, "PathNDistance", e.DistancePathN);
        ReadNumber(message, "PathSDistance", e.DistancePathS);
        ReadNumber(message, "PathWidth", e.PathWidth);
        ReadNumber(message, "TravelDistance", e.TravelDistance);
        if (const auto chord = FindJsonNumber(message, "ChordOffset")) {
            // Values beyond the 32-bit range (or not a number) leave the default instead of
            // an undefined conversion.
            const double whole = std::trunc(*chord);
            if (whole >= -2147483648.0 && whole <= 2147483647.0) e.ChordOffset = static_cast<int32_t>(whole);
        }
    }
    if (const auto source = FindJsonUnsigned(message, "SourceOccultXml")) e.SourceOccultXml = *source;

    result.ok = true;
    return result;
}

}  // namespace orva
