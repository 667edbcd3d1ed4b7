// Feeds arbitrary bytes to the event feed's message parser, the way the feed's reader
// hands them over: at most the feed's message size, in a buffer of exactly that length,
// so a read past its end is caught. An accepted message must give an event with a usable
// time, every number finite and in its field's range (so no later conversion to an
// integer is undefined), and texts no longer than the widened text cap and free of
// control characters. The seeds in corpus/OwEventMessage are ours: the documented
// message, numbers that are no numbers ("nan", "inf", 1e300) and messages cut short.

#include "events/EventNumberRange.h"
#include "events/OwEventMessage.h"
#include "events/OwEventTime.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace {

using orva::EventNumberRange;
using orva::OwEvent;

void CheckNumbers(const OwEvent& e) {
    const struct {
        double value;
        const EventNumberRange& range;
    } numbers[] = {
        {e.EventMaxDurationSec, EventNumberRange::kDurationSec},
        {e.ErrorInTimeSec, EventNumberRange::kDurationSec},
        {e.Probability, EventNumberRange::kProbability},
        {e.AsteroidMag, EventNumberRange::kMagnitude},
        {e.StarMag, EventNumberRange::kMagnitude},
        {e.CombinedMag, EventNumberRange::kMagnitude},
        {e.MagDrop, EventNumberRange::kMagnitude},
        {e.StarRaHours, EventNumberRange::kRaHours},
        {e.StarDecDegrees, EventNumberRange::kDegreesSigned},
        {e.AsteroidDiameter, EventNumberRange::kDiameterKm},
        {e.MoonDistance, EventNumberRange::kMoonDistance},
        {e.MoonAltitude, EventNumberRange::kDegreesSigned},
        {e.MoonSunLit, EventNumberRange::kPercent},
        {e.StarAzimut, EventNumberRange::kAzimuth},
        {e.StarAltitude, EventNumberRange::kDegreesSigned},
        {e.DistanceFromCenterLine, EventNumberRange::kDistanceKm},
        {e.DistancePathN, EventNumberRange::kDistanceKm},
        {e.DistancePathS, EventNumberRange::kDistanceKm},
        {e.PathWidth, EventNumberRange::kWidthKm},
        {e.TravelDistance, EventNumberRange::kDistanceKm},
        {static_cast<double>(e.ChordOffset), EventNumberRange::kDistanceKm},
    };
    for (const auto& n : numbers) {
        if (!n.range.Contains(n.value)) __builtin_trap();
    }
}

void CheckText(const std::string& text) {
    // Each byte widens to at most two UTF-8 bytes.
    if (text.size() > 2 * orva::kOwEventMessageMaxText) __builtin_trap();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) __builtin_trap();
        if (c == 0xC2 && i + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x80 && next <= 0x9F) __builtin_trap();  // a C1 control
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > orva::kOwEventMessageMaxBytes) return 0;
    const std::vector<char> bytes(data, data + size);
    const orva::OwEventMessageResult r = orva::ParseOwEventMessage(std::string_view(bytes.data(), bytes.size()));
    if (!r.ok) {
        if (r.error.empty()) __builtin_trap();
        return 0;
    }
    if (!orva::IsUsableEventTime(r.event.EventTime)) __builtin_trap();
    CheckNumbers(r.event);
    for (const std::string* text : {&r.event.AsteroidName, &r.event.StarName, &r.event.FeedName,
                                    &r.event.StarConstellation}) {
        CheckText(*text);
    }
    return 0;
}
