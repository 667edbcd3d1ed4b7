#pragma once
// What the recording side tells the event store about a recording, as plain values, so
// that the store needs neither the camera nor the writers.

#include <cstdint>
#include <string>

namespace orva {

// The camera when a recording starts.
struct CameraSnapshot {
    std::string gainDb;      // the gain box's text, e.g. "+12 dB"
    std::string modelName;
    int serialNumber = 0;
    std::string sensorName;
    bool statusKnown = false;      // exposure and binning below are meaningful
    uint16_t exposure100us = 0;    // exposure time in units of 100 us
    int binningX = 1;
    int binningY = 1;
    bool resolutionKnown = false;  // width and height below are meaningful
    int width = 0;
    int height = 0;
};

// A recording that has ended. Times are platform file times (100 ns since 1601-01-01 UTC).
struct EventRecordingSummary {
    bool startValid = false;
    uint64_t startFileTime = 0;
    bool endValid = false;
    uint64_t endFileTime = 0;
    int32_t gpsPrecisionM = 0;        // mean position precision, rounded
    uint32_t gpsAveragedValues = 0;   // 0: no position
    int32_t gpsLatE7 = 0;
    int32_t gpsLonE7 = 0;
    int32_t gpsHeightM = 0;
    std::string format;               // e.g. "ADV"
};

// The names of the equipment entries selected when the recording ended; empty when no
// entry of a list is selected.
struct RecordingEquipment {
    std::string observer;
    std::string observingSite;
    std::string instrument;
    std::string mount;
};

}  // namespace orva
