#pragma once
// The last configuration of the camera control panel, kept in the settings as one text
// of 14 fields, each followed by ";" (the last one too).

#include <string>
#include <string_view>

namespace orva {

struct CameraConfiguration {
    static constexpr int kFieldCount = 14;
    // A stored exposure beyond this (edited by hand, 1e300) reads as 0, as text that is no
    // number does.
    static constexpr double kMaxExposureMs = 1000000.0;

    std::string resolution;         // 0: text of the resolution list
    double exposureMs = 0.0;        // 1: "%.1f"
    std::string gain;               // 2: text of the gain list
    int eightBitMode = 0;           // 3: "1"/"0"
    int invertImage = 0;            // 4: "1"/"0"
    int clipOnOverflow = 0;         // 5: "1"/"0"
    std::string flipMode;           // 6: text of the flip list
    int pcTime = 0;                 // 7
    int crosshair = 0;              // 8
    int fpnReduction = 0;           // 9
    int plateSolvingNextEvent = 0;  // 10
    int highGainMode = 0;           // 11
    int blackLevelLocked = 0;       // 12
    int blackLevelValue = 0;        // 13

    std::string Encode() const;
    // Scans ";"-terminated fields from the start and stores each; a trailing field without
    // ";" is ignored and missing fields keep their values. True when the fields reached
    // the flip mode, i.e. the record is complete enough to be restored.
    bool Decode(std::string_view text);
};

}  // namespace orva
