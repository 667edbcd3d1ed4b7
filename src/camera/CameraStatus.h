#pragma once
// The decoded camera state, whichever way it arrived: from the 32-byte status block of
// the extension unit, or from the status words and GPS fields of a frame's timing
// record. A plain, trivially copyable record; the camera unit keeps its cache in a
// CameraStatusCache, which makes it safe to share between threads.

#include <array>
#include <cstdint>
#include <span>

namespace orva {

// The fields of a frame's timing record that the camera status takes, copied one to one
// from the decoded record by the frame processor.
struct OverlayStatusFields {
    uint32_t statusWord0 = 0;
    uint32_t statusWord1 = 0;
    uint32_t statusWord2 = 0;
    uint32_t statusWord3 = 0;
    int32_t modeValue = 0;
    int32_t highGain = 0;
    int32_t binningX = 0;
    int32_t binningY = 0;
    int32_t latitude = 0;
    int32_t longitude = 0;
    int32_t heightMm = 0;
    uint16_t accuracyM = 0;
    uint8_t fixState = 0;
    uint8_t satellites = 0;
    uint8_t timeFlag = 0;
    // Bit 0 valid, bits 8..14 whole degrees, bit 15 sign.
    uint16_t temperature = 0;
    uint32_t dopTime = 0;
    // G, P, T, V, H.
    std::array<uint16_t, 5> dop{};
};

struct CameraStatus {
    static constexpr std::size_t kStatusBlockSize = 32;
    static constexpr std::size_t kFrameStartTimeSize = 16;

    int32_t gainCode = 0;
    int32_t highGain = 0;
    // 0 none, 1 dark, 2 ascii, 3 the fourth combination of the two overlay flags.
    int32_t overlayMode = 0;
    int32_t ppsMarker = 0;
    int32_t statusFlagA = 0;
    int32_t highTimeResolution = 0;
    int32_t invert = 0;
    int32_t statusFlagB = 0;
    int32_t modeIndex = 0;
    int32_t eightBit = 0;
    int32_t spare1 = 0;
    int32_t spare2 = 0;
    // 0 none, 1 X, 2 Y, 3 XY.
    int32_t flipMode = 0;
    uint16_t phyErrorCount = 0;
    uint16_t linkErrorCount = 0;
    int32_t commitError = 0;
    // 0 not connected, 1 USB1.1, 2 USB2, 3 USB3.0.
    uint8_t linkType = 0;
    uint16_t phyErrorValue = 0;
    uint16_t linkErrorValue = 0;
    std::array<uint16_t, 4> spareValues{};
    // 100 us units.
    uint16_t frameTime = 0;
    // Year, month, day of week, day, hour, minute, second, millisecond.
    std::array<uint16_t, 8> frameStartTime{};
    int32_t latitude = 0;
    int32_t longitude = 0;
    int32_t height = 0;
    uint16_t positionAccuracy = 0;
    uint8_t fixState = 0;
    uint8_t satellites = 0;
    int32_t timeFlag = 0;
    int32_t binningX = 0;
    int32_t binningY = 0;
    int32_t temperature = 0;
    int32_t temperatureValid = 0;
    uint32_t dopTime = 0;
    std::array<uint16_t, 5> dop{};
    int32_t sequence = 0;

    bool operator==(const CameraStatus&) const = default;

    // Sets the fields the status block carries and nothing else.
    void DecodeStatusBlock(std::span<const uint8_t, kStatusBlockSize> block);
    // Sets every field the timing record carries and counts the sequence up.
    void DecodeOverlay(const OverlayStatusFields& overlay);
    // The gain code one timing record carries.
    static int32_t GainCodeOf(const OverlayStatusFields& overlay) { return static_cast<int32_t>(overlay.statusWord1 >> 24); }
    void SetFrameStartTime(const std::array<uint16_t, 8>& fromTime);

    // Both decoders log "I USB <type>" whenever the link type differs from the one the
    // program logged last (one value for the whole program; the first decode logs).
    // Forgets that value, so that the next decode logs again.
    static void ResetLoggedLinkType();
};

}  // namespace orva
