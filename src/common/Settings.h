#pragma once
// Every persistent option of the station, kept in "ORVA Cam Control.ini", section
// "[Settings]", in the configuration folder. Loaded once at start; every later change
// goes through a setter or the settings dialog and ends in Save.
//
// Threads: GUI thread only. Worker threads read plain values (directories, thread count,
// flags) that were loaded before they started.
//
// A file that exists but cannot be read (an I/O error, no permission, far too large) is
// never overwritten: the station runs on the defaults, keeps a copy of the file when it
// can be read at all ("<file>.unreadable", then "<file>.unreadable-2" ...), tells the
// user once and refuses every save until the next start.
//
// Plain values are public fields named after their keys: assign them, then call Save.
// The selections that other windows follow (instrument, site, mount, observer and the
// solver values) have setters that save and publish the change.

#include "common/CameraConfiguration.h"
#include "common/IniFile.h"
#include "common/SettingsFlag.h"

#include <span>
#include <string>
#include <string_view>

namespace orva {

class IUiServices;
class NotificationCenter;

class Settings {
public:
    static constexpr const char* kFileName = "ORVA Cam Control.ini";
    static constexpr const char* kSection = "Settings";
    static constexpr int kDefaultPreviewZoomFactor = 100;
    // "DarkFlatDelaySeconds" outside 0..kMax loads as its default: the countdown counts
    // half seconds in an int.
    static constexpr int kDefaultDarkFlatDelaySeconds = 10;
    static constexpr int kMaxDarkFlatDelaySeconds = 3600;

    // The process-wide object in AppPaths::ConfigDirectory(), created on first use.
    static Settings& Instance();
    // An object stored in "<directory>/ORVA Cam Control.ini", publishing on the centre.
    Settings(std::string directory, NotificationCenter& center);
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    std::string FilePath() const;
    // The centre the settings publish their changes on; the window publishes its own there.
    NotificationCenter& Notifications() { return center_; }

    // Where the unreadable file and failed saves are shown (none: only logged). A load
    // problem not shown yet is shown at once.
    void SetUiServices(IUiServices* ui);

    // Reads every key, with its default where the file lacks it. A file that is missing
    // or not wholly readable gives one warning: logged at once if the log is open, else
    // kept for LogLoadWarning.
    void Load();
    // True after a Load that found the file but could not read it: nothing is written.
    bool IsFileProtected() const { return fileProtected_; }
    bool IsLoaded() const { return loaded_; }
    // The warning of the last Load, empty when the file was read whole.
    const std::string& LoadWarning() const { return loadWarning_; }
    // Logs the warning of the last Load if it has not been logged and the log is open.
    void LogLoadWarning();

    // Writes the saved keys, then publishes a pending instrument or solver change.
    // False (an "E" log line, and shown) when the file could not be written or is
    // protected; the old one is kept.
    bool Save();

    // The selection setters: a different text (compared case-sensitively) is stored,
    // flagged as changed and saved, and the setter returns true; the same text does nothing.
    const std::string& SelectedInstrumentName() const { return selectedInstrumentName_; }
    bool SelectedInstrumentName(const std::string& name);
    const std::string& SelectedSiteName() const { return selectedSiteName_; }
    bool SelectedSiteName(const std::string& name);
    const std::string& SelectedMountName() const { return selectedMountName_; }
    bool SelectedMountName(const std::string& name);
    const std::string& SelectedObserverName() const { return selectedObserverName_; }
    bool SelectedObserverName(const std::string& name);
    const std::string& PlateSolvingProgram() const { return plateSolvingProgram_; }
    bool PlateSolvingProgram(const std::string& program);
    const std::string& PlateSolvingAstrometryNetPath() const { return plateSolvingAstrometryNetPath_; }
    bool PlateSolvingAstrometryNetPath(const std::string& path);
    const std::string& PlateSolvingAstrometryNetApiKey() const { return plateSolvingAstrometryNetApiKey_; }
    bool PlateSolvingAstrometryNetApiKey(const std::string& key);
    const std::string& PlateSolvingAnsvrPath() const { return plateSolvingAnsvrPath_; }
    bool PlateSolvingAnsvrPath(const std::string& path);

    // PreviewModeText as a number: 0..3, anything else 0.
    int PreviewMode() const;

    // The rate configuration stored per telescope driver ("TelescopeRates.<id>").
    std::string GetTelescopeRates(const std::string& driverId);
    // Writes it at once; false (logged) when the file could not be written.
    bool SetTelescopeRates(const std::string& driverId, const std::string& rates);

    // Values in the order of the file. Texts unless marked; read-only ones are never saved.
    std::string NofFrameProcessorThreads;  // read-only
    std::string FitsDirectory;
    std::string SerDirectory;
    std::string AdvDirectory;
    SettingsFlag CreateStatusCsvFile;
    SettingsFlag EnableAdvCompression;
    std::string DarkFramesDirectory;
    std::string FlatFramesDirectory;
    std::string LogDirectory;  // empty: logging off
    SettingsFlag GpsLogEnabled;
    SettingsFlag PerformanceLogEnabled;
    std::string UpdateFirmwareFile;
    SettingsFlag AutoStartStreaming;
    std::string PreviewModeText;  // key "PreviewMode"
    std::string PlateSolvingUrl;
    std::string PlateSolvingApiKey;
    std::string PlateSolvingAstapPath;
    std::string PlateSolvingSolveFieldPath;  // empty: "solve-field" on PATH
    std::string PlateSolvingWcsinfoPath;     // empty: "wcsinfo" on PATH
    std::string TelescopeDriver;
    std::string ReportsDirectory;
    std::string ReportFileNameTemplate;
    SettingsFlag ShowOverflow;
    std::string RecordingWithOptionsFormat;
    std::string RecordingWithOptionsDefaultDurationSec;
    int NightPlanLeadTimeSec = 180;
    int NightPlanToleranceArcsec = 30;
    std::string C2awExePath;
    // The program that opens a written report (the report's path is its one argument).
    std::string ReportEditor;
    int PreviewZoomFactor = kDefaultPreviewZoomFactor;  // 10..1000 percent
    int UseTimeResolution100us = 0;
    int DarkFlatDelaySeconds = 0;  // read-only
    int RaTrackingSpeedE5 = 0;     // read-only
    int GuidingTrackingRadius = 0;
    std::string GuidingDirections;
    SettingsFlag NightVision;  // the window in dark red on black
    std::string SimbadServer;  // host[:port] of the SIMBAD service
    // Empty until the workspace notice was shown once (see WorkspaceReset).
    std::string ToolbarVersion;
    // The main window's saved workspace, as base64 of the window toolkit's own blobs:
    // window geometry, toolbar and docking state; whether the status bar is shown (open:
    // shown). All empty: the default layout.
    std::string WorkspaceGeometry;
    std::string WorkspaceState;
    // The toolbars and their commands as customised (see ToolbarLayout); empty: the default.
    std::string WorkspaceToolbars;
    SettingsFlag WorkspaceStatusBar;
    // Key "CameraConfiguration". Set CameraConfigPresent when writing the record: an absent
    // record is saved as empty text, so it stays absent after a restart.
    CameraConfiguration CameraConfig;
    bool CameraConfigPresent = false;

private:
    struct Key;
    static std::span<const Key> Keys();

    bool ChangeSelection(std::string& field, const std::string& value, bool& changedFlag);
    // Reads the file once, so that a save before Load keeps what the file holds.
    void ReadStoreOnce();
    // Marks the file as not to be overwritten and keeps a copy when it can be read at all.
    void ProtectUnreadableFile(const std::string& detail);
    // Writes the store; false (logged as `operation`, shown) when protected or failed.
    bool WriteStore(const char* operation);
    // False when there is nobody to show it to.
    bool Show(const std::string& text);
    void ShowProtectedNotice();

    std::string directory_;
    NotificationCenter& center_;
    IniFile store_;  // the file's content as last read or written
    bool storeRead_ = false;
    bool loaded_ = false;
    std::string loadWarning_;
    bool loadWarningLogged_ = false;
    IUiServices* ui_ = nullptr;
    bool fileProtected_ = false;
    std::string protectedNotice_;  // said to the user once
    std::string protectedCopy_;    // where the unreadable file was copied; empty: nowhere
    bool protectedRefusalLogged_ = false;
    bool protectedNoticeShown_ = false;
    bool saveFailureShown_ = false;

    std::string selectedSiteName_;
    std::string selectedMountName_;
    std::string selectedObserverName_;
    std::string selectedInstrumentName_;
    std::string plateSolvingProgram_;
    std::string plateSolvingAstrometryNetPath_;
    std::string plateSolvingAstrometryNetApiKey_;
    std::string plateSolvingAnsvrPath_;
    bool instrumentChanged_ = false;
    bool solverChanged_ = false;
};

}  // namespace orva
