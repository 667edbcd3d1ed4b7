#include "events/OwEvent.h"

namespace orva {

std::string OwEvent::GetTitle() const {
    if (AsteroidName.empty()) return StarName;
    return AsteroidName + " occ. " + StarName;
}

bool OwEvent::SameEventAs(const OwEvent& other) const {
    return EventTime == other.EventTime && AsteroidName == other.AsteroidName && StarName == other.StarName;
}

}  // namespace orva
