#include "events/OwEventMessage.h"

#include "common/TextFormats.h"
#include "events/EventNumberRange.h"
#include "events/OutsideText.h"
#include "events/OwEventTime.h"

#include <cmath>
#include <optional>

namespace orva {
namespace {

using Range = EventNumberRange;

// A number outside its range (or "nan", "inf") counts as absent, as one that does not
// convert does.
void ReadNumber(std::string_view message, const char* key, double& field, const Range& range) {
    if (const auto value = FindJsonNumber(message, key); value && range.Contains(*value)) field = *value;
}

void ReadText(std::string_view message, const char* key, std::string& field) {
    if (const auto value = FindJsonText(message, key)) {
        field = WithoutControlCharacters(WidenBytes(std::string_view(*value).substr(0, kOwEventMessageMaxText)));
    }
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The whole object arrived: it opens with "{" and closes with "}" (blanks around allowed).
bool IsWholeObject(std::string_view message) {
    while (!message.empty() && IsBlank(message.front())) message.remove_prefix(1);
    while (!message.empty() && IsBlank(message.back())) message.remove_suffix(1);
    return message.size() >= 2 && message.front() == '{' && message.back() == '}';
}

}  // namespace

OwEventMessageResult ParseOwEventMessage(std::string_view message) {
    OwEventMessageResult result;
    if (!IsWholeObject(message)) {
        result.error = "the message is cut short or no object";
        return result;
    }
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
    ReadNumber(message, "MaxDurationSec", e.EventMaxDurationSec, Range::kDurationSec);
    ReadNumber(message, "ErrorInTimeSec", e.ErrorInTimeSec, Range::kDurationSec);
    ReadNumber(message, "Probability", e.Probability, Range::kProbability);
    ReadText(message, "AsteroidName", e.AsteroidName);
    // Applied after widening: "_slash_" is ASCII, so the widened text holds it unchanged.
    e.AsteroidName = ReplaceAll(e.AsteroidName, "_slash_", "/");
    ReadNumber(message, "AsteroidMagnitude", e.AsteroidMag, Range::kMagnitude);
    ReadText(message, "StarName", e.StarName);
    ReadNumber(message, "StarMv", e.StarMag, Range::kMagnitude);
    ReadNumber(message, "CombinedMagnitude", e.CombinedMag, Range::kMagnitude);
    ReadNumber(message, "MagnitudeDrop", e.MagDrop, Range::kMagnitude);
    ReadNumber(message, "StarRaHours", e.StarRaHours, Range::kRaHours);
    ReadNumber(message, "StarDecDegrees", e.StarDecDegrees, Range::kDegreesSigned);

    e.OwEventInfoVersion = 1;
    if (const auto version = FindJsonUnsigned(message, "EventInfoVersion")) {
        e.OwEventInfoVersion = *version;
        ReadText(message, "FeedName", e.FeedName);
        ReadNumber(message, "AsteroidDiameter", e.AsteroidDiameter, Range::kDiameterKm);
        ReadNumber(message, "MoonDistance", e.MoonDistance, Range::kMoonDistance);
        ReadNumber(message, "MoonAltitude", e.MoonAltitude, Range::kDegreesSigned);
        ReadNumber(message, "MoonSunLit", e.MoonSunLit, Range::kPercent);
        ReadNumber(message, "StarAzimut", e.StarAzimut, Range::kAzimuth);
        ReadNumber(message, "StarAltitude", e.StarAltitude, Range::kDegreesSigned);
        ReadText(message, "StarConstellation", e.StarConstellation);
        ReadNumber(message, "DistanceFromCenterLine", e.DistanceFromCenterLine, Range::kDistanceKm);
        ReadNumber(message, "PathNDistance", e.DistancePathN, Range::kDistanceKm);
        ReadNumber(message, "PathSDistance", e.DistancePathS, Range::kDistanceKm);
        ReadNumber(message, "PathWidth", e.PathWidth, Range::kWidthKm);
        ReadNumber(message, "TravelDistance", e.TravelDistance, Range::kDistanceKm);
        double chord = 0.0;
        ReadNumber(message, "ChordOffset", chord, Range::kDistanceKm);
        e.ChordOffset = static_cast<int32_t>(std::trunc(chord));  // within the range: a defined conversion
    }
    if (const auto source = FindJsonUnsigned(message, "SourceOccultXml")) e.SourceOccultXml = *source;

    result.ok = true;
    return result;
}

}  // namespace orva
