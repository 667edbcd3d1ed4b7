#include "camera/CameraStatus.h"

#include "common/Log.h"

#include <atomic>

namespace orva {
namespace {

// The link type logged last, for the whole program. The frame thread and the GUI thread
// both decode, hence atomic.
std::atomic<int> g_loggedLinkType{-1};

void LogLinkTypeChange(uint8_t linkType) {
    if (g_loggedLinkType.exchange(linkType) != linkType) LogMessageInt("I USB", linkType);
}

int32_t Bit(uint32_t value, unsigned bit) { return static_cast<int32_t>((value >> bit) & 1u); }

// The two overlay flags as the camera reports them, to the overlay list index.
int32_t OverlayModeFromFlags(uint32_t flags) {
    static constexpr int32_t kModes[4] = {2, 3, 0, 1};
    return kModes[flags & 3u];
}

int32_t ModeIndexFromModeValue(int32_t modeValue) {
    switch (modeValue) {
        case 2: return 1;
        case 4: return 2;
        case 8: return 3;
        case 16: return 4;
        default: return 0;
    }
}

}  // namespace

void CameraStatus::ResetLoggedLinkType() { g_loggedLinkType.store(-1); }

void CameraStatus::DecodeStatusBlock(std::span<const uint8_t, kStatusBlockSize> b) {
    overlayMode = OverlayModeFromFlags(b[0]);
    ppsMarker = Bit(b[0], 4);
    statusFlagA = Bit(b[0], 5);
    highTimeResolution = Bit(b[1], 5);
    invert = Bit(b[2], 1);
    eightBit = Bit(b[2], 2);
    statusFlagB = Bit(b[2], 3);
    modeIndex = (b[2] >> 4) & 0x0F;
    frameTime = static_cast<uint16_t>((b[7] << 8) | b[8]);
    flipMode = (b[9] >> 2) & 3;
    commitError = Bit(b[9], 5);
    gainCode = b[11];
    phyErrorCount = b[12];
    linkErrorCount = b[13] & 0x7F;
    linkType = b[14];
    phyErrorValue = static_cast<uint16_t>(((b[13] >> 7) << 8) | b[15]);
    linkErrorValue = static_cast<uint16_t>((b[30] << 8) | b[31]);
    LogLinkTypeChange(linkType);
}

void CameraStatus::DecodeOverlay(const OverlayStatusFields& o) {
    const uint32_t w0 = o.statusWord0;
    flipMode = static_cast<int32_t>((w0 >> 2) & 3u);
    commitError = Bit(w0, 5);
    invert = Bit(w0, 9);
    eightBit = Bit(w0, 10);
    statusFlagB = Bit(w0, 11);
    highTimeResolution = Bit(w0, 21);
    overlayMode = OverlayModeFromFlags(w0 >> 24);
    ppsMarker = Bit(w0, 28);
    statusFlagA = Bit(w0, 29);

    gainCode = GainCodeOf(o);
    frameTime = static_cast<uint16_t>(o.statusWord1 & 0xFFFFu);
    phyErrorCount = static_cast<uint16_t>((o.statusWord2 >> 16) & 0x3FFFu);
    phyErrorValue = static_cast<uint16_t>(o.statusWord2 & 0xFFFFu);
    linkType = static_cast<uint8_t>(o.statusWord3 >> 30);
    linkErrorCount = static_cast<uint16_t>((o.statusWord3 >> 16) & 0x3FFFu);
    linkErrorValue = static_cast<uint16_t>(o.statusWord3 & 0xFFFFu);

    modeIndex = ModeIndexFromModeValue(o.modeValue);
    highGain = o.highGain;
    binningX = o.binningX;
    binningY = o.binningY;
    latitude = o.latitude;
    longitude = o.longitude;
    height = o.heightMm;
    positionAccuracy = o.accuracyM;
    fixState = o.fixState;
    satellites = o.satellites;
    timeFlag = o.timeFlag;
    dopTime = o.dopTime;
    dop = o.dop;

    if (o.temperature & 1u) {
        const int32_t magnitude = (o.temperature >> 8) & 0x7F;
        temperature = (o.temperature & 0x8000u) ? -magnitude : magnitude;
        temperatureValid = 1;
    } else {
        temperatureValid = 0;
    }
    ++sequence;
    LogLinkTypeChange(linkType);
}

void CameraStatus::SetFrameStartTime(const std::array<uint16_t, 8>& fromTime) { frameStartTime = fromTime; }

}  // namespace orva
