#include "equipment/InstrumentManager.h"

#include "common/AppPaths.h"
#include "common/NotificationCenter.h"
#include "common/Settings.h"

#include <utility>

namespace orva {
namespace {

constexpr EquipmentField kFields[] = {
    {"Type", EquipmentFieldType::Text, "{{TELESCOPE_TYPE}}", 0.0},
    {"Magnification", EquipmentFieldType::Text, "{{TELESCOPE_MAGNIFICATION}}", 0.0},
    {"Aperture", EquipmentFieldType::Integer, "{{TELESCOPE_APERTURE}}", 0.0},
    {"FocalLength", EquipmentFieldType::Integer, "{{TELESCOPE_FL_RAW}}", 0.0},
    {"Obstruction", EquipmentFieldType::Integer, "{{TELESCOPE_OBSTRUCTION}}", 0.0},
    {"FlFactor", EquipmentFieldType::Real, "{{TELESCOPE_FL_FACTOR}}", 1.0},
};

constexpr EquipmentKind kKind = {"instruments.xml", "Instruments", "Instrument", "{{TELESCOPE_", kFields};

}  // namespace

InstrumentManager& InstrumentManager::Instance() {
    static InstrumentManager& instance = []() -> InstrumentManager& {
        static InstrumentManager manager(AppPaths::DataDirectory(), Settings::Instance(), NotificationCenter::Instance());
        manager.Load();
        return manager;
    }();
    return instance;
}

InstrumentManager::InstrumentManager(std::string dataDirectory, Settings& settings, NotificationCenter& center)
    : EquipmentManager(kKind, std::move(dataDirectory)), settings_(settings), center_(center) {}

std::string InstrumentManager::SelectedName() const { return settings_.SelectedInstrumentName(); }

bool InstrumentManager::SelectName(const std::string& name) { return settings_.SelectedInstrumentName(name); }

void InstrumentManager::AfterSave() { center_.Publish(kTopicInstrumentChanged); }

}  // namespace orva
