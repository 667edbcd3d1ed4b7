#include "equipment/ObservingSiteManager.h"

#include "common/AppPaths.h"
#include "common/Settings.h"

#include <utility>

namespace orva {
namespace {

constexpr EquipmentField kFields[] = {
    {"NearestCity", EquipmentFieldType::Text, "{{SITE_NEAREST_CITY}}", 0.0},
    {"Station", EquipmentFieldType::Text, "{{SITE_STATION}}", 0.0},
    {"Lat", EquipmentFieldType::Latitude, "{{SITE_LATITUDE}}", 0.0},
    {"Lon", EquipmentFieldType::Longitude, "{{SITE_LONGITUDE}}", 0.0},
    {"Alt", EquipmentFieldType::Integer, "{{SITE_ALTITUDE}}", 0.0},
    {"CountryCode", EquipmentFieldType::Text, "{{SITE_COUNTRY_CODE}}", 0.0},
};

constexpr EquipmentKind kKind = {"observingsites.xml", "ObservingSites", "ObservingSite", "{{SITE_", kFields};

}  // namespace

ObservingSiteManager& ObservingSiteManager::Instance() {
    static ObservingSiteManager& instance = []() -> ObservingSiteManager& {
        static ObservingSiteManager manager(AppPaths::DataDirectory(), Settings::Instance());
        manager.Load();
        return manager;
    }();
    return instance;
}

ObservingSiteManager::ObservingSiteManager(std::string dataDirectory, Settings& settings)
    : EquipmentManager(kKind, std::move(dataDirectory)), settings_(settings) {}

std::string ObservingSiteManager::SelectedName() const { return settings_.SelectedSiteName(); }

bool ObservingSiteManager::SelectName(const std::string& name) { return settings_.SelectedSiteName(name); }

}  // namespace orva
