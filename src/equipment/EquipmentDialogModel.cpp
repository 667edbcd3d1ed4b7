#include "equipment/EquipmentDialogModel.h"

#include "common/IUiServices.h"
#include "common/Log.h"
#include "equipment/EquipmentManager.h"

namespace orva {

EquipmentDialogModel::EquipmentDialogModel(EquipmentManager& list, IUiServices& ui, std::string dialogName)
    : list_(list), ui_(ui), dialogName_(std::move(dialogName)) {}

void EquipmentDialogModel::Open() {
    LogMessage("I Opened Dialog '" + dialogName_ + "'");
    const EquipmentEntry* current = list_.Current();
    selected_ = current != nullptr ? IndexOf(current->name) : std::nullopt;
}

std::vector<std::string> EquipmentDialogModel::Names() const {
    std::vector<std::string> names;
    names.reserve(list_.Count());
    for (std::size_t i = 0; i < list_.Count(); ++i) names.push_back(list_.At(i).name);
    return names;
}

void EquipmentDialogModel::Choose(std::size_t index) {
    if (index >= list_.Count()) return;
    selected_ = index;
    list_.SelectName(list_.At(index).name);
}

std::vector<EquipmentDialogModel::FieldRow> EquipmentDialogModel::Fields() const {
    std::vector<FieldRow> rows;
    if (!selected_) return rows;
    const EquipmentEntry& entry = list_.At(*selected_);
    rows.push_back({"Notes", entry.notes});
    for (std::size_t i = 0; i < entry.Fields().size(); ++i) rows.push_back({entry.Fields()[i].name, entry.DisplayText(i)});
    return rows;
}

bool EquipmentDialogModel::SetField(std::string_view fieldName, std::string_view text) {
    if (!selected_) return false;
    EquipmentEntry& entry = list_.At(*selected_);
    if (fieldName == "Notes") {
        entry.notes = std::string(text);
    } else {
        const std::size_t index = entry.IndexOf(fieldName);
        if (index == entry.Fields().size() || !entry.SetFromDisplayText(index, text)) return false;
    }
    list_.Save();
    return true;
}

bool EquipmentDialogModel::Add(const std::string& name) {
    if (name.empty() || !list_.Add(name)) return false;
    if (const auto index = IndexOf(name)) Choose(*index);
    return true;
}

bool EquipmentDialogModel::DeleteSelected() {
    if (!selected_) return false;
    if (!ui_.AskYesNo(kDeleteTitle, kDeleteQuestion)) return false;
    list_.Delete(list_.At(*selected_).name);
    selected_.reset();
    return true;
}

std::string EquipmentDialogModel::TelescopeDriverLabel(const std::optional<std::string>& platformVersion) {
    if (!platformVersion) return "Telescope Driver (ASCOM, unavailable!)";
    return "Telescope Driver (ASCOM Version " + *platformVersion;
}

std::optional<std::size_t> EquipmentDialogModel::IndexOf(const std::string& name) const {
    for (std::size_t i = 0; i < list_.Count(); ++i) {
        if (list_.At(i).name == name) return i;
    }
    return std::nullopt;
}

}  // namespace orva
