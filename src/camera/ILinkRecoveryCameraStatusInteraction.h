#pragma once
// Saves the camera panel's settings when the camera's link breaks and re-applies them
// once the link recovery has the camera back. The camera panel implements it.
//
// Threads: GUI thread (link recovery).

#include <cstdint>
#include <string>

namespace orva {

struct LinkRecoverySnapshot {
    // Friendly name of the camera that was active.
    std::string cameraName;
    // "%d x %d" of the active video resolution; empty when none was active.
    std::string resolutionText;
    std::string exposureText;
    std::string blackLevelText;
    bool wasStreaming = false;
    // The stream's sample counter at activation; -1 until set.
    int64_t sampleCounter = -1;
    int flipIndex = 0;
};

class ILinkRecoveryCameraStatusInteraction {
public:
    virtual ~ILinkRecoveryCameraStatusInteraction() = default;
    // False when no camera unit is active; otherwise fills the snapshot (sample counter -1).
    virtual bool SaveCameraStatus(LinkRecoverySnapshot& snapshot) = 0;
    // Re-applies exposure, flip and black level and refreshes the camera display.
    virtual void RestoreCameraStatus(const LinkRecoverySnapshot& snapshot) = 0;
};

}  // namespace orva
