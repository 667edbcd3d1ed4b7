#include "simcam/SimExtensionUnit.h"

#include "camera/IExtensionUnitTransport.h"
#include "simcam/SimStatusEncoding.h"

#include <algorithm>
#include <utility>

namespace orva {

namespace {

constexpr std::size_t kVersionBlockSize = 5;
constexpr std::size_t kStatusBlockSize = 32;
constexpr std::size_t kCommandBlockSize = 5;
constexpr std::size_t kExtendedVersionBlockSize = 13;

bool Flag(uint8_t byte) { return byte != 0; }

// Gain codes the sensor accepts; -1: any byte.
int MaxGainCode(uint8_t sensorCode) {
    switch (sensorCode) {
    case 2:
    case 3:
        return 22;
    case 4:
    case 5:
    case 7:
    case 8:
    case 9:
    case 10:
    case 13:
    case 14:
        return 48;
    default:
        return -1;
    }
}

}  // namespace

SimExtensionUnit::SimExtensionUnit(const SimCameraConfig& config)
    : config_(config), gps_(config.gnss), flash_(config.eraseBusyPolls) {
    state_.linkType = config.identity.linkType;
    running_ = {config.identity.firmwareMajor, config.identity.firmwareMinor, config.identity.firmwarePatch};
}

int32_t SimExtensionUnit::SetControl(uint8_t selector, std::span<const uint8_t> data) {
    std::lock_guard lock(mutex_);
    switch (selector) {
    case kSelectorCommand:
        if (data.size() != kCommandBlockSize) return kResultInvalidArgument;
        return HandleCommand(data);
    case kSelectorFirmware:
        return flash_.Write(data);
    default:
        return kResultInvalidArgument;
    }
}

int32_t SimExtensionUnit::GetControl(uint8_t selector, std::span<uint8_t> data) {
    std::lock_guard lock(mutex_);
    const SimIdentity& id = config_.identity;
    switch (selector) {
    case kSelectorVersion:
    case kSelectorExtendedVersion: {
        const bool extended = selector == kSelectorExtendedVersion;
        if (extended && id.extensionUnitVersion < 2) return kResultInvalidArgument;
        if (data.size() != (extended ? kExtendedVersionBlockSize : kVersionBlockSize)) return kResultInvalidArgument;
        data[0] = running_.major;
        data[1] = running_.minor;
        data[2] = running_.patch;
        data[3] = id.extensionUnitVersion;
        data[4] = id.sensorCode;
        if (extended) {
            for (int i = 0; i < 4; ++i) {
                data[5 + i] = static_cast<uint8_t>(id.serialNumber >> (24 - 8 * i));
                data[9 + i] = id.spareBytes[i];
            }
        }
        return kResultOk;
    }
    case kSelectorStatus: {
        if (data.size() != kStatusBlockSize) return kResultInvalidArgument;
        const auto block = EncodeSimStatusBlock(state_, config_.fillUndecoded);
        std::copy(block.begin(), block.end(), data.begin());
        return kResultOk;
    }
    case kSelectorCommand:
        if (data.size() != kCommandBlockSize) return kResultInvalidArgument;
        std::copy(reply_.begin(), reply_.end(), data.begin());
        return kResultOk;
    case kSelectorFirmware:
        return flash_.Read(data);
    default:
        return kResultInvalidArgument;
    }
}

int32_t SimExtensionUnit::HandleCommand(std::span<const uint8_t> block) {
    const uint8_t code = block[0];
    const uint8_t a1 = block[1];
    const uint8_t a2 = block[2];
    const uint8_t a3 = block[3];
    const uint8_t a4 = block[4];
    const uint32_t value16 = (static_cast<uint32_t>(a1) << 8) | a2;
    // Only a word read leaves data in the reply block.
    if (code != 0xCA) reply_.fill(0);

    switch (code) {
    case 0x00:
        state_.overlayFlag0 = Flag(a1);
        return kResultOk;
    case 0x01:
        state_.overlayFlag1 = Flag(a1);
        return kResultOk;
    case 0x02:
        state_.ppsFlag1 = Flag(a1);
        return kResultOk;
    case 0x04:
        state_.ppsFlag2 = Flag(a1);
        return kResultOk;
    case 0x05:
        state_.ppsMarker = state_.ppsFlag1 || state_.ppsFlag2;
        return kResultOk;
    case 0x65:
        state_.clipOnOverflow = Flag(a1);
        return kResultOk;
    case 0x66:
        state_.eightBit = Flag(a1);
        return kResultOk;
    case 0x68:
        state_.blackLevel = static_cast<uint16_t>(value16);
        return kResultOk;
    case 0x69:  // milliseconds
        state_.exposureUs = std::max<uint32_t>(value16, 1) * 1000;
        state_.frameTimeFlag = Flag(a3);
        return kResultOk;
    case 0x73: {  // 100 us units; without high time resolution the camera keeps whole ms
        uint32_t us = value16 * 100;
        if (!state_.highTimeResolution) us = std::max<uint32_t>(us / 1000, 1) * 1000;
        state_.exposureUs = std::max<uint32_t>(us, 100);
        state_.frameTimeFlag = Flag(a3);
        return kResultOk;
    }
    case 0x6A:
        state_.invert = Flag(a1);
        return kResultOk;
    case 0x6D:
        if (a1 > 3) return kResultInvalidArgument;
        state_.flipMode = a1;
        return kResultOk;
    case 0x6E: {
        const int maxCode = MaxGainCode(config_.identity.sensorCode);
        if (maxCode >= 0 && a1 > maxCode) return kResultInvalidArgument;
        state_.gainCode = a1;
        return kResultOk;
    }
    case 0x6F:
        state_.highTimeResolution = Flag(a1);
        return kResultOk;
    case 0x70:
        state_.orvaMode = Flag(a1);
        return kResultOk;
    case 0x71:
        state_.highGain = Flag(a1);
        return kResultOk;
    case 0x72:
        state_.recording = Flag(a1);
        return kResultOk;
    case 0x74:
        if (a1 != 0xDE || a2 != 0xAD || a3 != 0 || a4 != 0) return kResultInvalidArgument;
        restartRequested_ = true;
        return kResultOk;
    case 0xC8:
        transfer_.ResetWriteAddress();
        return kResultOk;
    case 0xC9: {
        const uint32_t word = (static_cast<uint32_t>(a1) << 24) | (static_cast<uint32_t>(a2) << 16) |
                              (static_cast<uint32_t>(a3) << 8) | a4;
        return transfer_.AppendWord(word) ? kResultOk : kResultInvalidArgument;
    }
    case 0xCA: {
        const uint32_t word = transfer_.Word(a1);
        reply_ = {1, static_cast<uint8_t>(word >> 24), static_cast<uint8_t>(word >> 16),
                  static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word)};
        return kResultOk;
    }
    case 0xCB:
        return gps_.HandleMessage(a3, a4, a2, transfer_);
    case 0xCC:
        if (a1 != 0 || a2 != 0 || a3 != 1 || a4 != 1) return kResultInvalidArgument;
        PlaceCalibrationResult();
        return kResultOk;
    default:
        return kResultInvalidArgument;
    }
}

std::array<uint32_t, 13> SimExtensionUnit::CalibrationResult() const {
    // Each channel's eye: a window of good taps with the chosen tap in its middle.
    std::array<uint32_t, 13> s{};
    s[1] = 0x00C0FFEEu;
    for (int c = 0; c < 8; ++c) {
        const int position = 9 + static_cast<int>((config_.sky.seed >> (3 * c)) % 13);
        s[2 + c / 4] |= static_cast<uint32_t>(position) << (8 * (c % 4));
        uint32_t window = 0;
        for (int bit = position - 6; bit <= position + 6; ++bit) window |= 1u << bit;
        s[4 + c] = window;
    }
    return s;
}

void SimExtensionUnit::PlaceCalibrationResult() {
    // The camera's words are one byte out of step with the result: the host rebuilds
    // word i from the low byte of word i and the upper three bytes of word i - 1.
    const auto s = CalibrationResult();
    transfer_.Clear();
    for (std::size_t i = 0; i < s.size(); ++i) {
        const uint32_t next = i + 1 < s.size() ? s[i + 1] : 0;
        transfer_.SetWord(i, ((next & 0x00FFFFFFu) << 8) | (s[i] >> 24));
    }
}

bool SimExtensionUnit::TakeRestartRequest() {
    std::lock_guard lock(mutex_);
    return std::exchange(restartRequested_, false);
}

void SimExtensionUnit::PowerCycle() {
    std::lock_guard lock(mutex_);
    SimDeviceState fresh;
    fresh.linkType = state_.linkType;
    fresh.modeIndex = state_.modeIndex;
    state_ = fresh;
    transfer_.Clear();
    reply_.fill(0);
    flash_.PowerCycle();
    restartRequested_ = false;
    running_ = flash_.BootImageVersion().value_or(
        SimFirmwareVersion{config_.identity.firmwareMajor, config_.identity.firmwareMinor, config_.identity.firmwarePatch});
}

SimFirmwareVersion SimExtensionUnit::RunningFirmware() const {
    std::lock_guard lock(mutex_);
    return running_;
}

SimDeviceState SimExtensionUnit::State() const {
    std::lock_guard lock(mutex_);
    return state_;
}

void SimExtensionUnit::SetModeIndex(int index) {
    std::lock_guard lock(mutex_);
    state_.modeIndex = index;
}

void SimExtensionUnit::SetLinkType(uint8_t linkType) {
    std::lock_guard lock(mutex_);
    state_.linkType = linkType;
}

void SimExtensionUnit::SetLinkErrors(uint16_t phyCount, uint16_t phyValue, uint16_t linkCount, uint16_t linkValue) {
    std::lock_guard lock(mutex_);
    state_.phyErrorCount = phyCount;
    state_.phyErrorValue = phyValue;
    state_.linkErrorCount = linkCount;
    state_.linkErrorValue = linkValue;
}

void SimExtensionUnit::SetCommitError(bool on) {
    std::lock_guard lock(mutex_);
    state_.commitError = on;
}

void SimExtensionUnit::SetStatusFlags(bool flagA, bool flagB) {
    std::lock_guard lock(mutex_);
    state_.statusFlagA = flagA;
    state_.statusFlagB = flagB;
}

}  // namespace orva
