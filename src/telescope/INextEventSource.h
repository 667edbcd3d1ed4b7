#pragma once
// Where the telescope window finds the next occultation event's star: plain coordinates
// and a name, so the window does not depend on the event store.
//
// Threads: GUI thread.

#include <optional>
#include <string>

namespace orva {

struct NextEventTarget {
    std::string name;
    double starRaHours = 0.0;
    double starDecDegrees = 0.0;
};

class INextEventSource {
public:
    virtual ~INextEventSource() = default;
    virtual std::optional<NextEventTarget> NextEvent() = 0;
};

}  // namespace orva
