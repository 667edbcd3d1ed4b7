#include "camera/MainFrameCameraClient.h"

#include "common/Log.h"

#include <algorithm>
#include <cctype>

namespace orva {
namespace {

constexpr std::size_t kComparedNameLength = 49;
constexpr int kStatisticsCountdown = 5;

constexpr const char* kFirmwareWarning =
    "Camera firmware 1.3.5 or newer is required for this version of the control software.\n\n"
    "Please update the camera firmware (menu 'Camera', 'Update firmware...') or use an older version of the "
    "control software.\n\n"
    "Unexpected problems may occur if you don't upgrade the firmware.";

constexpr const char* kInterruptedDuringUpdate =
    "The camera connection was interrupted during the firmware update. The update will likely have failed, but "
    "you should be able to re-connect and try again.";

}  // namespace

MainFrameCameraClient::MainFrameCameraClient(CameraManager& manager, LinkRecoveryController& recovery,
                                             IUiServices& ui, IMainFrameView& view)
    : manager_(manager), recovery_(recovery), ui_(ui), view_(view) {
    manager_.SetClient(this);
}

MainFrameCameraClient::~MainFrameCameraClient() {
    if (manager_.Client() == this) manager_.SetClient(nullptr);
}

void MainFrameCameraClient::RefreshCameraList() {
    if (manager_.ActiveCameraUnit()) return;
    cameras_ = manager_.EnumerateCameras();
    view_.RefreshMenus();
}

ConnectMenuModel MainFrameCameraClient::ConnectMenu() const {
    std::vector<std::string> names;
    for (const auto& unit : cameras_) names.push_back(unit->FriendlyName());
    return ConnectMenuModel(names, manager_.ActiveCameraUnit() != nullptr);
}

void MainFrameCameraClient::OnConnectCameraCommand(int menuId) {
    const std::optional<std::size_t> index = ConnectMenuModel::CameraIndexOfCommand(menuId);
    if (!index || *index >= cameras_.size()) return;
    LogMessage("I OnConnectCameraCommand");
    // A copy: connecting may rebuild the list.
    const std::shared_ptr<CameraUnit> unit = cameras_[*index];
    manager_.DoConnectCamera(unit);
    view_.SetStatisticsCountdown(kStatisticsCountdown);
}

void MainFrameCameraClient::OnCameraDisconnectClick() {
    LogMessage("I OnCameraDisconnectClick");
    manager_.DoDisconnectCamera();
}

void MainFrameCameraClient::OnCameraRestartClick() {
    LogMessage("I OnCameraRestartClick");
    manager_.DoRestartCamera();
}

bool MainFrameCameraClient::IsSameDeviceName(const std::string& symbolicLink, const std::string& deviceName) {
    const std::string a = symbolicLink.substr(0, kComparedNameLength);
    const std::string b = deviceName.substr(0, kComparedNameLength);
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

bool MainFrameCameraClient::CheckDeviceChange(uint32_t event, const DeviceChangeNotification* notification) {
    LogMessageInt("W CheckDeviceChange", static_cast<int>(event));
    if (!notification || notification->deviceType != DeviceChangeNotification::kDeviceTypeInterface) return false;
    const std::shared_ptr<CameraUnit> active = manager_.ActiveCameraUnit();
    const std::string link = active ? active->SymbolicLink() : std::string();
    if (link.empty() || !IsSameDeviceName(link, notification->deviceName)) return false;
    LogMessage("W The camera link is interrupted");
    if (ICameraClient* client = manager_.Client()) client->OnCameraLinkInterrupted(active.get());
    return true;
}

void MainFrameCameraClient::OnTimerTick() {
    recovery_.Step(view_.CameraPanel());
    if (++ticks_ >= kRefreshEveryTicks) {
        ticks_ = 0;
        RefreshCameraList();
    }
}

void MainFrameCameraClient::OnCameraConnected(CameraUnit* unit) {
    view_.LoadCameraControls(unit);
    view_.RefreshCommandStates();
    if (!unit || !unit->Model() || manager_.RecoveryActive()) return;
    const CameraModel& model = *unit->Model();
    const int version = model.FirmwareMajor() * 65536 + model.FirmwareMinor() * 256 + model.FirmwarePatch();
    if (version <= kNewestTooOldFirmware) {
        LogMessageInt("W OnCameraConnected: Camera firmware too old (1.3.5 recommended)", version);
        ui_.ShowMessage("Incompatible camera firmware", kFirmwareWarning, MessageIcon::Warning);
    }
}

void MainFrameCameraClient::OnCameraDisconnected(CameraUnit*) {
    LogMessage("I OnCameraDisconnected");
    if (closing_) return;
    RefreshCameraList();
    view_.RefreshCommandStates();
}

void MainFrameCameraClient::OnCameraLinkInterrupted(CameraUnit*) {
    if (manager_.RecoveryActive()) return;
    LogMessage("I OnCameraLinkInterrupted");
    LinkRecoverySnapshot snapshot;
    ILinkRecoveryCameraStatusInteraction* panel = view_.CameraPanel();
    const std::shared_ptr<CameraUnit> active = manager_.ActiveCameraUnit();
    if (!panel || !panel->SaveCameraStatus(snapshot) || !active) {
        LogMessage("E OnCameraLinkInterrupted can't start link recovery");
        return;
    }
    active->Shutdown();
    manager_.SetRecoveryActive(true);

    if (view_.IsFirmwareUpdateDialogOpen()) {
        manager_.FailCameraRecovery();
        ui_.ShowMessage("Camera disconnected", kInterruptedDuringUpdate, MessageIcon::Warning);
        view_.CloseFirmwareUpdateDialogCancelled();
        return;
    }

    LogMessage("I LinkRecoveryController::InitiateRecovery");
    recovery_.SetSnapshot(snapshot);
    recovery_.InitiateRecovery(false);
}

void MainFrameCameraClient::OnCameraError(const std::string& text, const std::string& detail) {
    view_.RefreshCommandStates();
    ui_.ShowMessage("", text + "\n" + detail, MessageIcon::Error);
}

}  // namespace orva
