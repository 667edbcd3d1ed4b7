#pragma once
// The desktop station's main window: the camera control panel (CMainForm), the live view
// with the histogram, the percentile buttons, the line profile and the record's text
// beside it; the Camera menu (Connect, Disconnect, Restart, streaming, firmware update,
// satellite configuration), the Record menu and toolbar (SER, ADV, FITS sequence, stop,
// FITS light, dark and flat frames), the View menu (zoom, crosshair, zones, night vision,
// missed frames, toolbar and status bar); the status bar with the disk space while
// recording; Ctrl+arrow keys in any of its windows move the mount (TelescopeKeyFilter).
// Its 200 ms timer is the station's housekeeping tick, its 100 ms timer the
// live view's refresh and the recording and capture models' step. The toolbar's place,
// the status bar and the window's placement are kept in the settings from one run to the
// next.
// Closing it hides the tool windows, ends a running recording with its last frames,
// joins the tool windows' workers, then stops the stream and disconnects the camera.
//
// Threads: GUI thread only, except OnPlateSolvingCompleted (the solving worker), which
// only posts to the GUI thread. The frame path reaches the view only through
// LiveViewTarget and the lookup table slot; nothing is drawn from another thread.

#include "camera/IMainFrameView.h"
#include "display/HistogramControlModel.h"
#include "display/LiveViewGuiding.h"
#include "display/LiveViewTarget.h"
#include "display/LookupTableSlot.h"
#include "display/ProfileAverager.h"
#include "display/ZoneMatrix.h"
#include "equipment/EquipmentSelectionModel.h"
#include "station/CalibrationFramesModel.h"
#include "station/CameraPanelModel.h"
#include "station/FitsCaptureModel.h"
#include "station/LiveViewOptionsModel.h"
#include "station/MainFrameModel.h"
#include "station/PlateSolvingCaptureBridge.h"
#include "station/PlateSolvingOffsetOverlay.h"
#include "ui/ToolWindows.h"
#include "station/RecordingCommandsModel.h"
#include "station/RecordingWithOptionsModel.h"
#include "station/ToolbarLayout.h"
#include "telescope/IPlateSolvingCompletedListener.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <map>
#include <optional>
#include <string>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QToolBar;

namespace orva {

class EquipmentManager;
class CCursorPeekControl;
class CD2DControl;
class CDlgDarkFlat;
class CDlgFwUpdate;
class CDlgRecordingWithOptions;
class CHistogramControl;
class CMainForm;
class Station;
class TelescopeKeyFilter;

class CMainFrame final : public QMainWindow, public IMainFrameView, public IPlateSolvingCompletedListener {
public:
    static constexpr int kHousekeepingMs = 200;
    static constexpr int kRefreshMs = 100;
    // The version the saved toolbar and docking state is written with; another is ignored.
    static constexpr int kWorkspaceVersion = 1;

    // `freeSpace` tells the disk space of the recording folder and `utcNow` the time of
    // day the timed recordings follow (tests replace them).
    // The lists the equipment dialogs edit; null: the process's lists (opened on first use).
    struct EquipmentLists {
        EquipmentManager* observers = nullptr;
        EquipmentManager* sites = nullptr;
        EquipmentManager* instruments = nullptr;
        EquipmentManager* mounts = nullptr;
    };

    explicit CMainFrame(Station& station, QWidget* parent = nullptr,
                        DiskSpaceModel::FreeSpaceSource freeSpace = &DiskSpaceModel::FileSystemFreeSpace,
                        std::function<UtcDateTime()> utcNow = &UtcNow);
    ~CMainFrame() override;

    // Connects the listed camera with this symbolic link; false when it could not be.
    // Taken by value: connecting lists the cameras again, which replaces the entries a
    // caller's reference could point into.
    bool ConnectCamera(std::string symbolicLink);
    void StartStreaming();
    void StopStreaming();
    void SetNightVision(bool on);
    bool NightVision() const { return nightVision_; }

    // The live view's parts, for the station's test hooks and the tests.
    HistogramControlModel& Histogram() { return histogram_; }
    CD2DControl& View() { return *view_; }
    CHistogramControl& HistogramControl() { return *histogramControl_; }
    LiveViewTarget& Target() { return target_; }
    ZoneMatrix& Zones() { return zones_; }
    QAction* Action(MainFrameModel::Command command) { return actions_.at(command); }
    QMenu* CameraMenu() { return cameraMenu_; }
    QToolBar* RecordToolbar() { return recordToolbar_; }
    // The toolbars as arranged, the Record toolbar first.
    const std::vector<QToolBar*>& Toolbars() const { return toolbars_; }
    const ToolbarLayout& ToolbarArrangement() const { return toolbarLayout_; }
    // Puts the toolbars and their commands as arranged and keeps the arrangement.
    void ArrangeToolbars(const ToolbarLayout& layout);
    void SetEquipmentLists(const EquipmentLists& lists) {
        equipment_ = lists;
        equipmentSelection_.reset();
    }
    // The panel's equipment lists over the lists in use (made on first use).
    EquipmentSelectionModel& EquipmentSelection();
    CMainForm& Form() { return *form_; }
    ToolWindows& Tools() { return *tools_; }
    Station& GetStation() { return station_; }
    CameraPanelModel& Panel() { return panel_; }
    LiveViewOptionsModel& ViewOptions() { return viewOptions_; }
    RecordingCommandsModel& Recording() { return recording_; }
    FitsCaptureModel& Capture() { return capture_; }
    RecordingWithOptionsModel& RecordingOptions() { return recordingOptions_; }
    // The "Recording with Options" dialog, null until first opened.
    CDlgRecordingWithOptions* RecordingOptionsDialog() { return optionsDialog_; }
    // The open firmware update dialog, null when none.
    CDlgFwUpdate* FirmwareUpdateDialog();
    // The open dark/flat dialog, null when none.
    CDlgDarkFlat* DarkFlatDialog();
    QLabel* DiskStatus() { return diskStatus_; }
    // One step of each timer, as the timers run them.
    void HousekeepingTick();
    void RefreshView();
    // Redraws the menus' enabling and the Connect entries.
    void UpdateCommands();

    // IMainFrameView
    void LoadCameraControls(CameraUnit* unit) override;
    void SetStatisticsCountdown(int) override {}
    void RefreshCommandStates() override { UpdateCommands(); }
    void RefreshMenus() override { UpdateCommands(); }
    bool IsFirmwareUpdateDialogOpen() override { return false; }
    void CloseFirmwareUpdateDialogCancelled() override {}
    ILinkRecoveryCameraStatusInteraction* CameraPanel() override { return nullptr; }

    // IPlateSolvingCompletedListener: called on the solving worker's thread; the view's
    // mirroring is set again from the stored flip text on the GUI thread.
    void OnPlateSolvingCompleted() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    QWidget* BuildSidePanel();
    QAction* AddCommand(QMenu* menu, MainFrameModel::Command command);
    void RebuildConnectEntries();
    MainFrameState State();
    void BuildRecordingCommands();
    void BuildEditMenu();
    void BuildToolsMenu();
    // "Import Occult XML...": the file through the picker into the event store.
    void ImportOccultXml();
    void TakeFits(char kind);
    void StepRecording();
    void ShowMissedFrames();
    void OpenFirmwareUpdate();
    // The program icon at 32x32 and 16x16, each size logged.
    void SetProgramIcon();
    void ShowAbout();
    // The window's own commands: the dialogs it does not have, the toolbar and status bar
    // toggles.
    void BuildShellCommands();
    // The edit commands act on the text field that has the focus; none: null.
    static QLineEdit* FocusedTextField();
    void ApplyFlipMirroring();
    // The offset arrow to the next event's star over the live view, while its check box is on.
    void RefreshPlateSolvingOffset();
    // The view, the View menu's crosshair and the panel show the live view's options.
    void ShowViewOptions();
    // Makes the toolbars of the arrangement, filled with their commands.
    void BuildToolbars();
    // The layout of the last session from the settings; a damaged one is ignored.
    void RestoreWorkspace();
    void SaveWorkspace();
    // Ends a running recording as the Stop command would, while the camera still sends.
    void FinishRecording();
    void ShutDown();

    Station& station_;
    LookupTableSlot table_;
    HistogramControlModel histogram_;
    LiveViewTarget target_;
    ZoneMatrix zones_;
    LiveViewGuiding guidingView_;
    ProfileAverager profile_;
    CameraPanelModel panel_;
    LiveViewOptionsModel viewOptions_;
    CalibrationFramesModel calibration_;
    RecordingCommandsModel recording_;
    FitsCaptureModel capture_;
    // The plate-solving worker's new frames are captured here, on this window's timer.
    PlateSolvingCaptureBridge solveCapture_;
    RecordingWithOptionsModel recordingOptions_;
    PlateSolvingOffsetOverlay solveOffset_;
    CDlgRecordingWithOptions* optionsDialog_ = nullptr;
    EquipmentLists equipment_;
    std::unique_ptr<EquipmentSelectionModel> equipmentSelection_;
    CMainForm* form_ = nullptr;
    QPointer<CDlgDarkFlat> darkFlat_;
    QPointer<CDlgFwUpdate> firmwareUpdate_;
    QLabel* diskStatus_ = nullptr;
    CD2DControl* view_ = nullptr;
    TelescopeKeyFilter* keyFilter_ = nullptr;
    CHistogramControl* histogramControl_ = nullptr;
    CCursorPeekControl* profileControl_ = nullptr;
    QLabel* textLine_ = nullptr;
    QLabel* status_ = nullptr;
    QMenu* cameraMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QMenu* toolsMenu_ = nullptr;
    QToolBar* recordToolbar_ = nullptr;
    std::vector<QToolBar*> toolbars_;
    ToolbarLayout toolbarLayout_;
    QMenu* connectMenu_ = nullptr;
    QAction* connectSingle_ = nullptr;
    std::map<MainFrameModel::Command, QAction*> actions_;
    std::vector<std::string> connectEntries_;  // the names the Connect entries show
    QTimer housekeeping_;
    QTimer refresh_;
    bool nightVision_ = false;
    bool closing_ = false;
    // Last: the tool windows and their worker threads go before the window's children.
    std::unique_ptr<ToolWindows> tools_;
};

}  // namespace orva
