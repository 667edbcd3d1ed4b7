#pragma once
// The observing sites: nearest city, station, latitude and longitude in degrees (north and
// east positive), altitude in metres, country code.
// Stored in "observingsites.xml"; the current entry is named by "SelectedSiteName".
//
// Threads: GUI thread only.

#include "equipment/EquipmentManager.h"

#include <string>

namespace orva {

class Settings;

class ObservingSiteManager final : public EquipmentManager {
public:
    // The process-wide list in AppPaths::DataDirectory(), loaded on first use.
    static ObservingSiteManager& Instance();
    ObservingSiteManager(std::string dataDirectory, Settings& settings);

    std::string SelectedName() const override;
    bool SelectName(const std::string& name) override;

private:
    Settings& settings_;
};

}  // namespace orva
