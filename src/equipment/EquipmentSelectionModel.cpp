#include "equipment/EquipmentSelectionModel.h"

#include "equipment/EquipmentManager.h"

namespace orva {

EquipmentSelectionModel::EquipmentSelectionModel(EquipmentManager& observers, EquipmentManager& sites,
                                                 EquipmentManager& instruments, EquipmentManager& mounts)
    : lists_{&observers, &sites, &instruments, &mounts} {}

EquipmentManager& EquipmentSelectionModel::ListOf(Kind kind) const { return *lists_[static_cast<std::size_t>(kind)]; }

EquipmentSelectionModel::List EquipmentSelectionModel::Get(Kind kind) const {
    const EquipmentManager& manager = ListOf(kind);
    const EquipmentEntry* current = manager.Current();
    List list;
    for (std::size_t i = 0; i < manager.Count(); ++i) {
        const EquipmentEntry& entry = manager.At(i);
        if (&entry == current) list.selected = static_cast<int>(i);
        list.names.push_back(entry.name);
    }
    return list;
}

void EquipmentSelectionModel::Choose(Kind kind, int index) {
    EquipmentManager& manager = ListOf(kind);
    if (index < 0 || static_cast<std::size_t>(index) >= manager.Count()) return;
    manager.SelectName(manager.At(static_cast<std::size_t>(index)).name);
}

}  // namespace orva
