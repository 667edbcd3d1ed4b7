#pragma once
// The values an observation report is filled with, by placeholder ("{{EVENT_DATE_TIME}}"
// ...): from the event, from the observer, site, mount and instrument entries the event
// names, and from the program itself. A placeholder whose source is missing (an entry
// that is not in its list, an empty camera text) is not in the map, so it stays in the
// report as it is.
//
// Pure functions of their inputs, GUI thread (they read the equipment lists).

#include "events/EquipmentLists.h"
#include "events/OwEvent.h"

#include <map>
#include <string>

namespace orva {

using PlaceholderMap = std::map<std::string, std::string>;

class ReportPlaceholders {
public:
    static PlaceholderMap Build(const OwEvent& event, const EquipmentLists& lists);

    // The event's own placeholders (times, D and R, recording, weather, prediction).
    static PlaceholderMap OfEvent(const OwEvent& event);
    // Replaces every placeholder of the map in the text, in one pass: a placeholder
    // inside a value stays as it is.
    static std::string Fill(std::string text, const PlaceholderMap& map);
};

}  // namespace orva
