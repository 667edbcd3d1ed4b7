#pragma once
// The event store's next event as the telescope window's target: the star's position and
// the event's name, copied at each call so nothing points into the store.
//
// Threads: GUI thread, like the store.

#include "telescope/INextEventSource.h"

namespace orva {

class OwEventManager;

class EventStoreNextEvent final : public INextEventSource {
public:
    explicit EventStoreNextEvent(OwEventManager& store) : store_(store) {}
    std::optional<NextEventTarget> NextEvent() override;

private:
    OwEventManager& store_;
};

}  // namespace orva
