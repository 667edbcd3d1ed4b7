#include "camera/LinkRecoveryController.h"

#include "common/Log.h"

#include <stdexcept>

namespace orva {

LinkRecoveryController::LinkRecoveryController(CameraManager& manager, IUiServices& ui) : manager_(manager), ui_(ui) {}

std::string LinkRecoveryController::ResolutionText(const VideoResolution* resolution) {
    if (!resolution) return "";
    return std::to_string(resolution->Width()) + " x " + std::to_string(resolution->Height());
}

void LinkRecoveryController::InitiateRecovery(bool disconnectFirst) {
    if (disconnectFirst) {
        manager_.DoDisconnectCamera();
        // Disconnecting clears the flag, but the recovery goes on: keep the panel showing
        // it, further interruptions ignored and the firmware warning quiet.
        manager_.SetRecoveryActive(true);
    }
    unit_.reset();
    elapsedMs_ = 0;
    activationTimeMs_ = 0;
    streamDeadlineMs_ = 0;
    state_ = LinkRecoveryState::Searching;
    SetText("Pending...");
}

void LinkRecoveryController::Step(ILinkRecoveryCameraStatusInteraction* form) {
    form_ = form;
    switch (state_) {
        case LinkRecoveryState::Idle:
            return;
        case LinkRecoveryState::Succeeded:
            SetText("Link recovery succeeded!");
            state_ = LinkRecoveryState::Idle;
            return;
        case LinkRecoveryState::Failed:
            SetText("Link recovery failed!");
            state_ = LinkRecoveryState::Idle;
            return;
        default:
            break;
    }

    elapsedMs_ += kStepMs;
    if (elapsedMs_ >= kGiveUpMs) {
        state_ = LinkRecoveryState::Failed;
        unit_.reset();
        manager_.FailCameraRecovery();
        ui_.ShowMessage("Camera link lost",
                        "Failed to automatically restore the link to the camera. Please try to manually re-connect "
                        "the camera.",
                        MessageIcon::Error);
        return;
    }

    switch (state_) {
        case LinkRecoveryState::Searching:
            SetText("Link recovery running...");
            SearchForLostCamera();
            break;
        case LinkRecoveryState::Found:
            SetText("Link is up, starting comms.1...");
            if (elapsedMs_ >= activationTimeMs_) {
                SetText("Link is up, starting comms.2...");
                ActivateFoundCamera();
            }
            break;
        case LinkRecoveryState::Activated:
            SetText("Starting communication");
            ResumeOperation();
            break;
        case LinkRecoveryState::Resumed:
            SetText("Waiting for completion");
            VerifyCompletion();
            break;
        default:
            break;
    }
}

void LinkRecoveryController::SearchForLostCamera() {
    LogMessage("I LinkRecoveryController.StartRecovery1: Enumerating cameras");
    const CameraManager::CameraList cameras = manager_.EnumerateCameras();
    bool found = false;
    for (const auto& camera : cameras) {
        LogMessageString("I LinkRecoveryController.StartRecovery1: camera is:", camera->FriendlyName());
        if (!found && camera->FriendlyName() == snapshot_.cameraName) {
            found = true;
            LogMessage("I LinkRecoveryController.StartRecovery1: activating the camera in a short moment...");
            state_ = LinkRecoveryState::Found;
            activationTimeMs_ = elapsedMs_ + kActivationDelayMs;
        }
    }
}

void LinkRecoveryController::ActivateFoundCamera() {
    const CameraManager::CameraList cameras = manager_.EnumerateCameras();
    for (const auto& camera : cameras) {
        if (camera->FriendlyName() != snapshot_.cameraName) continue;
        LogMessage("I LinkRecoveryController.StartRecovery2: activating the camera");
        if (TryActivateCamera(camera)) {
            state_ = LinkRecoveryState::Activated;
            unit_ = camera;
        } else {
            LogMessage("E LinkRecoveryController.StartRecovery2: failed to activate the camera, will try again");
            InitiateRecovery(true);
        }
        return;
    }
    state_ = LinkRecoveryState::Searching;
}

bool LinkRecoveryController::TryActivateCamera(const std::shared_ptr<CameraUnit>& unit) {
    try {
        const bool activated = unit->Activate(false);
        snapshot_.sampleCounter = manager_.Stream().GetNofSamplesCounter();
        return activated;
    } catch (...) {
        LogMessage("E LinkRecoveryController.TryActivateCamera: exception when trying to activate the camera.");
        return false;
    }
}

void LinkRecoveryController::ResumeOperation() {
    try {
        LogMessage("I LinkRecoveryController.ResumeOperation: resuming the camera");
        state_ = LinkRecoveryState::Resumed;
        const std::shared_ptr<CameraUnit> unit = unit_;
        if (!unit) throw std::logic_error("no camera unit to resume");

        if (const CameraModel* model = unit->Model()) {
            for (int i = 0; i < model->GetResolutionCount(); ++i) {
                const VideoResolution* mode = model->GetVideoResolution(i);
                if (ResolutionText(mode) == snapshot_.resolutionText) {
                    unit->SetActiveVideoResolution(mode);
                    break;
                }
            }
        }

        manager_.SetActiveCameraUnit(unit);
        if (CameraExtensionUnit* eu = unit->ExtensionUnit()) eu->SetOrvaMode(true);
        if (ICameraClient* client = manager_.Client()) client->OnCameraConnected(unit.get());

        if (snapshot_.wasStreaming) {
            LogMessage("I LinkRecoveryController.ResumeOperation: resuming the stream");
            manager_.Stream().StartStreamingBlocking();
            streamDeadlineMs_ = elapsedMs_ + kStreamDeadlineMs;
        }
        unit_.reset();
    } catch (...) {
        LogMessage("E LinkRecoveryController.ResumeOperation: exception when trying to resume operation.");
        InitiateRecovery(true);
    }
}

void LinkRecoveryController::VerifyCompletion() {
    if (!snapshot_.wasStreaming) {
        FinalizeSuccessfulRecovery();
        return;
    }
    if (streamDeadlineMs_ < elapsedMs_) {
        LogMessage("E LinkRecoveryController.VerifyCompletion: streaming didn't start; will try again...");
        InitiateRecovery(true);
        return;
    }
    const int64_t samples = manager_.Stream().GetNofSamplesCounter();
    LogMessageInt2("I LinkRecoveryController.VerifyCompletion: Sample counters old,new:",
                   static_cast<int>(snapshot_.sampleCounter), static_cast<int>(samples));
    if (snapshot_.sampleCounter == -1) {
        snapshot_.sampleCounter = samples;
    } else if (samples > snapshot_.sampleCounter) {
        FinalizeSuccessfulRecovery();
    }
}

void LinkRecoveryController::FinalizeSuccessfulRecovery() {
    LogMessage("I LinkRecoveryController.FinalizeSuccessfulRecovery: Recovery completed successfully!");
    state_ = LinkRecoveryState::Succeeded;
    manager_.SetRecoveryActive(false);
    SetText("Recovery completed successfully.");
    if (form_) {
        LogMessageString("LinkRecoveryController.FinalizeSuccessfulRecovery: oldExpTimeStr:", snapshot_.exposureText);
        form_->RestoreCameraStatus(snapshot_);
    }
}

}  // namespace orva
