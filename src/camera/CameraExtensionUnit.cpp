#include "camera/CameraExtensionUnit.h"

#include "common/Log.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <system_error>

namespace orva {
namespace {

constexpr Clock::Duration kVersionRetryWait = std::chrono::milliseconds(200);
constexpr int kVersionReadAttempts = 5;
// The camera needs this long to fetch a transfer-buffer word into its reply block.
constexpr Clock::Duration kTransferReadWait = std::chrono::milliseconds(2);
constexpr std::size_t kMaxGpsPayload = 255;

// Called inside a catch block: the code a transport's exception stands for.
int32_t CodeOfCurrentException() {
    try {
        throw;
    } catch (const std::system_error& e) {
        return e.code().value() < 0 ? e.code().value() : kResultFailed;
    } catch (...) {
        return kResultFailed;
    }
}

CameraExtensionUnit::CommandBlock Block(uint8_t code, uint8_t a1 = 0, uint8_t a2 = 0, uint8_t a3 = 0,
                                        uint8_t a4 = 0) {
    return {code, a1, a2, a3, a4};
}

uint8_t Flag(bool on) { return on ? 1 : 0; }

// The quoted text ends in a blank and "%s %d" adds another: two blanks before the code.
std::string FailureText(std::string_view operation) {
    return "E CameraExtensionUnit::" + std::string(operation) + " failed: ";
}

uint32_t ClampedExposure(double units) {
    // The small allowance keeps values such as 2.3 ms x 10 from truncating to 22.
    const double truncated = std::floor(units + 1e-6);
    if (!(truncated > 0.0)) return 0;
    return truncated > 65535.0 ? 65535u : static_cast<uint32_t>(truncated);
}

CameraExtensionUnit::CommandBlock ExposureBlock(uint8_t code, uint32_t value, bool frameTimeFlag) {
    const uint32_t v = std::min<uint32_t>(value, 65535u);
    return Block(code, static_cast<uint8_t>(v / 256), static_cast<uint8_t>(v % 256), Flag(frameTimeFlag));
}

}  // namespace

std::unique_ptr<CameraExtensionUnit> CameraExtensionUnit::Create(std::shared_ptr<IExtensionUnitTransport> transport,
                                                                 Clock& clock) {
    if (!transport) {
        LogMessage("E Failed to create EU topo node");
        throw std::logic_error("Failed to create extension unit topology node.");
    }
    return std::unique_ptr<CameraExtensionUnit>(new CameraExtensionUnit(std::move(transport), clock));
}

CameraExtensionUnit::CameraExtensionUnit(std::shared_ptr<IExtensionUnitTransport> transport, Clock& clock)
    : transport_(std::move(transport)), clock_(clock), pacer_(clock, kPacing) {}

int32_t CameraExtensionUnit::CallSet(uint8_t selector, std::span<const uint8_t> data) {
    try {
        std::lock_guard lock(transportMutex_);
        return transport_->SetControl(selector, data);
    } catch (...) {
        return CodeOfCurrentException();
    }
}

int32_t CameraExtensionUnit::SetExtensionUnit(uint8_t selector, std::span<const uint8_t> data) {
    // The firmware channel streams an image as fast as the device takes it: no pacing,
    // no information lines.
    const bool quiet = selector == kSelectorFirmware;
    auto access = [&] {
        if (!quiet) LogMessageInt2("I SetExtensionUnit", selector, static_cast<int>(data.size()));
        const int32_t rc = CallSet(selector, data);
        if (rc < 0) {
            LogMessageInt("E Accessing IKSControl property failed", rc);
        } else if (!quiet) {
            LogMessage("I SetExtensionUnit succeeded");
        }
        return rc;
    };
    return quiet ? access() : pacer_.Run(access);
}

bool CameraExtensionUnit::GetExtensionUnit(uint8_t selector, std::span<uint8_t> data) {
    const bool quiet = selector == kSelectorFirmware;
    auto access = [&] {
        if (!quiet) LogMessageInt2("I GetExtensionUnit", selector, static_cast<int>(data.size()));
        int32_t rc = kResultOk;
        try {
            std::lock_guard lock(transportMutex_);
            rc = transport_->GetControl(selector, data);
        } catch (...) {
            LogMessageInt("E GetExtensionUnit failed:", CodeOfCurrentException());
            return false;
        }
        if (rc < 0) {
            LogMessage("E Accessing IKsControl property failed.");
            return false;
        }
        if (!quiet) LogMessage("I GetExtensionUnit succeeded");
        return true;
    };
    return quiet ? access() : pacer_.Run(access);
}

int32_t CameraExtensionUnit::SendCommand(std::string_view failureText, const CommandBlock& block) {
    const int32_t rc = SetExtensionUnit(kSelectorCommand, block);
    if (rc < 0) LogMessageInt(failureText, rc);
    return rc;
}

void CameraExtensionUnit::SetOrvaMode(bool on) { SendCommand(FailureText("SetOrvaMode"), Block(0x70, Flag(on))); }

void CameraExtensionUnit::SetOverlayMode(int mode) {
    SendCommand("E CameraExtensionUnit::SetOverlayMode failed (1): ", Block(0x00, Flag(mode == 1 || mode == 3)));
    SendCommand("E CameraExtensionUnit::SetOverlayMode failed (2): ", Block(0x01, Flag(mode == 0 || mode == 1)));
}

void CameraExtensionUnit::ShowHideMarker1ppsIsr(bool show) {
    SendCommand("E CameraExtensionUnit::ShowHideMarker1ppsIsr failed (1): ", Block(0x02, Flag(show)));
    SendCommand("E CameraExtensionUnit::ShowHideMarker1ppsIsr failed (2): ", Block(0x04, Flag(show)));
    SendCommand("E CameraExtensionUnit::ShowHideMarker1ppsIsr failed (3): ", Block(0x05));
}

int32_t CameraExtensionUnit::SetClipOnOverflow() { return SendCommand(FailureText("SetClipOnOverflow"), Block(0x65, 1)); }

int32_t CameraExtensionUnit::SetEightSixteenBit(bool eightBit) {
    return SendCommand(FailureText("SetEightSixteenBit"), Block(0x66, Flag(eightBit)));
}

int32_t CameraExtensionUnit::SetBlackLevel(int64_t level) {
    const auto v = static_cast<uint16_t>(std::clamp<int64_t>(level, 0, 65535));
    return SendCommand(FailureText("SetBlackLevel"), Block(0x68, static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)));
}

// Both exposure commands log under the millisecond command's name.
int32_t CameraExtensionUnit::SetExposureTimeMs(uint32_t valueMs, bool frameTimeFlag) {
    return SendCommand(FailureText("SetExposureTimeMs"), ExposureBlock(0x69, valueMs, frameTimeFlag));
}

int32_t CameraExtensionUnit::SetExposureTime100us(uint32_t value100us, bool frameTimeFlag) {
    return SendCommand(FailureText("SetExposureTimeMs"), ExposureBlock(0x73, value100us, frameTimeFlag));
}

int32_t CameraExtensionUnit::SetInvertImage(bool invert) {
    return SendCommand(FailureText("SetInvertImage"), Block(0x6A, Flag(invert)));
}

int32_t CameraExtensionUnit::SetFlipMode(int mode) {
    return SendCommand(FailureText("SetFlipMode"), Block(0x6D, static_cast<uint8_t>(mode & 3)));
}

int32_t CameraExtensionUnit::SetGain(int gainCode) {
    return SendCommand(FailureText("SetGain"), Block(0x6E, static_cast<uint8_t>(std::clamp(gainCode, 0, 255))));
}

int32_t CameraExtensionUnit::EnableDisableHires(bool on) {
    return SendCommand(FailureText("EnableDisableHires"), Block(0x6F, Flag(on)));
}

int32_t CameraExtensionUnit::SetHighGain(bool on) { return SendCommand(FailureText("SetHighGain"), Block(0x71, Flag(on))); }

int32_t CameraExtensionUnit::SetRecording(bool started) {
    return SendCommand(FailureText("SetRecording"), Block(0x72, Flag(started)));
}

int32_t CameraExtensionUnit::Restart() { return SendCommand(FailureText("Restart"), Block(0x74, 0xDE, 0xAD)); }

int32_t CameraExtensionUnit::SetTransferBufferAddress() {
    return SendCommand(FailureText("SetTransferBufferAddress"), Block(0xC8));
}

int32_t CameraExtensionUnit::WriteTransferBufferData(uint32_t word) {
    return SendCommand(FailureText("WriteTransferBufferData"),
                       Block(0xC9, static_cast<uint8_t>(word >> 24), static_cast<uint8_t>(word >> 16),
                             static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word)));
}

int32_t CameraExtensionUnit::StartReadTransferBufferDataAtAddress(uint8_t wordIndex) {
    return SendCommand(FailureText("StartReadTransferBufferDataAtAddress"), Block(0xCA, wordIndex));
}

int32_t CameraExtensionUnit::SendGpsCommand(uint8_t payloadLength, uint8_t messageId1, uint8_t messageId2) {
    return SendCommand(FailureText("SendGpsCommand"), Block(0xCB, 0, payloadLength, messageId1, messageId2));
}

int32_t CameraExtensionUnit::SendHardwareCommand() {
    return SendCommand(FailureText("SendHardwareCommand"), Block(0xCC, 0x00, 0x00, 0x01, 0x01));
}

uint32_t CameraExtensionUnit::ExposureValueMs(double exposureMs) { return ClampedExposure(exposureMs); }

uint32_t CameraExtensionUnit::ExposureValue100us(double exposureMs) { return ClampedExposure(exposureMs * 10.0); }

std::string CameraExtensionUnit::ExposureText(double exposureMs, bool units100us) {
    if (!units100us) return std::to_string(ExposureValueMs(exposureMs));
    const uint32_t value = ExposureValue100us(exposureMs);
    return std::to_string(value / 10) + "." + std::to_string(value % 10);
}

std::unique_ptr<CameraModel> CameraExtensionUnit::ReadCameraModel() {
    std::array<uint8_t, kExtendedVersionBlockSize> block{};
    const std::span<uint8_t> version(block.data(), kVersionBlockSize);
    for (int attempt = 1;; ++attempt) {
        if (!GetExtensionUnit(kSelectorVersion, version)) return nullptr;
        LogMessage(FormatValueMessage("I FW_VERSION: %d.%d.%d, XU: %d, Sensor: %d", block[0], block[1], block[2],
                                      block[3], block[4]));
        if (block[3] >= 2) break;
        // Cameras that report version 1 may still be starting up; ask again.
        clock_.SleepFor(kVersionRetryWait);
        if (attempt >= kVersionReadAttempts) break;
    }
    if (block[3] >= 2) {
        if (!GetExtensionUnit(kSelectorExtendedVersion, block)) return nullptr;
        LogMessage(FormatValueMessage("I FW_VERSION: %d.%d.%d, XU: %d, Sensor: %d, SERIAL_NR: %02x.%02x.%02x.%02x",
                                      block[0], block[1], block[2], block[3], block[4], block[5], block[6], block[7],
                                      block[8]));
    }
    auto model = std::make_unique<CameraModel>(block);
    LogMessageString("I Detected camera model:", model->GetDisplayName());
    return model;
}

std::optional<uint32_t> CameraExtensionUnit::ReadTransferBufferWord(uint8_t wordIndex) {
    // A failed address command would leave an older word in the reply block.
    if (StartReadTransferBufferDataAtAddress(wordIndex) < 0) return std::nullopt;
    clock_.SleepFor(kTransferReadWait);
    std::array<uint8_t, kCommandBlockSize> reply{};
    if (!GetExtensionUnit(kSelectorCommand, reply)) return std::nullopt;
    if (reply[0] == 0) return std::nullopt;
    return (uint32_t{reply[1]} << 24) | (uint32_t{reply[2]} << 16) | (uint32_t{reply[3]} << 8) | reply[4];
}

int32_t CameraExtensionUnit::WriteGpsMessage(uint8_t messageId1, uint8_t messageId2,
                                             std::span<const uint8_t> payload) {
    if (payload.size() > kMaxGpsPayload) {
        LogMessageInt("E CameraExtensionUnit::WriteGpsMessage payload too long:", static_cast<int>(payload.size()));
        return kResultInvalidArgument;
    }
    int32_t rc = SetTransferBufferAddress();
    if (rc < 0) return rc;
    for (std::size_t offset = 0; offset < payload.size(); offset += 4) {
        uint32_t word = 0;
        for (std::size_t i = 0; i < 4 && offset + i < payload.size(); ++i) {
            word |= uint32_t{payload[offset + i]} << (8 * i);
        }
        rc = WriteTransferBufferData(word);
        if (rc < 0) return rc;
    }
    return SendGpsCommand(static_cast<uint8_t>(payload.size()), messageId1, messageId2);
}

}  // namespace orva
