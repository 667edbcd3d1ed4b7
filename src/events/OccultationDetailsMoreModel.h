#pragma once
// The logic of "Occultation Details: More" (`CDlgOccultationDetailsMore`): the site,
// observer, instrument and mount an event was observed with, chosen from the equipment
// lists, and two free comments. A name the event holds that is no longer in its list
// (renamed or deleted) is kept unless the observer chooses another entry.
//
// Threads: GUI thread only.

#include "events/EquipmentLists.h"
#include "events/OwEvent.h"
#include "events/OwEventManager.h"

#include <array>
#include <string>
#include <vector>

namespace orva {

class IUiServices;

class OccultationDetailsMoreModel {
public:
    enum class List { Site, Observer, Instrument, Mount };
    static constexpr const char* kMissingText = "One or more entries may have been renamed or deleted and are missing.";

    OccultationDetailsMoreModel(const OwEvent& event, const EquipmentLists& lists);

    const std::vector<std::string>& Names(List list) const { return names_[Index(list)]; }
    // The chosen item; -1 for none.
    int Selected(List list) const { return selected_[Index(list)]; }
    void Select(List list, int item);

    std::string comment1;
    std::string comment2;

    // Fewer than four of the event's names were found in their lists.
    bool SomeMissing() const;
    // On opening: the "Warning" box when some are missing.
    void WarnIfMissing(IUiServices& ui) const;
    // "OK": stores the chosen names and both comments into the event and saves.
    EventChange Apply(OwEventManager& store, OwEventId id) const;

private:
    static std::size_t Index(List list) { return static_cast<std::size_t>(list); }

    std::array<std::vector<std::string>, 4> names_;
    std::array<int, 4> selected_{};
};

}  // namespace orva
