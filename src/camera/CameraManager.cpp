#include "camera/CameraManager.h"

#include "common/Log.h"

#include <exception>
#include <stdexcept>

namespace orva {
namespace {

bool IsOrvaCameraName(const std::string& name) { return name.starts_with("FX3") || name.starts_with("ORVA"); }

}  // namespace

CameraManager::CameraManager(ICameraDeviceEnumerator& devices, ICameraStream& stream, Clock& clock)
    : devices_(devices), stream_(stream), clock_(clock) {}

CameraManager::~CameraManager() { UnregisterDeviceNotifications(); }

bool CameraManager::RegisterDeviceNotifications(ICameraDeviceEnumerator::RemovalListener post) {
    UnregisterDeviceNotifications();
    notificationId_ = devices_.SubscribeRemovals(std::move(post));
    return notificationId_ != 0;
}

void CameraManager::UnregisterDeviceNotifications() {
    if (notificationId_ != 0) devices_.UnsubscribeRemovals(notificationId_);
    notificationId_ = 0;
}

CameraManager::CameraList CameraManager::EnumerateCameras() {
    cameras_.clear();
    LogMessage("I CameraManager::EnumerateCameras");
    try {
        for (const auto& device : devices_.EnumerateVideoCaptureDevices()) {
            if (!device) continue;
            const std::optional<std::string> name = device->FriendlyName();
            const std::optional<std::string> link = device->SymbolicLink();
            if (!name || !link || !IsOrvaCameraName(*name)) continue;
            cameras_.push_back(std::make_shared<CameraUnit>(*this, *name, *link, device));
        }
        LogMessageInt("I Enumerated cameras:", static_cast<int>(cameras_.size()));
    } catch (const std::exception& e) {
        LogMessageString("E Failed to enumerate cameras:", e.what());
        if (client_) client_->OnCameraError("Failed to create the list of available cameras.", e.what());
    }
    return cameras_;
}

bool CameraManager::DoConnectCamera(const std::shared_ptr<CameraUnit>& unit) {
    LogMessage("I CameraManager::DoConnectCamera");
    if (!unit) return false;
    connectedDevicePath_ = unit->SymbolicLink();
    const bool activated = unit->Activate(true);
    recoveryActive_ = false;
    if (!activated) {
        LogMessage("W Failed to connect to the camera");
        if (client_) client_->OnCameraError("Failed to connect to the camera.", "");
    }
    return activated;
}

void CameraManager::DoDisconnectCamera() {
    LogMessage("I CameraManager::DoDisconnectCamera");
    if (const std::shared_ptr<CameraUnit> unit = activeUnit_) {
        try {
            if (CameraExtensionUnit* eu = unit->ExtensionUnit()) eu->SetOrvaMode(false);
            unit->Shutdown();
        } catch (const std::logic_error& e) {
            LogMessageString("W Failed to disconnect from the camera:", e.what());
        }
    }
    activeUnit_.reset();
    recoveryActive_ = false;
    connectedDevicePath_.clear();
}

void CameraManager::DoRestartCamera() {
    LogMessage("I CameraManager::DoRestartCamera");
    if (!activeUnit_) return;
    LogMessage("I CameraUnit::Restart");
    // The extension unit logs "E CameraExtensionUnit::Restart failed: <code>" itself.
    if (CameraExtensionUnit* eu = activeUnit_->ExtensionUnit()) eu->Restart();
}

void CameraManager::FailCameraRecovery() {
    LogMessage("I CameraManager::FailCameraRecovery");
    recoveryActive_ = false;
    if (activeUnit_) {
        if (stream_.IsStreaming()) stream_.StopStreamingBlocking();
        activeUnit_.reset();
    }
}

void CameraManager::SetActiveVideoResolution(const VideoResolution* resolution) {
    LogMessage("I CameraManager::SetActiveVideoResolution");
    if (stream_.IsStreaming()) {
        LogMessage("W CameraManager::SetActiveVideoResolution failed, not permitted while streaming");
        if (client_) client_->OnCameraError("Failed to change the video settings.", "Not permitted while streaming.");
        return;
    }
    if (activeUnit_) activeUnit_->SetActiveVideoResolution(resolution);
}

}  // namespace orva
