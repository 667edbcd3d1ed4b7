#pragma once
// Told by the camera manager when a camera was connected, disconnected or lost, and when
// a camera operation failed. The main frame implements it.
//
// Threads: GUI thread.

#include <string>

namespace orva {

class CameraUnit;

class ICameraClient {
public:
    virtual ~ICameraClient() = default;
    virtual void OnCameraConnected(CameraUnit* unit) = 0;
    virtual void OnCameraDisconnected(CameraUnit* unit) = 0;
    virtual void OnCameraLinkInterrupted(CameraUnit* unit) = 0;
    virtual void OnCameraError(const std::string& text, const std::string& detail) = 0;
};

}  // namespace orva
