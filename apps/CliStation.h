#pragma once
// The station without windows: the simulated camera as the device layer lists it, the
// camera manager with the main frame's camera logic and link recovery, the stream, and
// the frame processor, wired as the GUI wires them. It stands in for the camera panel:
// on every connect (also after a link recovery) it selects the video mode, applies
// exposure and gain, points the stream and the frame processor at the camera, and puts
// the camera's recording marker back while a recording runs.
//
// Tick() is the main frame's 200 ms timer: it hands device removals to the camera logic
// and steps a link recovery.
//
// Threads: everything on the thread that made the station (the GUI thread's role), except
// the removal notifications, which are queued from the camera's thread.

#include "CliFaultPlan.h"
#include "CliUiServices.h"

#include "camera/CameraManager.h"
#include "camera/LinkRecoveryController.h"
#include "camera/MainFrameCameraClient.h"
#include "processing/CameraStreamAdapter.h"
#include "processing/FrameCameraAdapter.h"
#include "processing/FrameProcessor.h"
#include "processing/GpsLog.h"
#include "processing/GuidingService.h"
#include "processing/ThreadSafeDoubleBuffer.h"
#include "simcam/SimDeviceEnumerator.h"
#include "simcam/SimulatedCamera.h"
#include "stream/COrvaMediaStream.h"

#include <deque>
#include <memory>
#include <mutex>
#include <string>

namespace orva {

struct CliCameraSettings {
    uint8_t sensorCode = 7;
    int modeIndex = 0;
    double exposureMs = 40.0;
    int gainIndex = 0;
    int frameProcessorThreads = 4;
};

class CliStation final : public IMainFrameView, public ILinkRecoveryCameraStatusInteraction {
public:
    explicit CliStation(const CliCameraSettings& settings, std::vector<CliFault> faults = {});
    ~CliStation() override;
    CliStation(const CliStation&) = delete;
    CliStation& operator=(const CliStation&) = delete;

    // Lists the cameras and connects the simulated one. False, with `error` (empty when a
    // message already said why), when it cannot be connected or the mode, exposure or
    // gain do not fit the camera.
    bool Connect(std::string& error);
    // Starts the stream with the camera's delivery held, so that nothing is made yet.
    bool StartStreamingHeld();
    void ReleaseDelivery() { camera_->HoldDelivery(false); }
    // The fault plan starts counting at the next frame the camera makes.
    void RestartFaultPlan();
    // Stops the stream and takes the frame processor off it: after this no frame reaches
    // the processor any more.
    void StopFrames();

    // The main frame's timer tick.
    void Tick();

    // While set, every (re)connect sends the camera's recording marker.
    void SetRecordingMarker(bool on) { recordingMarker_ = on; }

    SimulatedCamera& Camera() { return *camera_; }
    CameraManager& Manager() { return manager_; }
    COrvaMediaStream& Stream() { return *stream_; }
    FrameProcessor& Processor() { return *processor_; }
    CliUiServices& Ui() { return ui_; }
    LinkRecoveryController& Recovery() { return recovery_; }
    const CliCameraSettings& Settings() const { return settings_; }
    // The gain text and mode of the connected camera (valid after Connect).
    const std::string& GainText() const { return gainText_; }
    const VideoResolution* Mode() const { return mode_; }

    // IMainFrameView
    void LoadCameraControls(CameraUnit* unit) override;
    void SetStatisticsCountdown(int) override {}
    void RefreshCommandStates() override {}
    void RefreshMenus() override {}
    bool IsFirmwareUpdateDialogOpen() override { return false; }
    void CloseFirmwareUpdateDialogCancelled() override {}
    ILinkRecoveryCameraStatusInteraction* CameraPanel() override { return this; }

    // ILinkRecoveryCameraStatusInteraction
    bool SaveCameraStatus(LinkRecoverySnapshot& snapshot) override;
    void RestoreCameraStatus(const LinkRecoverySnapshot& snapshot) override;

private:
    void ApplyCameraSettings(CameraUnit& unit);
    void ApplyExposureAndGain(CameraUnit& unit);

    const CliCameraSettings settings_;
    std::shared_ptr<SimulatedCamera> camera_;
    CliFaultPlan* faultPlan_ = nullptr;  // owned by the camera
    SimDeviceEnumerator devices_;
    std::unique_ptr<COrvaMediaStream> stream_;
    CameraStreamAdapter streamAdapter_;
    CameraManager manager_;
    CliUiServices ui_;
    LinkRecoveryController recovery_;
    FrameCameraSlot cameraSlot_;
    GuidingService guiding_;
    GpsLog gpsLog_;
    ThreadSafeDoubleBuffer histogram_;
    std::unique_ptr<FrameProcessor> processor_;
    std::unique_ptr<MainFrameCameraClient> frame_;
    std::mutex postedMutex_;
    std::deque<DeviceChangeNotification> posted_;
    const VideoResolution* mode_ = nullptr;
    std::string gainText_;
    bool recordingMarker_ = false;
    bool settingsError_ = false;
    std::string settingsErrorText_;
};

}  // namespace orva
