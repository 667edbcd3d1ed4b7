#pragma once
// The camera settings the station applies whenever a camera is connected, also after a
// link recovery: the panel's video mode, exposure and gain.

namespace orva {

struct StationCameraSettings {
    int modeIndex = 0;
    double exposureMs = 40.0;
    int gainIndex = 0;
};

}  // namespace orva
