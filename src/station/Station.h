#pragma once
// The composition root every front end shares: the GUI, the command line and the
// end-to-end tests build the station the same way. It owns and wires the camera manager
// with the main frame's camera logic and link recovery, the stream, the frame processor,
// the GPS log and the histogram buffer, and applies the camera settings (mode, exposure,
// gain) whenever a camera is connected, also after a link recovery.
//
// Tick() is the 200 ms housekeeping step (the main frame's timer): device removals,
// link recovery, the camera list, the event store's countdown and the events that came
// through the feed. Front ends call it from their timer; tests call it directly.
//
// The station owns the occultation event store; the event feed (a socket with a reader
// thread of its own) runs only when a front end starts it (StartEventFeed).
//
// A front end may watch the station through IMainFrameView (SetFrontEnd): the station
// forwards the window notifications to it, after it has applied its own camera settings.
//
// The station owns the observing tools (mount, plate solving, report, planetarium; see
// ObservingTools) and steps them on every Tick, so they work without any window.
//
// The station owns the firmware update's model for the life of the program and steps it
// on every Tick; a link broken while it is open closes it (as it closes a front end's).
//
// Threads: everything on the thread that built the station (the GUI thread's role),
// except the device-removal notifications, which arrive on the camera's thread and are
// queued for the next Tick, and the frame processor's read-outs (see FrameProcessor).

#include "camera/CameraManager.h"
#include "camera/FirmwareUpdateDialogModel.h"
#include "camera/GnssSelectionDialogModel.h"
#include "camera/IMainFrameView.h"
#include "camera/LinkRecoveryController.h"
#include "camera/MainFrameCameraClient.h"
#include "camera/SatConfigDialogModel.h"
#include "events/EquipmentLists.h"
#include "events/OwEventManager.h"
#include "events/OwEventReceiver.h"
#include "processing/CameraStreamAdapter.h"
#include "processing/FrameCameraAdapter.h"
#include "processing/FrameProcessor.h"
#include "processing/GpsLog.h"
#include "processing/GuidingService.h"
#include "processing/ThreadSafeDoubleBuffer.h"
#include "recording/RecordingControl.h"
#include "recording/RecordingNames.h"
#include "station/ObservingTools.h"
#include "station/PictureSnapshot.h"
#include "station/StationPlateSolvingCapture.h"
#include "station/StationCameraSettings.h"
#include "station/StationOptions.h"
#include "stream/COrvaMediaStream.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orva {

class Station final : public IMainFrameView, public ILinkRecoveryCameraStatusInteraction {
public:
    // The firmware update's share of each 200 ms tick: half, so the rest of the tick's
    // work and the window stay responsive.
    static constexpr Clock::Duration kFirmwareUpdateBudget = std::chrono::milliseconds(100);

    explicit Station(const StationOptions& options);
    // Shuts down in order (see Shutdown).
    ~Station() override;
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // Opens the GPS log when "GpsLogEnabled" is "TRUE" and hands the settings the frame
    // path follows to the frame processor. Call again after the settings changed.
    void ApplySettings();

    void SetFrontEnd(IMainFrameView* frontEnd) { frontEnd_ = frontEnd; }
    void SetCameraSettings(const StationCameraSettings& settings) { cameraSettings_ = settings; }
    // Applies the camera settings to the active camera now (the panel's controls changed);
    // a new video mode only while the stream is stopped. False when they do not fit it.
    bool ApplyCameraSettings(std::string& error);
    const StationCameraSettings& CameraSettings() const { return cameraSettings_; }
    // The panel changed some settings: sends only what differs from the settings applied
    // last, and keeps them for the next connect and link recovery. A new video mode only
    // while the stream is stopped. False when no camera is connected (the settings are
    // kept for the next one) or when they do not fit it (nothing changes); `error` says why.
    bool ChangeCameraSettings(const StationCameraSettings& settings, std::string& error);
    // The camera commands outside the camera settings: the picture's overlay, the 1PPS
    // marker, and clipping at overflow (the frame path clips too). Nothing while no
    // camera is connected.
    void SetOverlayMode(int index);
    void ShowPpsMarker(bool on);
    void ClipOnOverflow();
    // The live view marks overflowing pixels (the frame path composes the marks).
    void ShowOverflow(bool on);

    // Connecting. The list is refreshed only while no camera is active.
    void RefreshCameraList();
    const CameraManager::CameraList& CameraList() const;
    // Connects the listed camera with this symbolic link and applies the camera settings.
    // False when the camera is not listed or the settings do not fit it (`error` says
    // why), or when it could not be activated (a message has said why; `error` empty).
    // The link is taken by value: the list it may come from is rebuilt on the way.
    bool Connect(std::string symbolicLink, std::string& error);
    void Disconnect();
    bool IsConnected() const { return manager_.ActiveCameraUnit() != nullptr; }
    // The connected camera; none while disconnected.
    std::shared_ptr<CameraUnit> ActiveCamera() const { return manager_.ActiveCameraUnit(); }
    // The connected camera's name as the system lists it; empty while disconnected.
    std::string ActiveCameraName() const;
    // The Connect menu's entries and the Restart command (a camera that stopped answering).
    ConnectMenuModel ConnectMenu() const;
    void RestartCamera();
    // A lost link is being recovered; its status text (the panel's error counters).
    bool RecoveryActive() const { return manager_.RecoveryActive(); }
    const std::string& RecoveryStatusText() const { return manager_.RecoveryStatusText(); }
    LinkRecoveryState RecoveryState() const { return recovery_.State(); }
    // The GNSS receiver's windows' models, on the station's camera.
    std::unique_ptr<SatConfigDialogModel> MakeSatConfigDialog();
    std::unique_ptr<GnssSelectionDialogModel> MakeGnssSelectionDialog();

    // Streaming. StartStreaming logs the sensor's calibration status and waits for the
    // stream to run; false without an active camera or when the stream did not start.
    bool StartStreaming();
    // Takes the frame processor off the stream first (a frame being consumed finishes),
    // then stops the stream.
    void StopStreaming();
    bool IsStreaming() { return stream_->IsStreaming(); }
    // A picture of the stream for a front end without a live view (the command line):
    // RequestPicture asks for the next frame's calibrated picture, in the live view's
    // place on the frame path (so not while a live view shows the stream); TakePicture
    // returns it once it arrived.
    void RequestPicture();
    std::optional<FramePicture> TakePicture() { return snapshot_.Take(); }

    // The live view: the front end's picture, a new one whenever it asks (once per
    // request), and the histogram of the frames shown.
    void SetDisplayTarget(IDisplayTarget* target) { processor_->SetDisplayTarget(target); }
    void RequestDisplay() { processor_->RequestDisplay(); }
    ThreadSafeDoubleBuffer& Histogram() { return histogram_; }
    // Frame counts of the stream: the last frame's number, the frames missed since the
    // counter was reset and the numbers of the missed frames; whether the GPS has a full
    // fix on the last frame.
    int32_t CurrentFrameNumber() const { return processor_->CurrentFrameNumber(); }
    int64_t MissedTotal() const { return processor_->MissedTotal(); }
    std::vector<int32_t> MissedFrameList() const { return processor_->MissedFrameList(); }
    bool FullFix() const { return processor_->FullFix(); }

    // Single FITS captures (light, dark, flat, plate-solving image): the file claimed for
    // one of this kind ('D', 'F', 'P'; 0 a light frame), none when it cannot be made (a
    // message has said why); the job writing it with the current names (false while
    // another runs); whether the file is finished; why the last capture failed.
    std::optional<std::string> PrepareCapturePath(char kind);
    bool StartFitsCapture(FitsRecordingJob& job, const std::string& path);
    bool IsFitsFileCompleted(const std::string& path) const { return processor_->IsFitsFileCompleted(path); }
    std::optional<std::string> TakeCaptureFailure() { return processor_->TakeCaptureFailure(); }

    void Tick();
    // The device removals posted since the last call, handed to the camera logic; the
    // number that were the active camera's. Tick does this first.
    int HandleDeviceNotifications();

    // While set, every (re)connect sends the camera's recording marker: a camera back
    // from a lost link starts without it.
    void SetRecordingMarker(bool on) { recordingMarker_ = on; }

    // The active camera as recording control needs it, with a copy of its identification
    // and status for the writers.
    RecordingCamera CurrentRecordingCamera();
    // Arc seconds per pixel of the connected camera's mode with the selected instrument
    // (focal length times its factor), the plate solver's scale hint; 0 when unknown.
    double GetImageScale() const;
    // The current observer, instrument and site, and the camera's description.
    RecordingNames CurrentRecordingNames() const;

    // The event feed's socket and reader thread; false (logged) when the socket could not
    // be made, the station then runs without the feed.
    bool StartEventFeed(const OwEventReceiver::Options& options);
    OwEventManager& Events() { return events_; }
    // The selected equipment's names, as the event store keeps them with a recording.
    RecordingEquipment CurrentEquipment() const;
    // The four equipment lists, as the event windows pick names from them.
    EquipmentLists Equipment() const { return {observers_, sites_, instruments_, mounts_}; }

    // Stops the observing tools' workers, the event feed and the stream, disconnects the
    // camera, closes the GPS log. Safe to call twice.
    void Shutdown();

    Settings& GetSettings() { return settings_; }
    IUiServices& Ui() { return ui_; }
    Clock& GetClock() { return clock_; }
    GuidingService& Guiding() { return guiding_; }
    FirmwareUpdateDialogModel& FirmwareUpdateDialog() { return firmwareUpdate_; }
    ObservingTools& Tools() { return tools_; }
    // For front ends without a window: plate solving records new frames with the
    // station's own capture, which Tick starts. Call before the plate-solving worker
    // starts; false when it already runs. (A window brings a capture of its own.)
    bool UseOwnPlateSolvingCapture();
    // The active camera's mode and gain text (valid while connected).
    const VideoResolution* Mode() const { return mode_; }
    const std::string& GainText() const { return gainText_; }
    // The exposure as the panel's "Exp (ms)" field shows it ("%g").
    std::string ExposureText() const;

    // IMainFrameView
    void LoadCameraControls(CameraUnit* unit) override;
    void SetStatisticsCountdown(int ticks) override;
    void RefreshCommandStates() override;
    void RefreshMenus() override;
    bool IsFirmwareUpdateDialogOpen() override;
    void CloseFirmwareUpdateDialogCancelled() override;
    ILinkRecoveryCameraStatusInteraction* CameraPanel() override { return this; }

    // ILinkRecoveryCameraStatusInteraction
    bool SaveCameraStatus(LinkRecoverySnapshot& snapshot) override;
    void RestoreCameraStatus(const LinkRecoverySnapshot& snapshot) override;

private:
    // The station's parts, for its own models (which carry out what the front ends ask)
    // and for the tests that look inside; front ends ask the station instead.
    friend class CameraPanelModel;
    friend class CalibrationFramesModel;
    friend class FitsCaptureModel;
    friend class RecordingCommandsModel;
    friend class RecordingSession;
    friend class StationInside;
    CameraManager& Manager() { return manager_; }
    MainFrameCameraClient& CameraClient() { return *cameraClient_; }
    LinkRecoveryController& Recovery() { return recovery_; }
    COrvaMediaStream& Stream() { return *stream_; }
    FrameProcessor& Processor() { return *processor_; }

    CameraExtensionUnit* ActiveExtensionUnit() const;
    void ApplyCameraSettings(CameraUnit& unit);
    // Empty when the settings fit the camera, else why not.
    std::string CheckCameraSettings(const CameraModel& model, const StationCameraSettings& settings) const;
    void ApplyMode(CameraUnit& unit, const VideoResolution& mode);
    // Exposure, gain, flip, black level, high gain, bit depth, inversion and the recording
    // marker; with `previous` only what differs from it.
    void ApplyExposureAndGain(CameraUnit& unit, const StationCameraSettings* previous = nullptr);
    void SendExposure(CameraUnit& unit);

    Settings& settings_;
    IUiServices& ui_;
    Clock& clock_;
    const EquipmentManager& observers_;
    const EquipmentManager& sites_;
    const EquipmentManager& instruments_;
    const EquipmentManager& mounts_;
    OwEventManager events_;
    OwEventReceiver eventFeed_{events_.Inbox()};
    // Before the frame path: the frame processor may hold its job until it is destroyed.
    std::unique_ptr<StationPlateSolvingCapture> solvingCapture_;
    std::unique_ptr<COrvaMediaStream> stream_;
    CameraStreamAdapter streamAdapter_;
    CameraManager manager_;
    LinkRecoveryController recovery_;
    FrameCameraSlot cameraSlot_;
    GuidingService guiding_;
    GpsLog gpsLog_;
    ThreadSafeDoubleBuffer histogram_;
    PictureSnapshot snapshot_;  // outlives the frame processor that fills it
    std::unique_ptr<FrameProcessor> processor_;
    std::unique_ptr<MainFrameCameraClient> cameraClient_;
    FirmwareUpdateDialogModel firmwareUpdate_;
    ObservingTools tools_;
    IMainFrameView* frontEnd_ = nullptr;

    StationCameraSettings cameraSettings_;
    // The stall watchdog reads the exposure on the producer thread.
    std::atomic<double> exposureMs_{40.0};
    const VideoResolution* mode_ = nullptr;
    std::string gainText_;
    bool recordingMarker_ = false;
    std::string settingsError_;
    bool shutDown_ = false;

    std::mutex postedMutex_;
    std::deque<DeviceChangeNotification> posted_;
    std::deque<std::pair<std::string, std::string>> postedWarnings_;  // title, text
};

}  // namespace orva
