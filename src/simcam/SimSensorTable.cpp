#include "simcam/SimSensorTable.h"

#include <algorithm>
#include <cmath>

namespace orva {

std::vector<SimVideoMode> SimModesForSensor(uint8_t sensorCode) {
    switch (sensorCode) {
    case 2:
    case 3:
        return {{1280, 1280, 960, 1}, {640, 640, 480, 2}, {424, 424, 318, 3}, {320, 320, 240, 4}};
    case 4:
    case 7:
        return {{1920, 1440, 1200, 1}, {1920, 1440, 128, 1}, {176, 132, 128, 2}, {960, 720, 600, 2},
                {480, 480, 300, 4}};
    case 5:
    case 8:
        return {{3072, 3072, 2048, 1}, {3072, 2304, 2048, 1}, {1536, 1536, 1024, 2}, {1024, 1024, 682, 3}};
    case 9:
        return {{1624, 1218, 1240, 1}, {1624, 1218, 128, 1}, {176, 132, 128, 2}, {816, 612, 620, 2},
                {408, 408, 310, 4}};
    case 10:
        return {{2448, 2448, 2048, 1}, {2448, 1836, 2048, 1}, {1224, 1224, 1024, 2},
                {1224, 918, 1024, 2},  {816, 816, 682, 3},    {612, 612, 512, 4}};
    case 11:
        return {{1280, 960, 1024, 1}, {1280, 960, 128, 1}, {640, 640, 512, 2}, {320, 320, 256, 4}};
    case 12:
        return {{2048, 2048, 2048, 1}, {1024, 1024, 1024, 2}};
    case 13:
        return {{2840, 2130, 2840, 1}, {2840, 2130, 128, 1}, {1424, 1068, 1420, 2}, {712, 712, 710, 4}};
    case 14:
        return {{1600, 1200, 1100, 1}, {1600, 1200, 128, 1}, {800, 600, 550, 2}, {400, 400, 274, 4}};
    default:
        return {};
    }
}

int SimMinimumFrameTimeMs(uint8_t sensorCode, const SimVideoMode& mode, bool usb2FullWidth) {
    const bool binned = mode.binning > 1;
    switch (sensorCode) {
    case 2:
    case 3:
        return 22;
    case 4:
        return 26;
    case 5:
    case 10:
        return 100;
    case 7:
        if (usb2FullWidth) return 120;
        if (mode.height == 128) return mode.width == 176 ? 2 : 4;
        return binned ? 20 : 25;
    case 8:
        return binned ? 37 : 55;
    case 9:
    case 14:
        if (usb2FullWidth) return 100;
        if (mode.height == 128) return mode.width == 176 ? 1 : 4;
        return binned ? 6 : 25;
    case 11:
        return 40;
    case 12:
        return 43;
    case 13:
        return 50;
    default:
        return 0;
    }
}

double SimGainFactor(uint8_t sensorCode, int gainCode, bool highGain) {
    static constexpr double kAr0130ByIndex[22] = {1.00, 1.25, 2.00, 2.50, 4.00, 5.00, 8.00, 10.0,
                                                  15.0, 20.0, 30.0, 40.0, 50.0, 60.0, 78.0, 0.09,
                                                  0.13, 0.19, 0.25, 0.38, 0.50, 0.70};
    double factor = 1.0;
    switch (sensorCode) {
    case 2:
    case 3: {
        const int index = gainCode < 8 ? gainCode + 14 : gainCode - 8;
        if (index >= 0 && index < 22) factor = kAr0130ByIndex[index];
        break;
    }
    case 11:
    case 12:
        break;
    default:
        factor = std::pow(10.0, std::clamp(gainCode, 0, 48) / 20.0);
        break;
    }
    return highGain ? 2.0 * factor : factor;
}

std::vector<uint8_t> SimKnownSensorCodes() { return {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}; }

}  // namespace orva
