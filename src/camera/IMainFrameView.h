#pragma once
// What the main frame's camera logic needs of the windows around it: the camera panel
// (which loads its controls on connect and saves and restores its settings around a
// link recovery), the frame's menus and command states, and the firmware-update dialog.
// The GUI implements it; tests use a recording fake.
//
// Threads: GUI thread.

#include "camera/ILinkRecoveryCameraStatusInteraction.h"

namespace orva {

class CameraUnit;

class IMainFrameView {
public:
    virtual ~IMainFrameView() = default;
    // The panel loads the camera controls and applies the stored settings (starting the
    // stream when so set).
    virtual void LoadCameraControls(CameraUnit* unit) = 0;
    // The panel's statistics countdown.
    virtual void SetStatisticsCountdown(int ticks) = 0;
    virtual void RefreshCommandStates() = 0;
    virtual void RefreshMenus() = 0;
    virtual bool IsFirmwareUpdateDialogOpen() = 0;
    virtual void CloseFirmwareUpdateDialogCancelled() = 0;
    // The camera panel; null while there is none.
    virtual ILinkRecoveryCameraStatusInteraction* CameraPanel() = 0;
};

}  // namespace orva
