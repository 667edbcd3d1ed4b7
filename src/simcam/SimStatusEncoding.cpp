#include "simcam/SimStatusEncoding.h"

#include <algorithm>

namespace orva {

namespace {

uint32_t Bit(bool flag, int position) { return flag ? (1u << position) : 0u; }

uint32_t OverlayFlags(const SimDeviceState& s) { return (s.overlayFlag0 ? 1u : 0u) | (s.overlayFlag1 ? 2u : 0u); }

}  // namespace

std::array<uint8_t, 32> EncodeSimStatusBlock(const SimDeviceState& s, bool fillUndecoded) {
    std::array<uint8_t, 32> b{};
    if (fillUndecoded) {
        // Camera-internal data the station ignores: whole bytes and the spare bits of
        // the bytes it does read.
        for (int i : {3, 4, 5, 6, 10}) b[i] = static_cast<uint8_t>(0xA0 + i);
        for (int i = 16; i <= 29; ++i) b[i] = static_cast<uint8_t>(0x30 + i);
        b[0] = 0xCC;  // bits 2, 3, 6, 7
        b[1] = 0xDF;  // all but bit 5
        b[2] = 0x01;
        b[9] = 0xD3;  // bits 0, 1, 4, 6, 7
    }
    b[0] |= static_cast<uint8_t>(OverlayFlags(s) | Bit(s.ppsMarker, 4) | Bit(s.statusFlagA, 5));
    b[1] |= static_cast<uint8_t>(Bit(s.highTimeResolution, 5));
    b[2] |= static_cast<uint8_t>(Bit(s.invert, 1) | Bit(s.eightBit, 2) | Bit(s.statusFlagB, 3) |
                                 ((static_cast<uint32_t>(s.modeIndex) & 0x0F) << 4));
    const uint16_t frameTime = s.FrameTime100us();
    b[7] = static_cast<uint8_t>(frameTime >> 8);
    b[8] = static_cast<uint8_t>(frameTime);
    b[9] |= static_cast<uint8_t>(((static_cast<uint32_t>(s.flipMode) & 3) << 2) | Bit(s.commitError, 5));
    b[11] = static_cast<uint8_t>(s.gainCode);
    // The block's counters are narrower than the record's; a counter past its range
    // reads as full rather than wrapping to a small number.
    b[12] = static_cast<uint8_t>(std::min<uint16_t>(s.phyErrorCount, 255));
    b[13] = static_cast<uint8_t>(std::min<uint16_t>(s.linkErrorCount, 127) | Bit((s.phyErrorValue >> 8) & 1, 7));
    b[14] = s.linkType;
    b[15] = static_cast<uint8_t>(s.phyErrorValue);
    b[30] = static_cast<uint8_t>(s.linkErrorValue >> 8);
    b[31] = static_cast<uint8_t>(s.linkErrorValue);
    return b;
}

std::array<uint32_t, 4> EncodeSimStatusWords(const SimDeviceState& s, bool fillUndecoded) {
    std::array<uint32_t, 4> w{};
    if (fillUndecoded) {
        // Word 0's spare bits: 0, 1, 4, 6..8, 12..20, 22, 23, 26, 27, 30, 31.
        w[0] = 0xCCDFF1D3u;
        w[1] = 0x00A50000u;  // bits 16..23
        w[2] = 0xC0000000u;  // bits 30, 31
    }
    w[0] |= (static_cast<uint32_t>(s.flipMode) & 3) << 2;
    w[0] |= Bit(s.commitError, 5) | Bit(s.invert, 9) | Bit(s.eightBit, 10) | Bit(s.statusFlagB, 11);
    w[0] |= Bit(s.highTimeResolution, 21) | (OverlayFlags(s) << 24) | Bit(s.ppsMarker, 28) | Bit(s.statusFlagA, 29);
    w[1] |= (static_cast<uint32_t>(s.gainCode & 0xFF) << 24) | s.FrameTime100us();
    w[2] |= (static_cast<uint32_t>(std::min<uint16_t>(s.phyErrorCount, 0x3FFF)) << 16) | s.phyErrorValue;
    w[3] |= (static_cast<uint32_t>(s.linkType & 3) << 30) |
            (static_cast<uint32_t>(std::min<uint16_t>(s.linkErrorCount, 0x3FFF)) << 16) | s.linkErrorValue;
    return w;
}

uint16_t SimModeValue(int modeIndex) {
    return static_cast<uint16_t>(1u << std::clamp(modeIndex, 0, 15));
}

}  // namespace orva
