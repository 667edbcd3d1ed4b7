#pragma once
// The observers: name, notes, e-mail and postal address.
// Stored in "observers.xml"; the current entry is named by "SelectedObserverName".
//
// Threads: GUI thread only.

#include "equipment/EquipmentManager.h"

#include <string>

namespace orva {

class Settings;

class ObserverManager final : public EquipmentManager {
public:
    // The process-wide list in AppPaths::DataDirectory(), loaded on first use.
    static ObserverManager& Instance();
    ObserverManager(std::string dataDirectory, Settings& settings);

    std::string SelectedName() const override;
    bool SelectName(const std::string& name) override;

private:
    Settings& settings_;
};

}  // namespace orva
