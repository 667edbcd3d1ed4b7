#pragma once
// The simulator's own copy of the camera's video modes and shortest frame times, kept
// apart from the station's tables so that a mistake in either shows up in the tests.

#include <cstdint>
#include <vector>

namespace orva {

struct SimVideoMode {
    int32_t width = 0;          // image width in pixels
    int32_t transferWidth = 0;  // 16-bit pixels per row as sent; below width means 12-bit packing
    int32_t height = 0;
    int32_t binning = 1;

    bool IsPacked() const { return transferWidth < width; }
    // Bytes of one frame as the camera sends it.
    int64_t FrameBytes() const { return static_cast<int64_t>(transferWidth) * height * 2; }
};

// The modes a sensor code offers, in the camera's list order; empty for unknown codes.
std::vector<SimVideoMode> SimModesForSensor(uint8_t sensorCode);

// Shortest frame time in milliseconds of a mode (0: no limit known). `usb2FullWidth`: a
// 1920-pixel-wide mode over a USB2 link.
int SimMinimumFrameTimeMs(uint8_t sensorCode, const SimVideoMode& mode, bool usb2FullWidth);

// The linear signal gain of a gain code as the sensor applies it (decibel steps for the
// Sony sensors, the AR0130's own table); the high-gain mode doubles it.
double SimGainFactor(uint8_t sensorCode, int gainCode, bool highGain);

// The sensor codes the camera family uses (2..14).
std::vector<uint8_t> SimKnownSensorCodes();

}  // namespace orva
