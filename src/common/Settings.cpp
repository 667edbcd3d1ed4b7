#include "common/Settings.h"

#include "common/AppPaths.h"
#include "common/DecimalText.h"
#include "common/FileBytes.h"
#include "common/IUiServices.h"
#include "common/Log.h"
#include "common/NotificationCenter.h"
#include "common/SideFileName.h"

#include <array>

namespace orva {

// One key of the file: its default, whether Save writes it, and the field holding it
// (a text, an integer or a flag; none for the camera configuration record).
struct Settings::Key {
    const char* name;
    const char* defaultValue;
    bool saved;
    std::string Settings::*text;
    int Settings::*number;
    SettingsFlag Settings::*flag;
};

namespace {

constexpr const char* kCameraConfigurationKey = "CameraConfiguration";
constexpr int kMinPreviewZoomFactor = 10;
constexpr int kMaxPreviewZoomFactor = 1000;

}  // namespace

std::span<const Settings::Key> Settings::Keys() {
    // The file's order. Windows program paths of the original defaults are the program
    // names here, looked up on PATH.
    static const std::array<Key, 51> keys = {{
        {"NofFrameProcessorThreads", "6", false, &Settings::NofFrameProcessorThreads, nullptr, nullptr},
        {"FitsDirectory", "", true, &Settings::FitsDirectory, nullptr, nullptr},
        {"SerDirectory", "", true, &Settings::SerDirectory, nullptr, nullptr},
        {"AdvDirectory", "", true, &Settings::AdvDirectory, nullptr, nullptr},
        {"CreateStatusCsvFile", "TRUE", true, nullptr, nullptr, &Settings::CreateStatusCsvFile},
        {"EnableAdvCompression", "FALSE", true, nullptr, nullptr, &Settings::EnableAdvCompression},
        {"DarkFramesDirectory", "", true, &Settings::DarkFramesDirectory, nullptr, nullptr},
        {"FlatFramesDirectory", "", true, &Settings::FlatFramesDirectory, nullptr, nullptr},
        {"LogDirectory", "", true, &Settings::LogDirectory, nullptr, nullptr},
        {"GpsLogEnabled", "", true, nullptr, nullptr, &Settings::GpsLogEnabled},
        {"PerformanceLogEnabled", "", true, nullptr, nullptr, &Settings::PerformanceLogEnabled},
        {"UpdateFirmwareFile", "", true, &Settings::UpdateFirmwareFile, nullptr, nullptr},
        {"AutoStartStreaming", "FALSE", true, nullptr, nullptr, &Settings::AutoStartStreaming},
        {"PreviewMode", "", true, &Settings::PreviewModeText, nullptr, nullptr},
        {"PlateSolvingUrl", "nova.astrometry.net", true, &Settings::PlateSolvingUrl, nullptr, nullptr},
        {"PlateSolvingApiKey", "", true, &Settings::PlateSolvingApiKey, nullptr, nullptr},
        {"PlateSolvingProgram", "", true, &Settings::plateSolvingProgram_, nullptr, nullptr},
        {"PlateSolvingAstrometryNetPath", "nova.astrometry.net", true, &Settings::plateSolvingAstrometryNetPath_,
         nullptr, nullptr},
        {"PlateSolvingAstrometryNetApiKey", "", true, &Settings::plateSolvingAstrometryNetApiKey_, nullptr, nullptr},
        {"PlateSolvingAnsvrPath", "127.0.0.1:8088", true, &Settings::plateSolvingAnsvrPath_, nullptr, nullptr},
        {"PlateSolvingAstapPath", "astap_cli", true, &Settings::PlateSolvingAstapPath, nullptr, nullptr},
        // astrometry.net's local programs; empty: the program of that name on PATH.
        {"PlateSolvingSolveFieldPath", "", true, &Settings::PlateSolvingSolveFieldPath, nullptr, nullptr},
        {"PlateSolvingWcsinfoPath", "", true, &Settings::PlateSolvingWcsinfoPath, nullptr, nullptr},
        {"TelescopeDriver", "", true, &Settings::TelescopeDriver, nullptr, nullptr},
        {"SelectedSiteName", "", true, &Settings::selectedSiteName_, nullptr, nullptr},
        {"SelectedMountName", "", true, &Settings::selectedMountName_, nullptr, nullptr},
        {"SelectedObserverName", "", true, &Settings::selectedObserverName_, nullptr, nullptr},
        {"SelectedInstrumentName", "", true, &Settings::selectedInstrumentName_, nullptr, nullptr},
        {"ReportsDirectory", "", true, &Settings::ReportsDirectory, nullptr, nullptr},
        {"ReportFileNameTemplate", "{{EVENT_DATE_YYYYMMDD}}_({{EVENT_ASTEROID_NR}})_{{EVENT_ASTEROID_NAME}}_Report.txt",
         true, &Settings::ReportFileNameTemplate, nullptr, nullptr},
        {"ShowOverflow", "FALSE", true, nullptr, nullptr, &Settings::ShowOverflow},
        {"RecordingWithOptionsFormat", "ADV", true, &Settings::RecordingWithOptionsFormat, nullptr, nullptr},
        {"RecordingWithOptionsDefaultDurationSec", "60", true, &Settings::RecordingWithOptionsDefaultDurationSec,
         nullptr, nullptr},
        // The unattended night: pointing and centring begin this long before a recording
        // window, and a target is centred when the picture's centre is this close to it.
        {"NightPlanLeadTimeSec", "180", true, nullptr, &Settings::NightPlanLeadTimeSec, nullptr},
        {"NightPlanToleranceArcsec", "30", true, nullptr, &Settings::NightPlanToleranceArcsec, nullptr},
        {"C2awExePath", "c2aw", true, &Settings::C2awExePath, nullptr, nullptr},
        {"ReportEditor", "xdg-open", true, &Settings::ReportEditor, nullptr, nullptr},
        {"PreviewZoomFactor", "", true, nullptr, &Settings::PreviewZoomFactor, nullptr},
        {"UseTimeResolution100us", "0", true, nullptr, &Settings::UseTimeResolution100us, nullptr},
        {"DarkFlatDelaySeconds", "10", false, nullptr, &Settings::DarkFlatDelaySeconds, nullptr},
        {"RaTrackingSpeedE5", "417", false, nullptr, &Settings::RaTrackingSpeedE5, nullptr},
        {"GuidingTrackingRadius", "32", true, nullptr, &Settings::GuidingTrackingRadius, nullptr},
        {"GuidingDirections", "31", true, &Settings::GuidingDirections, nullptr, nullptr},
        // The desktop's dark red colours, which keep the observer's eyes dark-adapted.
        {"NightVision", "FALSE", true, nullptr, nullptr, &Settings::NightVision},
        {"SimbadServer", "simbad.cds.unistra.fr", true, &Settings::SimbadServer, nullptr, nullptr},
        {"ToolbarVersion", "", true, &Settings::ToolbarVersion, nullptr, nullptr},
        {"WorkspaceGeometry", "", true, &Settings::WorkspaceGeometry, nullptr, nullptr},
        {"WorkspaceState", "", true, &Settings::WorkspaceState, nullptr, nullptr},
        {"WorkspaceToolbars", "", true, &Settings::WorkspaceToolbars, nullptr, nullptr},
        {"WorkspaceStatusBar", "", true, nullptr, nullptr, &Settings::WorkspaceStatusBar},
        {kCameraConfigurationKey, "", true, nullptr, nullptr, nullptr},
    }};
    return keys;
}

Settings& Settings::Instance() {
    static Settings settings(AppPaths::ConfigDirectory(), NotificationCenter::Instance());
    return settings;
}

Settings::Settings(std::string directory, NotificationCenter& center)
    : directory_(std::move(directory)), center_(center) {
    // Until Load, every value is its default.
    for (const Key& key : Keys()) {
        if (key.text != nullptr) this->*key.text = key.defaultValue;
        if (key.number != nullptr) this->*key.number = DecimalToInt(key.defaultValue);
        if (key.flag != nullptr) (this->*key.flag).SetText(key.defaultValue);
    }
    PreviewZoomFactor = kDefaultPreviewZoomFactor;
}

std::string Settings::FilePath() const { return directory_ + "/" + kFileName; }

void Settings::SetUiServices(IUiServices* ui) {
    ui_ = ui;
    ShowProtectedNotice();
}

bool Settings::Show(const std::string& text) {
    if (ui_ == nullptr) return false;
    ui_->ShowMessage("Error", text, MessageIcon::Warning);
    return true;
}

void Settings::ShowProtectedNotice() {
    if (fileProtected_ && !protectedNoticeShown_) protectedNoticeShown_ = Show(protectedNotice_);
}

void Settings::ProtectUnreadableFile(const std::string& detail) {
    const std::string path = FilePath();
    fileProtected_ = true;
    protectedNoticeShown_ = false;
    protectedNotice_ = "The settings file " + path + " could not be read (" + detail +
                       "). The program runs with default settings and leaves the file as it is: changes made now "
                       "are not saved.";
    // What can be read at all is kept beside it, once.
    if (const std::optional<std::string> bytes = FileBytes::Read(path)) {
        std::optional<std::string> copy = SideFileName::HoldingBytes(path, ".unreadable", *bytes);
        if (!copy) {
            const std::string name = SideFileName::FirstFree(path, ".unreadable");
            if (FileBytes::WriteNew(name, *bytes)) copy = name;
        }
        if (copy) {
            protectedCopy_ = *copy;
            protectedNotice_ += " A copy of it is kept as " + *copy + ".";
        }
    }
    ShowProtectedNotice();
}

void Settings::Load() {
    const std::string path = FilePath();
    IniFile::LoadResult result = store_.Load(path);
    storeRead_ = true;
    fileProtected_ = false;
    protectedCopy_.clear();
    if (result.status == IniFile::LoadStatus::Unreadable) ProtectUnreadableFile(result.detail);
    if (result.status == IniFile::LoadStatus::Loaded && !store_.HasSection(kSection)) {
        result = {IniFile::LoadStatus::Damaged, "no [Settings] section"};
    }

    for (const Key& key : Keys()) {
        const std::string value = store_.Get(kSection, key.name).value_or(key.defaultValue);
        if (key.text != nullptr) {
            this->*key.text = value;
        } else if (key.number != nullptr) {
            this->*key.number = DecimalToInt(value);
        } else if (key.flag != nullptr) {
            (this->*key.flag).SetText(value);
        } else if (CameraConfig.Decode(value)) {
            CameraConfigPresent = true;
        }
    }
    if (PreviewZoomFactor < kMinPreviewZoomFactor || PreviewZoomFactor > kMaxPreviewZoomFactor) {
        PreviewZoomFactor = kDefaultPreviewZoomFactor;
    }
    if (DarkFlatDelaySeconds < 0 || DarkFlatDelaySeconds > kMaxDarkFlatDelaySeconds) {
        DarkFlatDelaySeconds = kDefaultDarkFlatDelaySeconds;
    }
    if (PreviewModeText == "3") PreviewModeText = "2";
    loaded_ = true;

    switch (result.status) {
        case IniFile::LoadStatus::Loaded: loadWarning_.clear(); break;
        case IniFile::LoadStatus::Missing: loadWarning_ = "W Settings file not found, using defaults: " + path; break;
        case IniFile::LoadStatus::Unreadable:
            loadWarning_ = "W Settings file unreadable (" + result.detail + "), using defaults: " + path;
            break;
        case IniFile::LoadStatus::Damaged:
            loadWarning_ = "W Settings file damaged (" + result.detail + "), using defaults for missing values: " + path;
            break;
    }
    loadWarningLogged_ = false;
    LogLoadWarning();
}

void Settings::LogLoadWarning() {
    if (loadWarning_.empty() || loadWarningLogged_ || !IsLogOpen()) return;
    LogMessage(loadWarning_);
    if (fileProtected_) {
        const std::string copy =
            protectedCopy_.empty() ? std::string(", no copy could be kept") : ", a copy is kept as " + protectedCopy_;
        LogMessage("W Settings file is left as it is, nothing is saved until the next start" + copy + ": " + FilePath());
    }
    loadWarningLogged_ = true;
}

bool Settings::WriteStore(const char* operation) {
    if (fileProtected_) {
        if (!protectedRefusalLogged_) {
            LogMessage(std::string("E ") + operation + " refused, the settings file could not be read: " + FilePath());
            protectedRefusalLogged_ = true;
        }
        ShowProtectedNotice();
        return false;
    }
    std::string error;
    if (store_.Save(FilePath(), error)) {
        saveFailureShown_ = false;
        return true;
    }
    LogMessage(std::string("E ") + operation + " failed, the previous file is kept: " + error);
    // Shown once while saves keep failing: a panel saves on every change.
    if (!saveFailureShown_) Show("Failed to save the settings (" + error + "). The previous settings file is kept.");
    saveFailureShown_ = true;
    return false;
}

bool Settings::Save() {
    ReadStoreOnce();
    for (const Key& key : Keys()) {
        if (!key.saved) continue;
        if (key.text != nullptr) {
            store_.Set(kSection, key.name, this->*key.text);
        } else if (key.number != nullptr) {
            store_.Set(kSection, key.name, std::to_string(this->*key.number));
        } else if (key.flag != nullptr) {
            store_.Set(kSection, key.name, (this->*key.flag).Text());
        } else {
            store_.Set(kSection, key.name, CameraConfigPresent ? CameraConfig.Encode() : std::string());
        }
    }
    const bool saved = WriteStore("Settings::Save");

    // The new values are in effect whether or not they reached the disk.
    if (instrumentChanged_) {
        instrumentChanged_ = false;
        center_.Publish(kTopicInstrumentChanged);
    }
    if (solverChanged_) {
        solverChanged_ = false;
        center_.Publish(kTopicSolverChanged);
    }
    return saved;
}

bool Settings::ChangeSelection(std::string& field, const std::string& value, bool& changedFlag) {
    if (field == value) return false;
    field = value;
    changedFlag = true;
    Save();
    return true;
}

bool Settings::SelectedInstrumentName(const std::string& name) {
    return ChangeSelection(selectedInstrumentName_, name, instrumentChanged_);
}

// Site, mount and observer raise no flag of their own; nothing is published for them.
bool Settings::SelectedSiteName(const std::string& name) {
    bool changed = false;
    return ChangeSelection(selectedSiteName_, name, changed);
}

bool Settings::SelectedMountName(const std::string& name) {
    bool changed = false;
    return ChangeSelection(selectedMountName_, name, changed);
}

bool Settings::SelectedObserverName(const std::string& name) {
    bool changed = false;
    return ChangeSelection(selectedObserverName_, name, changed);
}

bool Settings::PlateSolvingProgram(const std::string& program) {
    return ChangeSelection(plateSolvingProgram_, program, solverChanged_);
}

bool Settings::PlateSolvingAstrometryNetPath(const std::string& path) {
    return ChangeSelection(plateSolvingAstrometryNetPath_, path, solverChanged_);
}

bool Settings::PlateSolvingAstrometryNetApiKey(const std::string& key) {
    return ChangeSelection(plateSolvingAstrometryNetApiKey_, key, solverChanged_);
}

bool Settings::PlateSolvingAnsvrPath(const std::string& path) {
    return ChangeSelection(plateSolvingAnsvrPath_, path, solverChanged_);
}

int Settings::PreviewMode() const {
    const int mode = DecimalToInt(PreviewModeText);
    return mode >= 0 && mode <= 3 ? mode : 0;
}

std::string Settings::GetTelescopeRates(const std::string& driverId) {
    ReadStoreOnce();
    return store_.Get(kSection, "TelescopeRates." + driverId).value_or("");
}

bool Settings::SetTelescopeRates(const std::string& driverId, const std::string& rates) {
    ReadStoreOnce();
    store_.Set(kSection, "TelescopeRates." + driverId, rates);
    return WriteStore("Settings::SetTelescopeRates");
}

void Settings::ReadStoreOnce() {
    if (storeRead_) return;
    const IniFile::LoadResult result = store_.Load(FilePath());
    storeRead_ = true;
    if (result.status == IniFile::LoadStatus::Unreadable) ProtectUnreadableFile(result.detail);
}

}  // namespace orva
