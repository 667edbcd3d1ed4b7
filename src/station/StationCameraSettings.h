#pragma once
// The camera settings the station applies whenever a camera is connected, and again after
// a link recovery: the panel's video mode, exposure, gain, flip, black level, high gain,
// bit depth and inversion.

#include <cstdint>

namespace orva {

struct StationCameraSettings {
    int modeIndex = 0;
    double exposureMs = 40.0;
    int gainIndex = 0;
    int flipIndex = 0;       // 0 none, 1 X, 2 Y, 3 XY
    int64_t blackLevel = 0;  // below 0 counts as 0
    bool highGain = false;
    bool eightBit = false;
    bool invert = false;

    bool operator==(const StationCameraSettings&) const = default;
};

}  // namespace orva
