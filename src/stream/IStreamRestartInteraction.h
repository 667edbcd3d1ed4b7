#pragma once
// Saves the camera settings before the stream restarts itself and re-applies them after
// the restart. The implementation keeps the saved record (the camera panel's link-recovery
// snapshot) between the two calls.
//
// Threads: both operations are called on the stream worker's producer thread.

namespace orva {

class IStreamRestartInteraction {
public:
    virtual ~IStreamRestartInteraction() = default;
    // Before the restart. False when there was nothing to save.
    virtual bool SaveCameraStatus() = 0;
    // After streaming has started again.
    virtual void RestoreCameraStatus() = 0;
};

}  // namespace orva
