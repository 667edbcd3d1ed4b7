#pragma once
// The event message that OccultWatcher sends over the event feed: a flat JSON-style object
// of quoted keys and plain values, read key by key with the station's JSON look-ups.
// Keys that are absent leave the event's defaults; keys not known are ignored.
//
// Pure function, any thread.

#include "events/OwEvent.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace orva {

// The feed reads at most this many bytes of one message.
inline constexpr std::size_t kOwEventMessageMaxBytes = 2047;
// Text values are cut to this many bytes.
inline constexpr std::size_t kOwEventMessageMaxText = 255;

struct OwEventMessageResult {
    bool ok = false;
    OwEvent event;       // the event when ok
    std::string error;   // why the message was refused, when not ok
};

// Builds the event of one message. A message that is not a whole object (cut short before
// its closing brace) is refused, and so is one without a usable "EventTime" (missing, not
// a number, 0, or beyond the year 9999): an event without a time could neither be filed
// under its day nor counted down to. A number that is not finite or lies outside its
// field's range (EventNumberRange) counts as absent; texts lose their control characters.
OwEventMessageResult ParseOwEventMessage(std::string_view message);

}  // namespace orva
