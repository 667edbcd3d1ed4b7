#pragma once
// Brings a camera back after its USB link broke. The main frame's 200 ms timer calls Step;
// each step advances the recovery by one stage:
//
//   Searching: enumerate until a camera with exactly the lost camera's friendly name is
//   listed. Found: wait 500 ms, enumerate again and activate it (without telling the
//   client). Activated: restore its resolution, make it the active camera, tell the client
//   (which reloads the panel) and restart the stream if it ran. Resumed: done once the
//   stream's sample counter grows (at once when no stream ran); no frame within 5 s
//   disconnects and searches again. Any failure starts over; 5 minutes after the last
//   start the recovery gives up and asks the user to reconnect by hand.
//
// Threads: GUI thread only.

#include "camera/CameraManager.h"
#include "camera/ILinkRecoveryCameraStatusInteraction.h"
#include "common/IUiServices.h"

#include <cstdint>
#include <memory>
#include <string>

namespace orva {

enum class LinkRecoveryState { Idle, Searching, Found, Activated, Resumed, Succeeded, Failed };

class LinkRecoveryController {
public:
    static constexpr int64_t kStepMs = 200;
    static constexpr int64_t kGiveUpMs = 300000;
    static constexpr int64_t kActivationDelayMs = 500;
    static constexpr int64_t kStreamDeadlineMs = 5000;

    LinkRecoveryController(CameraManager& manager, IUiServices& ui);

    void SetSnapshot(const LinkRecoverySnapshot& snapshot) { snapshot_ = snapshot; }
    const LinkRecoverySnapshot& Snapshot() const { return snapshot_; }

    // (Re)starts the search, disconnecting the camera first if asked.
    void InitiateRecovery(bool disconnectFirst);
    // One tick of the main frame's timer; `form` restores the settings at the end.
    void Step(ILinkRecoveryCameraStatusInteraction* form);

    // "%d x %d" of a mode, as the snapshot keeps it; empty without a mode.
    static std::string ResolutionText(const VideoResolution* resolution);

    LinkRecoveryState State() const { return state_; }
    int64_t ElapsedMs() const { return elapsedMs_; }

private:
    // The two stages before the camera is back (their log lines name them StartRecovery1
    // and StartRecovery2): find the lost camera in the list, then activate it.
    void SearchForLostCamera();
    void ActivateFoundCamera();
    bool TryActivateCamera(const std::shared_ptr<CameraUnit>& unit);
    void ResumeOperation();
    void VerifyCompletion();
    void FinalizeSuccessfulRecovery();
    void SetText(const char* text) { manager_.SetRecoveryStatusText(text); }

    CameraManager& manager_;
    IUiServices& ui_;
    int64_t elapsedMs_ = 0;
    int64_t streamDeadlineMs_ = 0;
    int64_t activationTimeMs_ = 0;
    LinkRecoveryState state_ = LinkRecoveryState::Idle;
    std::shared_ptr<CameraUnit> unit_;
    ILinkRecoveryCameraStatusInteraction* form_ = nullptr;
    LinkRecoverySnapshot snapshot_;
};

}  // namespace orva
