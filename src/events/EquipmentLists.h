#pragma once
// The four equipment lists an event names its equipment from (observers, observing
// sites, instruments, mounts), handed together to the report and the event dialogs.
// Not owned; the lists outlive the windows that use them.
//
// Threads: GUI thread only, like the lists.

namespace orva {

class EquipmentManager;

struct EquipmentLists {
    const EquipmentManager& observers;
    const EquipmentManager& sites;
    const EquipmentManager& instruments;
    const EquipmentManager& mounts;
};

}  // namespace orva
