#pragma once
// Everything a simulated camera is built from: its identity, the GPS receiver's state,
// the synthetic sky and the timing. Plain values; copied into the camera at construction.

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

namespace orva {

struct SimIdentity {
    uint8_t sensorCode = 7;  // IMX174
    uint8_t firmwareMajor = 1;
    uint8_t firmwareMinor = 3;
    uint8_t firmwarePatch = 5;
    uint8_t extensionUnitVersion = 2;
    uint32_t serialNumber = 1234;
    // Bytes 9..12 of the extended version block; the station keeps them uninterpreted.
    std::array<uint8_t, 4> spareBytes{0x5A, 0x01, 0x02, 0x03};
    std::string friendlyName = "ORVA+CAM";
    std::string symbolicLink = "sim://usb/vid_04b4&pid_00f1/orva-cam-0001";
    uint8_t linkType = 3;  // 0 none, 1 USB1.1, 2 USB2, 3 USB3.0
};

// What the receiver reports in every frame's record.
struct SimGpsFix {
    uint8_t fixState = 3;  // bits 0 and 1: full fix
    uint8_t satellites = 9;
    int32_t latitudeE7 = 481234567;   // 1e-7 degrees, north positive
    int32_t longitudeE7 = 113456789;  // 1e-7 degrees, east positive
    int32_t heightMm = 523400;
    uint16_t accuracyM = 3;
    bool timeFlag = true;
    uint32_t dopTime = 0;  // 0: the simulator stamps the GPS time of week in ms
    // Dilution of precision x 100, in the record's order G, P, T, V, H.
    std::array<uint16_t, 5> dop{152, 131, 78, 110, 67};
    int temperatureC = 23;
    bool temperatureValid = true;
};

struct SimGnssReceiverConfig {
    // The version answer: hardware identification, ";", firmware identification.
    std::string versionText = "ORVA-GNSS-M10;ROM 2.01 (sim)";
    uint8_t totalChannels = 32;
    uint8_t activeChannels = 32;
    bool withImes = true;  // 7 configuration blocks, else 6 (no system id 4)
};

struct SimSkyConfig {
    uint64_t seed = 20240601;
    int starCount = 40;
    // Levels in 12-bit counts at gain 0 and the reference exposure; they scale with the
    // exposure time and the gain.
    double referenceExposureMs = 40.0;
    double backgroundCounts = 120.0;
    double faintestStarPeak = 40.0;
    double brightestStarPeak = 1800.0;
    double starFwhmPixels = 2.6;  // unbinned
    double readNoiseCounts = 4.0;
    // Fixed per-row offsets of up to this many counts (row noise to remove).
    double rowPatternCounts = 6.0;
    int hotPixelCount = 25;
    int hotPixelCounts = 2600;
    // The target star, at a fraction of the image size.
    double targetX = 0.5;
    double targetY = 0.45;
    double targetPeak = 1400.0;
};

// The target star disappears for `frames` frames starting with the first frame whose
// exposure starts at or after `startUnixNs` (0: never).
struct SimOccultation {
    int64_t startUnixNs = 0;
    int32_t frames = 0;
};

enum class SimPacing {
    RealTime,         // one frame per frame time on the injected clock
    AsFastAsRequested  // no waiting at all (benchmarks)
};

struct SimCameraConfig {
    SimIdentity identity;
    SimGpsFix gps;
    SimGnssReceiverConfig gnss;
    SimSkyConfig sky;
    SimOccultation occultation;
    SimPacing pacing = SimPacing::RealTime;
    // GPS time of the first frame's exposure start (Unix nanoseconds, UTC):
    // 2024-06-01 22:00:00.000.
    int64_t utcStartUnixNs = 1717279200LL * 1000000000LL;
    // On: the GPS time keeps pace with the clock while no frames are made (from the
    // camera's making to the first stream, between streams), as a real camera's does; a
    // stream's first frame exposes at utcStartUnixNs plus the clock time since the camera
    // was made. Off: the time moves on only by the frames made, a reproducible time line.
    bool gpsTimeFollowsClock = false;
    int32_t firstFrameNumber = 1;
    // How long the device stays off the bus after the Restart command.
    std::chrono::milliseconds restartDelay{3000};
    // Number of firmware-channel reads that report busy after a block erase.
    int eraseBusyPolls = 3;
    // Fill bytes and bits the station does not decode with a fixed non-zero pattern, so
    // that a decoder reading the wrong place shows up.
    bool fillUndecoded = true;
};

}  // namespace orva
