#pragma once
// The state the simulated camera has applied from the commands it received, plus the
// link health it reports. Plain values; the extension unit owns the live copy and hands
// out snapshots.

#include <cstdint>

namespace orva {

struct SimDeviceState {
    // The two overlay flags as the overlay commands set them (command 0x00, 0x01).
    // Power-on: overlay "none".
    bool overlayFlag0 = false;
    bool overlayFlag1 = true;
    // The 1PPS marker flags of commands 0x02 and 0x04; 0x05 applies them.
    bool ppsFlag1 = false;
    bool ppsFlag2 = false;
    bool ppsMarker = false;
    bool statusFlagA = false;
    bool statusFlagB = false;
    bool highTimeResolution = false;
    bool invert = false;
    bool eightBit = false;
    bool clipOnOverflow = false;
    bool highGain = false;
    bool orvaMode = false;
    bool recording = false;
    bool frameTimeFlag = false;  // argument a3 of the last exposure command
    int flipMode = 0;            // 0 none, 1 X, 2 Y, 3 XY
    int gainCode = 0;
    uint16_t blackLevel = 0;
    uint32_t exposureUs = 40000;
    int modeIndex = 0;

    bool commitError = false;
    uint8_t linkType = 3;
    uint16_t phyErrorCount = 0;
    uint16_t phyErrorValue = 0;
    uint16_t linkErrorCount = 0;
    uint16_t linkErrorValue = 0;

    // The camera's frame (exposure) time in 100 us units, as it reports it.
    uint16_t FrameTime100us() const {
        const uint32_t units = exposureUs / 100;
        return static_cast<uint16_t>(units > 0xFFFF ? 0xFFFF : units);
    }
    // Overlay mode as the station numbers it: 0 none, 1 dark, 2 ascii, 3 the fourth
    // combination.
    int OverlayMode() const {
        static constexpr int kByFlags[4] = {2, 3, 0, 1};
        return kByFlags[(overlayFlag0 ? 1 : 0) | (overlayFlag1 ? 2 : 0)];
    }
};

}  // namespace orva
