#pragma once
// The four equipment lists over one data folder and one settings object, for tests of
// what reads or fills them together. Header-only: used by tests that link the equipment
// library.

#include "equipment/InstrumentManager.h"
#include "equipment/MountManager.h"
#include "equipment/ObserverManager.h"
#include "equipment/ObservingSiteManager.h"
#include "equipment/SetupWizardModel.h"

#include <array>
#include <string>

namespace orva::test {

struct EquipmentLists {
    EquipmentLists(const std::string& dataDirectory, Settings& settings, NotificationCenter& center)
        : observers(dataDirectory, settings),
          sites(dataDirectory, settings),
          instruments(dataDirectory, settings, center),
          mounts(dataDirectory, settings) {}

    SetupLists Lists() { return {observers, sites, instruments, mounts}; }
    std::array<EquipmentManager*, 4> All() { return {&observers, &sites, &instruments, &mounts}; }

    ObserverManager observers;
    ObservingSiteManager sites;
    InstrumentManager instruments;
    MountManager mounts;
};

}  // namespace orva::test
