#pragma once
// The main frame's camera side, without any window code: it is the camera manager's
// client (warns about old firmware on connect, shows camera errors, refreshes the camera
// list on disconnect, starts the link recovery when the camera's link breaks), carries
// the Camera menu commands, recognises the removal of the active camera's device, and
// drives the link recovery from the frame's 200 ms timer.
//
// Threads: GUI thread only. Device removals must be posted to the GUI thread and handed
// to CheckDeviceChange there.

#include "camera/CameraManager.h"
#include "camera/ConnectMenuModel.h"
#include "camera/ICameraClient.h"
#include "camera/IMainFrameView.h"
#include "camera/LinkRecoveryController.h"
#include "common/IUiServices.h"

#include <cstdint>
#include <string>

namespace orva {

class MainFrameCameraClient final : public ICameraClient {
public:
    static constexpr uint32_t kDeviceRemoveComplete = 0x8004;
    // Ticks of the 200 ms timer between two refreshes of the camera list.
    static constexpr int kRefreshEveryTicks = 10;
    // The oldest firmware that needs no warning is 1.3.5.
    static constexpr int kNewestTooOldFirmware = 0x010304;

    // Registers itself as the manager's client.
    MainFrameCameraClient(CameraManager& manager, LinkRecoveryController& recovery, IUiServices& ui,
                          IMainFrameView& view);
    ~MainFrameCameraClient() override;

    // Does nothing while a camera is active; otherwise enumerates and keeps the list.
    void RefreshCameraList();
    const CameraManager::CameraList& CameraList() const { return cameras_; }
    ConnectMenuModel ConnectMenu() const;

    void OnConnectCameraCommand(int menuId);
    void OnCameraDisconnectClick();
    void OnCameraRestartClick();

    // A device-change message; true when it was the active camera's removal.
    bool CheckDeviceChange(uint32_t event, const DeviceChangeNotification* notification);

    // The camera work of one tick of the frame's 200 ms timer: a recovery step, and every
    // tenth tick the camera list.
    void OnTimerTick();

    void SetClosing(bool closing) { closing_ = closing; }

    void OnCameraConnected(CameraUnit* unit) override;
    void OnCameraDisconnected(CameraUnit* unit) override;
    void OnCameraLinkInterrupted(CameraUnit* unit) override;
    void OnCameraError(const std::string& text, const std::string& detail) override;

    // The first 49 characters of both names agree, ignoring ASCII letter case.
    static bool IsSameDeviceName(const std::string& symbolicLink, const std::string& deviceName);

private:
    CameraManager& manager_;
    LinkRecoveryController& recovery_;
    IUiServices& ui_;
    IMainFrameView& view_;
    CameraManager::CameraList cameras_;
    int ticks_ = 0;
    bool closing_ = false;
};

}  // namespace orva
