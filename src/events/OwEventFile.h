#pragma once
// One day file of the event store: root "Events", one "Event" per event holding the 66
// field elements in their fixed order, every text in the coded (base64url of UTF-16LE)
// form. Numbers are stored as decimal text, doubles with 20 decimals.
//
// Pure file access without state between calls; any thread, one file at a time.

#include "events/OwEvent.h"

#include <array>
#include <string>
#include <vector>

namespace orva {

class OwEventFile {
public:
    static constexpr std::size_t kFieldCount = 66;

    enum class Status {
        Ok,
        Missing,  // no file: a day without events
        Damaged,  // not readable whole; `events` holds the complete events before the damage
    };

    struct ReadResult {
        Status status = Status::Ok;
        std::vector<OwEvent> events;
        std::string problem;  // what made it damaged
    };

    // Reads the events in file order. A value that does not convert to its field's type
    // ends the reading; the events completed before it are kept.
    static ReadResult Read(const std::string& path);
    // Replaces the file (written beside it and renamed over it) with these events in this
    // order. False, logged, when it was not written.
    static bool Write(const std::string& path, const std::vector<const OwEvent*>& events);

    // True when both events would be written alike (the id and the countdown are not stored).
    static bool SameStoredFields(const OwEvent& a, const OwEvent& b);

    // The element names in file order.
    static const std::array<const char*, kFieldCount>& ElementNames();
};

}  // namespace orva
