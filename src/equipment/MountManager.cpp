#include "equipment/MountManager.h"

#include "common/AppPaths.h"
#include "common/Settings.h"

#include <utility>

namespace orva {
namespace {

constexpr EquipmentField kFields[] = {
    {"Model", EquipmentFieldType::Text, "{{MOUNT_MODEL}}", 0.0},
    {"MotorDrive", EquipmentFieldType::Text, "{{MOUNT_MOTOR_DRIVE}}", 0.0},
    {"AscomDriver", EquipmentFieldType::Text, "{{MOUNT_ASCOM_DRIVER}}", 0.0},
};

constexpr EquipmentKind kKind = {"mounts.xml", "Mounts", "Mount", "{{MOUNT_", kFields};

}  // namespace

MountManager& MountManager::Instance() {
    static MountManager& instance = []() -> MountManager& {
        static MountManager manager(AppPaths::DataDirectory(), Settings::Instance());
        manager.Load();
        return manager;
    }();
    return instance;
}

MountManager::MountManager(std::string dataDirectory, Settings& settings)
    : EquipmentManager(kKind, std::move(dataDirectory)), settings_(settings) {}

std::string MountManager::SelectedName() const { return settings_.SelectedMountName(); }

bool MountManager::SelectName(const std::string& name) { return settings_.SelectedMountName(name); }

}  // namespace orva
