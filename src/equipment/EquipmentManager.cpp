#include "equipment/EquipmentManager.h"

#include "common/FileBytes.h"
#include "common/IUiServices.h"
#include "common/Log.h"
#include "common/SideFileName.h"
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

XmlReadResult EquipmentManager::ReadFile(const std::string& path, std::vector<EquipmentEntry>& into) {
    // The reader's callbacks fill entries_; the list in memory waits aside meanwhile.
    std::vector<EquipmentEntry> held = std::move(entries_);
    entries_.clear();
    reading_.reset();
    // Any root name: the items are what the list holds (Save writes the kind's own root).
    const XmlReadResult result = COrvaXmlParser(XmlMode::Coded).Read(*this, path);
    into = std::move(entries_);
    entries_ = std::move(held);
    reading_.reset();
    if (result.status == XmlReadStatus::Failed) unreadable_ = !KeepDamagedCopy(path);
    return result;
}

bool EquipmentManager::Load() {
    const std::optional<std::string> path = PrepareFilePath();
    if (!path) return false;
    unreadable_ = false;
    std::vector<EquipmentEntry> read;
    const XmlReadResult result = ReadFile(*path, read);
    entries_ = std::move(read);
    RememberFile(*path);
    return result.status != XmlReadStatus::Failed;
}

bool EquipmentManager::KeepDamagedCopy(const std::string& path) const {
    const std::optional<std::string> bytes = FileBytes::Read(path);
    if (bytes && SideFileName::HoldingBytes(path, ".damaged", *bytes)) return true;  // kept at an earlier load
    const std::string copy = SideFileName::FirstFree(path, ".damaged");
    std::error_code ec;
    if (bytes) fs::copy_file(path, copy, fs::copy_options::none, ec);
    if (!bytes || ec) {
        LogMessageString("W EquipmentManager could not keep a copy of the unreadable list:", path);
        return false;
    }
    LogMessageString("W EquipmentManager kept the unreadable list as", copy);
    return true;
}

void EquipmentManager::Report(const std::string& text) const {
    if (ui_ != nullptr) ui_->ShowMessage(kAccessErrorTitle, text, MessageIcon::Warning);
}

void EquipmentManager::RememberFile(const std::string& path) {
    fileSignature_ = FileSignature::Of(path);
    fileEntries_ = entries_;
}

void EquipmentManager::MergeOutsideChanges(const std::string& path) {
    if (FileSignature::Of(path) == fileSignature_) return;
    std::vector<EquipmentEntry> disk;
    ReadFile(path, disk);
    LogMessageString("I EquipmentManager: the list was changed by another program, merging:", path);
    const auto named = [](const std::vector<EquipmentEntry>& list, const std::string& name) {
        return std::find_if(list.begin(), list.end(), [&name](const EquipmentEntry& e) { return e.name == name; });
    };
    for (EquipmentEntry& outside : disk) {
        const auto base = named(fileEntries_, outside.name);
        const bool wasKnown = base != fileEntries_.end();
        EquipmentEntry* mine = Find(outside.name);
        if (mine == nullptr) {
            if (!wasKnown) entries_.push_back(std::move(outside));  // else: deleted here since
        } else if (wasKnown && mine->SameContent(*base) && !outside.SameContent(*base)) {
            *mine = std::move(outside);  // edited there only
        }
    }
    SortByName();
}

bool EquipmentManager::Save() {
    const std::optional<std::string> path = PrepareFilePath();
    if (!path) return false;
    if (!unreadable_) MergeOutsideChanges(*path);
    if (unreadable_) {
        LogMessageString("E EquipmentManager did not overwrite the unreadable list:", *path);
        Report("The equipment list " + *path +
               " could not be read, and no copy of it could be kept. It is not overwritten; the change is kept "
               "until the program ends.");
        return false;
    }
    const bool written = COrvaXmlParser(XmlMode::Coded).Write(*this, *path);
    if (written) {
        RememberFile(*path);
    } else {
        LogMessageString("E EquipmentManager failed to save the list", *path);
        Report("Failed to save the equipment list " + *path + ". Please check the data folder.");
    }
    AfterSave();
    return written;
}

void EquipmentManager::SortByName() {
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const EquipmentEntry& a, const EquipmentEntry& b) { return LessByUtf16(a.name, b.name); });
}

bool EquipmentManager::Add(const std::string& name) {
    if (Find(name) != nullptr) return false;
    entries_.emplace_back(kind_.fields, name);
    SortByName();
    Save();
    return true;
}

bool EquipmentManager::Delete(const std::string& name) {
    std::erase_if(entries_, [&name](const EquipmentEntry& e) { return e.name == name; });
    return Save();
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
