#pragma once
// The camera panel's four equipment lists (observer, site, instrument, mount) without
// their widgets: the names of each list and its current entry, and the choice of another
// one, which becomes the current entry of its kind (and so the one the next recording's
// header names). The lists are read afresh for every view, so an entry added in an Edit
// dialog shows at once.
//
// Threads: GUI thread only.

#include <array>
#include <string>
#include <vector>

namespace orva {

class EquipmentManager;

class EquipmentSelectionModel {
public:
    enum class Kind { Observer, Site, Instrument, Mount };
    static constexpr std::array<Kind, 4> kKinds{Kind::Observer, Kind::Site, Kind::Instrument, Kind::Mount};
    static constexpr std::array<const char*, 4> kLabels{"Observer", "Site", "Instrument", "Mount"};

    struct List {
        std::vector<std::string> names;  // in the list's order (by name)
        int selected = -1;               // the current entry; -1: none
    };

    EquipmentSelectionModel(EquipmentManager& observers, EquipmentManager& sites, EquipmentManager& instruments,
                            EquipmentManager& mounts);

    List Get(Kind kind) const;
    // Makes the entry the current one of its kind; an index outside the list does nothing.
    void Choose(Kind kind, int index);

private:
    EquipmentManager& ListOf(Kind kind) const;

    std::array<EquipmentManager*, 4> lists_;
};

}  // namespace orva
