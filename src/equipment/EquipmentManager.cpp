#include "equipment/EquipmentManager.h"

#include "common/IUiServices.h"
#include "common/Log.h"
#include "equipment/COrvaXmlParser.h"
#include "equipment/Utf16.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace orva {

namespace fs = std::filesystem;

EquipmentManager::EquipmentManager(const EquipmentKind& kind, std::string dataDirectory)
    : kind_(kind), dataDirectory_(std::move(dataDirectory)) {}

std::string EquipmentManager::FilePath() const {
    return dataDirectory_ + "/" + kEquipmentFolder + "/" + kind_.fileName;
}

std::optional<std::string> EquipmentManager::PrepareFilePath() {
    const auto report = [this](const char* message, int code) {
        LogMessageInt(message, code);
        if (ui_ != nullptr) ui_->ShowMessage(kAccessErrorTitle, kAccessErrorText, MessageIcon::Warning);
    };
    if (dataDirectory_.empty()) {
        report("E EquipmentManager failed to access LocalAppData", ENOENT);
        return std::nullopt;
    }
    std::error_code ec;
    const fs::path folder = fs::path(dataDirectory_) / kEquipmentFolder;
    fs::create_directories(folder, ec);
    if (!ec && !fs::is_directory(folder, ec)) ec = std::make_error_code(std::errc::not_a_directory);
    if (ec) {
        report("E EquipmentManager failed to access LocalAppData (2)", ec.value());
        return std::nullopt;
    }
    return FilePath();
}

bool EquipmentManager::Load() {
    const std::optional<std::string> path = PrepareFilePath();
    if (!path) return false;
    entries_.clear();
    reading_.reset();
    const XmlReadResult result = COrvaXmlParser(XmlMode::Coded).Read(*this, *path, kind_.rootName);
    if (result.status != XmlReadStatus::Failed) return true;
    KeepDamagedCopy(*path);
    return false;
}

void EquipmentManager::KeepDamagedCopy(const std::string& path) const {
    const std::string copy = path + ".damaged";
    std::error_code ec;
    fs::copy_file(path, copy, fs::copy_options::overwrite_existing, ec);
    if (ec) {
        LogMessageString("W EquipmentManager could not keep a copy of the unreadable list:", path);
    } else {
        LogMessageString("W EquipmentManager kept the unreadable list as", copy);
    }
}

bool EquipmentManager::Save() {
    const std::optional<std::string> path = PrepareFilePath();
    if (!path) return false;
    const bool written = COrvaXmlParser(XmlMode::Coded).Write(*this, *path);
    AfterSave();
    return written;
}

bool EquipmentManager::Add(const std::string& name) {
    if (Find(name) != nullptr) return false;
    entries_.emplace_back(kind_.fields, name);
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const EquipmentEntry& a, const EquipmentEntry& b) { return LessByUtf16(a.name, b.name); });
    Save();
    return true;
}

void EquipmentManager::Delete(const std::string& name) {
    std::erase_if(entries_, [&name](const EquipmentEntry& e) { return e.name == name; });
    Save();
}

const EquipmentEntry* EquipmentManager::Find(const std::string& name) const {
    const auto it = std::find_if(entries_.begin(), entries_.end(), [&name](const EquipmentEntry& e) { return e.name == name; });
    return it != entries_.end() ? &*it : nullptr;
}

EquipmentEntry* EquipmentManager::Find(const std::string& name) {
    return const_cast<EquipmentEntry*>(static_cast<const EquipmentManager*>(this)->Find(name));
}

const EquipmentEntry* EquipmentManager::Current() const {
    const std::string name = SelectedName();
    return name.empty() ? nullptr : Find(name);
}

void EquipmentManager::Placeholders(const std::string& name, std::map<std::string, std::string>& placeholders) const {
    const EquipmentEntry* entry = Find(name);
    if (entry == nullptr) return;
    const std::string prefix = kind_.placeholderPrefix;
    placeholders.insert_or_assign(prefix + "NAME}}", entry->name);
    placeholders.insert_or_assign(prefix + "NOTES}}", entry->notes);
    for (std::size_t i = 0; i < kind_.fields.size(); ++i) {
        placeholders.insert_or_assign(kind_.fields[i].placeholder, entry->DisplayText(i));
    }
}

void EquipmentManager::StartItem() { reading_.emplace(kind_.fields, std::string()); }

void EquipmentManager::ItemValue(const std::string& fieldName, const std::string& text) {
    if (!reading_) return;
    if (fieldName == "Name") {
        reading_->name = text;
    } else if (fieldName == "Notes") {
        reading_->notes = text;
    } else {
        reading_->SetFromStoredText(fieldName, text);
    }
}

void EquipmentManager::EndItem() {
    if (!reading_) return;
    entries_.push_back(std::move(*reading_));
    reading_.reset();
}

void EquipmentManager::GetRoot(std::string& rootName, std::size_t& itemCount) const {
    rootName = kind_.rootName;
    itemCount = entries_.size();
}

void EquipmentManager::GetItemShape(std::string& itemName, std::size_t& fieldCount) const {
    itemName = kind_.itemName;
    fieldCount = 2 + kind_.fields.size();
}

void EquipmentManager::GetField(std::size_t item, std::size_t field, std::string& fieldName, std::string& text) const {
    const EquipmentEntry& entry = entries_.at(item);
    if (field == 0) {
        fieldName = "Name";
        text = entry.name;
    } else if (field == 1) {
        fieldName = "Notes";
        text = entry.notes;
    } else {
        fieldName = kind_.fields[field - 2].name;
        text = entry.StoredText(field - 2);
    }
}

}  // namespace orva
