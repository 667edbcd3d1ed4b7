#include "equipment/ObserverManager.h"

#include "common/AppPaths.h"
#include "common/Settings.h"

#include <utility>

namespace orva {
namespace {

constexpr EquipmentField kFields[] = {
    {"Email", EquipmentFieldType::Text, "{{OBSERVER_EMAIL}}", 0.0},
    {"Address", EquipmentFieldType::Text, "{{OBSERVER_ADDRESS}}", 0.0},
};

constexpr EquipmentKind kKind = {"observers.xml", "Observers", "Observer", "{{OBSERVER_", kFields};

}  // namespace

ObserverManager& ObserverManager::Instance() {
    static ObserverManager& instance = []() -> ObserverManager& {
        static ObserverManager manager(AppPaths::DataDirectory(), Settings::Instance());
        manager.Load();
        return manager;
    }();
    return instance;
}

ObserverManager::ObserverManager(std::string dataDirectory, Settings& settings)
    : EquipmentManager(kKind, std::move(dataDirectory)), settings_(settings) {}

std::string ObserverManager::SelectedName() const { return settings_.SelectedObserverName(); }

bool ObserverManager::SelectName(const std::string& name) { return settings_.SelectedObserverName(name); }

}  // namespace orva
