#include "station/EventStoreNextEvent.h"

#include "events/OwEventManager.h"

namespace orva {

std::optional<NextEventTarget> EventStoreNextEvent::NextEvent() {
    const OwEvent* e = store_.NextEvent();
    if (!e) return std::nullopt;
    return NextEventTarget{e->AsteroidName + " - " + e->StarName, e->StarRaHours, e->StarDecDegrees};
}

}  // namespace orva
