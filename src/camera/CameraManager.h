#pragma once
// Finds the cameras attached to the computer, connects one of them, and disconnects or
// restarts it. The one owner of the camera list and of the active camera; the station
// creates one and keeps it for the life of the program.
//
// Lifecycle: no camera active (the main frame refreshes the list every 2 s) -> camera
// active after DoConnectCamera -> no camera active after DoDisconnectCamera, or after the
// link-interrupted path shut the unit down, with the recovery flag set until the link
// recovery ends.
//
// Threads: GUI thread only (link recovery runs from the GUI timer too); no lock.
// Removal notifications arrive on any thread and go straight to the poster given to
// RegisterDeviceNotifications, which must move them to the GUI thread.

#include "camera/CameraUnit.h"
#include "camera/ICameraClient.h"
#include "camera/ICameraDeviceEnumerator.h"
#include "camera/ICameraStream.h"
#include "common/Clock.h"

#include <memory>
#include <string>
#include <vector>

namespace orva {

class CameraManager {
public:
    using CameraList = std::vector<std::shared_ptr<CameraUnit>>;

    CameraManager(ICameraDeviceEnumerator& devices, ICameraStream& stream, Clock& clock = SteadyClock::Instance());
    ~CameraManager();
    CameraManager(const CameraManager&) = delete;
    CameraManager& operator=(const CameraManager&) = delete;

    // Subscribes to device removals; `post` receives them (on the backend's thread).
    bool RegisterDeviceNotifications(ICameraDeviceEnumerator::RemovalListener post);
    void UnregisterDeviceNotifications();

    // Rebuilds the list: cameras whose friendly name begins with "FX3" or "ORVA".
    CameraList EnumerateCameras();
    const CameraList& Cameras() const { return cameras_; }

    bool DoConnectCamera(const std::shared_ptr<CameraUnit>& unit);
    void DoDisconnectCamera();
    void DoRestartCamera();
    void FailCameraRecovery();
    void SetActiveVideoResolution(const VideoResolution* resolution);

    // Read and written by the link recovery, the camera panel and the shell.
    const std::shared_ptr<CameraUnit>& ActiveCameraUnit() const { return activeUnit_; }
    void SetActiveCameraUnit(std::shared_ptr<CameraUnit> unit) { activeUnit_ = std::move(unit); }
    ICameraClient* Client() const { return client_; }
    void SetClient(ICameraClient* client) { client_ = client; }
    bool RecoveryActive() const { return recoveryActive_; }
    void SetRecoveryActive(bool active) { recoveryActive_ = active; }
    const std::string& RecoveryStatusText() const { return recoveryStatusText_; }
    void SetRecoveryStatusText(std::string text) { recoveryStatusText_ = std::move(text); }
    const std::string& ConnectedDevicePath() const { return connectedDevicePath_; }

    ICameraStream& Stream() { return stream_; }
    Clock& GetClock() { return clock_; }

    // Whether the last status read failed (the failure is logged once until a read works).
    bool StatusReadFailureLogged() const { return statusReadFailureLogged_; }
    void SetStatusReadFailureLogged(bool logged) { statusReadFailureLogged_ = logged; }

private:
    ICameraDeviceEnumerator& devices_;
    ICameraStream& stream_;
    Clock& clock_;
    int notificationId_ = 0;
    std::string recoveryStatusText_;
    ICameraClient* client_ = nullptr;
    CameraList cameras_;
    std::shared_ptr<CameraUnit> activeUnit_;
    bool recoveryActive_ = false;
    std::string connectedDevicePath_;
    bool statusReadFailureLogged_ = false;
};

}  // namespace orva
