#pragma once
// Writes the camera's per-frame record into the last image row: record byte j is the
// upper 8 bits of the 12-bit sample of pixel j, and the lower 4 bits (the check lane)
// carry a Fletcher-16 check over pixels 2..125 whose two sums stand in the lanes of
// pixels 126 and 127. The simulator's own field list, written from the byte table.

#include <array>
#include <cstdint>
#include <span>

namespace orva {

struct SimUtcStamp {
    int year = 2000;  // full year; the record stores year - 2000
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    uint32_t nanosecond = 0;
};

// Turns Unix nanoseconds (UTC) into the record's calendar fields.
SimUtcStamp SimUtcStampFromUnixNs(int64_t unixNs);

struct SimOverlayRecord {
    static constexpr int kPixels = 128;

    uint16_t version = 6;
    uint16_t vValue = 0;
    SimUtcStamp fromTime;
    bool timeFlag = false;
    SimUtcStamp toTime;
    int32_t frameNr = 0;
    uint16_t sizeX = 0;
    uint16_t sizeY = 0;
    uint8_t binningX = 1;  // stored minus 1
    uint8_t binningY = 1;
    uint8_t commIrqCtr = 0;
    uint8_t frameStartIrqCtr = 0;
    uint16_t modeValue = 0;
    uint16_t auxValue = 0;
    int32_t exposureSec = 0;
    uint32_t exposureNs = 0;
    bool highGain = false;
    int32_t lat = 0;
    int32_t lon = 0;
    uint16_t accuracyM = 0;
    uint8_t fixState = 0;
    uint8_t nofSats = 0;
    int32_t heightMm = 0;
    std::array<uint32_t, 4> statusWords{};
    uint16_t temperature = 0;  // the raw word: sign bit 15, magnitude bits 8..14, valid bit 0
    uint32_t dopTime = 0;
    std::array<uint16_t, 5> dop{};  // G, P, T, V, H
};

// The temperature word for whole degrees Celsius.
uint16_t SimTemperatureWord(int celsius, bool valid);

// The 128 record bytes (the upper 8 bits of each sample), spare bytes filled with a
// fixed pattern when `fillUndecoded` is set.
std::array<uint8_t, SimOverlayRecord::kPixels> EncodeSimOverlayBytes(const SimOverlayRecord& record,
                                                                     bool fillUndecoded);

// Writes the record into the first 128 12-bit samples of the row, with a correct check
// lane. `laneSeed` varies the lane content from frame to frame.
void WriteSimOverlayRecord(const SimOverlayRecord& record, bool fillUndecoded, uint32_t laneSeed,
                           std::span<uint16_t> row12);

}  // namespace orva
