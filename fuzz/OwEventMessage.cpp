// Feeds arbitrary bytes to the event feed's message parser, the way the feed's reader
// hands them over: at most the feed's message size, in a buffer of exactly that length,
// so a read past its end is caught. An accepted message must give an event with a usable
// time and texts no longer than the widened text cap.

#include "events/OwEventMessage.h"
#include "events/OwEventTime.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > orva::kOwEventMessageMaxBytes) return 0;
    const std::vector<char> bytes(data, data + size);
    const orva::OwEventMessageResult r = orva::ParseOwEventMessage(std::string_view(bytes.data(), bytes.size()));
    if (!r.ok) {
        if (r.error.empty()) __builtin_trap();
        return 0;
    }
    if (!orva::IsUsableEventTime(r.event.EventTime)) __builtin_trap();
    // Each byte widens to at most two UTF-8 bytes.
    for (const std::string* text : {&r.event.AsteroidName, &r.event.StarName, &r.event.FeedName,
                                    &r.event.StarConstellation}) {
        if (text->size() > 2 * orva::kOwEventMessageMaxText) __builtin_trap();
    }
    return 0;
}
