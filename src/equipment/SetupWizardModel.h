#pragma once
// The first-start setup assistant without the widgets: the check that the configuration
// is complete (current observer, site, instrument and mount, the essential folders), and
// the assistant's three pages - welcome, site and equipment, folders - with their
// navigation and what each page stores.
//
// Two things go beyond taking the typed text: a site name the list does not know yet
// needs its latitude and longitude (a site without coordinates is useless to reports and
// plate solving), and the folders are created when the page is committed; one that
// cannot be created is refused with a message and the page stays open.
//
// Threads: GUI thread only.

#include "equipment/EquipmentDialogModel.h"

#include <array>
#include <cstddef>
#include <string>

namespace orva {

class EquipmentManager;
class IUiServices;
class Settings;

struct SetupLists {
    EquipmentManager& observers;
    EquipmentManager& sites;
    EquipmentManager& instruments;
    EquipmentManager& mounts;
};

class SetupWizardModel {
public:
    static constexpr const char* kTitle = "ORVA Setup Assistant";
    static constexpr const char* kWelcomeText =
        "Welcome to ORVA Cam Control.\n\nThis assistant collects what the station needs before the first "
        "night: the observer, the observing site, the telescope and mount, and the folders for recordings, "
        "reports and log files.";
    static constexpr const char* kSiteText =
        "You need to define a default observer, observation site, telescope and mount. The information will "
        "be included in image metadata, generated reports and used to support plate solving and telescope "
        "control.\n\nDetails can be edited later from the corresponding dialogs of the Edit menu, where "
        "alternative observers, sites, mounts and instruments can also be added.";
    static constexpr const char* kDirectoriesText =
        "The directories can be changed later, or refined, in the Settings dialog of the Edit menu.";
    static constexpr const char* kNewSiteText = "New site: enter its latitude and longitude.";
    static constexpr const char* kFolderErrorTitle = "Error";
    static constexpr const char* kSelectDirectory = "Select directory...";

    enum class Page { Welcome = 0, SiteAndEquipment = 1, Directories = 2 };
    enum class NextResult { Stayed, Moved, Finished };

    // The equipment fields in the page's order.
    enum Equipment : std::size_t { kObserver, kSite, kMount, kInstrument, kEquipmentCount };
    static constexpr std::array<const char*, kEquipmentCount> kEquipmentLabels = {
        "Default Observer Name", "Default Site Name", "Default Mount Name", "Default Instrument Name"};
    static constexpr std::array<const char*, kEquipmentCount> kEditButtons = {
        "Edit observer...", "Edit site...", "Edit mount...", "Edit instrument..."};
    // The equipment dialog each "Edit ..." button opens, by its name.
    static constexpr std::array<const char*, kEquipmentCount> kEditDialogs = {
        EquipmentDialogModel::kObserversDialog, EquipmentDialogModel::kSitesDialog,
        EquipmentDialogModel::kMountsDialog, EquipmentDialogModel::kInstrumentsDialog};
    static constexpr std::size_t kDirectoryCount = 7;
    static constexpr std::array<const char*, kDirectoryCount> kDirectoryLabels = {
        "ADV video files",   "SER video files",     "FITS light frames", "FITS dark frames",
        "FITS flat frames",  "Observation reports", "Log files"};
    // The folders offered for empty fields, below "ORVA" in the home folder.
    static constexpr std::array<const char*, kDirectoryCount> kDefaultFolders = {
        "ADV", "SER", "FITS", "Darks", "Flats", "Reports", "Logs"};

    // `homeDirectory`: where the offered folders lie; empty: none offered.
    SetupWizardModel(Settings& settings, const SetupLists& lists, IUiServices& ui, std::string homeDirectory = {});

    // The start-up check; the first failing selection decides, in the order observer,
    // site, instrument, mount.
    static bool EquipmentIncomplete(const Settings& settings, const SetupLists& lists);
    static bool DirectoriesIncomplete(const Settings& settings);
    // True when the assistant has to run.
    static bool IsDue(const Settings& settings, const SetupLists& lists);

    // Computes both flags, presets every field (an empty folder with the offered one) and
    // shows the welcome page.
    void Open();
    bool EquipmentWasIncomplete() const { return equipmentIncomplete_; }
    bool DirectoriesWereIncomplete() const { return directoriesIncomplete_; }

    Page CurrentPage() const { return page_; }
    // "Click 'Next' to start", "Step 1 of 2", ...
    std::string PageLabel() const;
    bool PreviousEnabled() const { return page_ != Page::Welcome; }
    bool NextEnabled() const;
    // True on the page whose "Next" closes the assistant.
    bool IsLastPage() const;
    void Previous();
    // Commits the current page, then moves on or finishes. Stays when the page's input
    // was refused (a folder that cannot be created) or is not complete.
    NextResult Next();

    // Site-and-equipment page.
    const std::string& EquipmentName(Equipment which) const { return equipment_.at(which); }
    void SetEquipmentName(Equipment which, std::string name);
    // The list behind a field, for its "Edit ..." button.
    EquipmentManager& List(Equipment which) const;
    // The messages the equipment dialogs show.
    IUiServices& Ui() const { return ui_; }
    // After the field's equipment dialog closed: the field takes the entry chosen there.
    void EquipmentDialogClosed(Equipment which);
    // True while the site name names no entry: the page then needs the coordinates.
    bool SiteNeedsCoordinates() const;
    const std::string& SiteLatitude() const { return latitude_; }
    const std::string& SiteLongitude() const { return longitude_; }
    void SetSiteLatitude(std::string text) { latitude_ = std::move(text); }
    void SetSiteLongitude(std::string text) { longitude_ = std::move(text); }
    // True when the text is a latitude (longitude) a site entry takes.
    bool SiteLatitudeValid() const;
    bool SiteLongitudeValid() const;

    // Directories page.
    const std::string& Directory(std::size_t index) const { return directories_.at(index); }
    void SetDirectory(std::size_t index, std::string path);
    // The folder picker, starting at the field's folder; true when a folder was chosen.
    bool PickDirectory(std::size_t index);

private:
    std::array<std::string*, kDirectoryCount> DirectorySettings() const;
    bool CoordinateValid(const char* field, const std::string& text) const;
    void CommitEquipment();
    bool CommitDirectories();

    Settings& settings_;
    SetupLists lists_;
    IUiServices& ui_;
    std::string homeDirectory_;
    bool equipmentIncomplete_ = false;
    bool directoriesIncomplete_ = false;
    Page page_ = Page::Welcome;
    std::array<std::string, kEquipmentCount> equipment_;
    std::string latitude_;
    std::string longitude_;
    std::array<std::string, kDirectoryCount> directories_;
};

}  // namespace orva
