#pragma once
// The telescope mounts: model, motor drive and the mount's telescope driver.
// Stored in "mounts.xml"; the current entry is named by "SelectedMountName".
//
// Threads: GUI thread only.

#include "equipment/EquipmentManager.h"

#include <string>

namespace orva {

class Settings;

class MountManager final : public EquipmentManager {
public:
    // The process-wide list in AppPaths::DataDirectory(), loaded on first use.
    static MountManager& Instance();
    MountManager(std::string dataDirectory, Settings& settings);

    std::string SelectedName() const override;
    bool SelectName(const std::string& name) override;

private:
    Settings& settings_;
};

}  // namespace orva
