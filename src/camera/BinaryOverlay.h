#pragma once
// The decoded timing and GPS record that the camera writes into the last row of every
// frame. ParseBinaryOverlay fills it; the camera status, the writers, the GPS log and the
// live view read it.
//
// Threads: owned by the frame processor's thread, which parses into it and hands it on
// per frame; it is a plain value without any locking.

#include <cstdint>

namespace orva {

// A calendar time of eight 16-bit fields, UTC. The day of the week is not set from the
// record.
struct CalendarTime {
    uint16_t year = 0;
    uint16_t month = 0;
    uint16_t dayOfWeek = 0;
    uint16_t day = 0;
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0;
};

struct BinaryOverlay {
    // The pixel offset, within the last row, of the record found last. It is the starting
    // point of the next frame's record search, so it is kept from frame to frame.
    int32_t RecordStart = 0;
    // The last parse succeeded. When a parse fails, the decoded fields below keep the
    // values of the last frame that got that far.
    bool Valid = false;

    int32_t Version = 0;
    int32_t VValue = 0;
    CalendarTime FromTime;  // exposure start
    CalendarTime ToTime;    // exposure end
    uint8_t TimeFlag = 0;
    int32_t FrameNr = 0;
    int32_t SizeX = 0;
    int32_t SizeY = 0;
    int32_t BinningX = 0;
    int32_t BinningY = 0;
    uint8_t CommIrqCtr = 0;
    uint8_t FrameStartIrqCtr = 0;
    int32_t ModeValue = 0;
    int32_t AuxValue = 0;
    int32_t ExposureSec = 0;
    uint32_t ExposureNs = 0;
    int32_t HighGain = 0;
    int32_t Lat = 0;  // 1e-7 degrees, north positive
    int32_t Lon = 0;  // 1e-7 degrees, east positive
    uint16_t AccuracyM = 0;
    uint8_t FixState = 0;
    uint8_t NofSats = 0;
    int32_t HeightMm = 0;  // 0 for record versions below 4
    uint32_t StatusWord0 = 0;
    uint32_t StatusWord1 = 0;
    uint32_t StatusWord2 = 0;
    uint32_t StatusWord3 = 0;
    // Bit 15 sign, bits 8..14 whole degrees Celsius, bit 0 set when the reading is valid.
    uint16_t Temperature = 0;
    uint32_t DOPTime = 0;
    // Dilutions of precision x 100.
    uint16_t DOPG = 0;
    uint16_t DOPP = 0;
    uint16_t DOPT = 0;
    uint16_t DOPV = 0;
    uint16_t DOPH = 0;
};

}  // namespace orva
