#include "equipment/SetupWizardModel.h"

#include "common/AppPaths.h"
#include "common/IUiServices.h"
#include "common/Log.h"
#include "common/Settings.h"
#include "equipment/EquipmentEntry.h"
#include "equipment/EquipmentManager.h"

#include <utility>

namespace orva {
namespace {

constexpr const char* kLatitudeField = "Lat";
constexpr const char* kLongitudeField = "Lon";

bool NamesNoEntry(const std::string& name, const EquipmentManager& list) {
    return name.empty() || list.Find(name) == nullptr;
}

}  // namespace

SetupWizardModel::SetupWizardModel(Settings& settings, const SetupLists& lists, IUiServices& ui,
                                   std::string homeDirectory)
    : settings_(settings), lists_(lists), ui_(ui), homeDirectory_(std::move(homeDirectory)) {}

bool SetupWizardModel::EquipmentIncomplete(const Settings& settings, const SetupLists& lists) {
    return NamesNoEntry(settings.SelectedObserverName(), lists.observers) ||
           NamesNoEntry(settings.SelectedSiteName(), lists.sites) ||
           NamesNoEntry(settings.SelectedInstrumentName(), lists.instruments) ||
           NamesNoEntry(settings.SelectedMountName(), lists.mounts);
}

bool SetupWizardModel::DirectoriesIncomplete(const Settings& settings) {
    return settings.AdvDirectory.empty() || settings.FitsDirectory.empty() || settings.ReportsDirectory.empty() ||
           settings.LogDirectory.empty();
}

bool SetupWizardModel::IsDue(const Settings& settings, const SetupLists& lists) {
    return EquipmentIncomplete(settings, lists) || DirectoriesIncomplete(settings);
}

void SetupWizardModel::Open() {
    equipmentIncomplete_ = EquipmentIncomplete(settings_, lists_);
    directoriesIncomplete_ = DirectoriesIncomplete(settings_);
    for (std::size_t i = 0; i < kEquipmentCount; ++i) equipment_[i] = List(static_cast<Equipment>(i)).SelectedName();
    const auto stored = DirectorySettings();
    for (std::size_t i = 0; i < kDirectoryCount; ++i) {
        directories_[i] = *stored[i];
        // Seven empty fields ask too much of a first start: a tidy set is offered instead.
        if (directories_[i].empty() && !homeDirectory_.empty()) {
            directories_[i] = homeDirectory_ + "/ORVA/" + kDefaultFolders[i];
        }
    }
    latitude_.clear();
    longitude_.clear();
    page_ = Page::Welcome;
}

std::string SetupWizardModel::PageLabel() const {
    const std::string total = equipmentIncomplete_ && directoriesIncomplete_ ? "2" : "1";
    switch (page_) {
        case Page::Welcome: return "Click 'Next' to start";
        case Page::SiteAndEquipment: return "Step 1 of " + total;
        case Page::Directories: return (equipmentIncomplete_ ? "Step 2 of " : "Step 1 of ") + total;
    }
    return {};
}

bool SetupWizardModel::NextEnabled() const {
    switch (page_) {
        case Page::Welcome: return true;
        case Page::SiteAndEquipment:
            for (const std::string& name : equipment_) {
                if (name.empty()) return false;
            }
            return !SiteNeedsCoordinates() || (SiteLatitudeValid() && SiteLongitudeValid());
        case Page::Directories:
            for (const std::string& path : directories_) {
                if (path.empty()) return false;
            }
            return true;
    }
    return false;
}

bool SetupWizardModel::IsLastPage() const {
    return page_ == Page::Directories || (page_ == Page::SiteAndEquipment && !directoriesIncomplete_);
}

void SetupWizardModel::Previous() {
    if (page_ == Page::SiteAndEquipment || (page_ == Page::Directories && !equipmentIncomplete_)) {
        page_ = Page::Welcome;
    } else if (page_ == Page::Directories) {
        page_ = Page::SiteAndEquipment;
    }
}

SetupWizardModel::NextResult SetupWizardModel::Next() {
    if (!NextEnabled()) return NextResult::Stayed;
    switch (page_) {
        case Page::Welcome:
            page_ = equipmentIncomplete_ ? Page::SiteAndEquipment : Page::Directories;
            return NextResult::Moved;
        case Page::SiteAndEquipment:
            CommitEquipment();
            if (!directoriesIncomplete_) return NextResult::Finished;
            page_ = Page::Directories;
            return NextResult::Moved;
        case Page::Directories:
            return CommitDirectories() ? NextResult::Finished : NextResult::Stayed;
    }
    return NextResult::Stayed;
}

void SetupWizardModel::SetEquipmentName(Equipment which, std::string name) { equipment_.at(which) = std::move(name); }

EquipmentManager& SetupWizardModel::List(Equipment which) const {
    switch (which) {
        case kObserver: return lists_.observers;
        case kSite: return lists_.sites;
        case kMount: return lists_.mounts;
        default: return lists_.instruments;
    }
}

void SetupWizardModel::EquipmentDialogClosed(Equipment which) {
    const std::string chosen = List(which).SelectedName();
    if (!chosen.empty() && List(which).Find(chosen) != nullptr) equipment_.at(which) = chosen;
}

bool SetupWizardModel::SiteNeedsCoordinates() const {
    return !equipment_[kSite].empty() && lists_.sites.Find(equipment_[kSite]) == nullptr;
}

bool SetupWizardModel::SiteLatitudeValid() const { return CoordinateValid(kLatitudeField, latitude_); }

bool SetupWizardModel::SiteLongitudeValid() const { return CoordinateValid(kLongitudeField, longitude_); }

bool SetupWizardModel::CoordinateValid(const char* field, const std::string& text) const {
    if (text.empty()) return false;
    EquipmentEntry probe(lists_.sites.Kind().fields, equipment_[kSite]);
    return probe.SetFromDisplayText(probe.IndexOf(field), text);
}

void SetupWizardModel::SetDirectory(std::size_t index, std::string path) { directories_.at(index) = std::move(path); }

bool SetupWizardModel::PickDirectory(std::size_t index) {
    const auto chosen = ui_.PickFolder(kDirectoryLabels.at(index), directories_.at(index));
    if (!chosen || chosen->empty()) return false;
    directories_[index] = *chosen;
    return true;
}

std::array<std::string*, SetupWizardModel::kDirectoryCount> SetupWizardModel::DirectorySettings() const {
    return {&settings_.AdvDirectory,        &settings_.SerDirectory,     &settings_.FitsDirectory,
            &settings_.DarkFramesDirectory, &settings_.FlatFramesDirectory, &settings_.ReportsDirectory,
            &settings_.LogDirectory};
}

void SetupWizardModel::CommitEquipment() {
    // The settings' order of the check: observer, site, instrument, mount.
    for (const Equipment which : {kObserver, kSite, kInstrument, kMount}) {
        EquipmentManager& list = List(which);
        const std::string& name = equipment_[which];
        if (list.Find(name) == nullptr) {
            const bool newSite = which == kSite;
            if (!list.Add(name)) continue;
            if (newSite) {
                EquipmentEntry* site = list.Find(name);
                site->SetFromDisplayText(site->IndexOf(kLatitudeField), latitude_);
                site->SetFromDisplayText(site->IndexOf(kLongitudeField), longitude_);
                list.Save();
            }
        }
        list.SelectName(name);
    }
}

bool SetupWizardModel::CommitDirectories() {
    // Every folder must exist before any setting changes: a recording must not find out
    // at the event that its folder is missing.
    for (std::size_t i = 0; i < kDirectoryCount; ++i) {
        const std::string& path = directories_[i];
        const bool absolute = path.front() == '/';
        if (!absolute || !AppPaths::EnsureDirectory(path)) {
            LogMessageString("E Setup: cannot create the folder", path);
            ui_.ShowMessage(kFolderErrorTitle,
                            std::string("The folder for \"") + kDirectoryLabels[i] + "\" cannot be created:\n" +
                                path + (absolute ? "" : "\n\nEnter a full path, starting with \"/\"."),
                            MessageIcon::Error);
            return false;
        }
    }
    const auto stored = DirectorySettings();
    bool changed = false;
    for (std::size_t i = 0; i < kDirectoryCount; ++i) {
        if (*stored[i] != directories_[i]) {
            *stored[i] = directories_[i];
            changed = true;
        }
    }
    if (changed) settings_.Save();
    return true;
}

}  // namespace orva
