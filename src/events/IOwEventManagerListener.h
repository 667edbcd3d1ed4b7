#pragma once
// Told by the event store when its list or its countdowns change. Called on the store's
// thread; a window only posts itself a message and does its work later.

namespace orva {

class IOwEventManagerListener {
public:
    virtual ~IOwEventManagerListener() = default;
    // The list has changed (loaded, added, edited, deleted, a recording assigned).
    virtual void OnEventsChanged() = 0;
    // SecondsToEvent and NextEvent have been recomputed.
    virtual void OnTimeToEventUpdated() = 0;
};

}  // namespace orva
