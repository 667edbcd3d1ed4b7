#pragma once
// The only class that talks to the camera's vendor extension unit: two raw operations
// (write or read one control) over an IExtensionUnitTransport, and one named operation
// per camera command. Each command is a 5-byte block (code, a1..a4) written to the
// command selector; a failed command is logged with its name and not retried.
//
// Threads: commands come from the GUI thread, the frame consumer and the stream
// producer. Ordinary accesses are paced at least 20 ms apart (after the previous one
// ended) and serialised; firmware frames skip the pacing but still reach the transport
// one call at a time. Multi-command sequences (overlay mode, 1PPS marker, transfer
// buffer) belong together only when one thread issues them from start to end.

#include "camera/CameraModel.h"
#include "camera/CommandPacer.h"
#include "camera/IExtensionUnitTransport.h"
#include "common/Clock.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace orva {

class CameraExtensionUnit {
public:
    // Control selectors and their block sizes.
    static constexpr uint8_t kSelectorVersion = 1;          // read, 5 bytes
    static constexpr uint8_t kSelectorStatus = 4;           // read, 32 bytes
    static constexpr uint8_t kSelectorCommand = 5;          // write command / read reply, 5 bytes
    static constexpr uint8_t kSelectorFirmware = 7;         // write / read, 34 bytes
    static constexpr uint8_t kSelectorExtendedVersion = 8;  // read, 13 bytes
    static constexpr std::size_t kVersionBlockSize = 5;
    static constexpr std::size_t kStatusBlockSize = 32;
    static constexpr std::size_t kCommandBlockSize = 5;
    static constexpr std::size_t kFirmwareFrameSize = 34;
    static constexpr std::size_t kExtendedVersionBlockSize = CameraModel::kExtendedVersionBlockSize;

    static constexpr Clock::Duration kPacing = std::chrono::milliseconds(20);

    using CommandBlock = std::array<uint8_t, kCommandBlockSize>;

    // Throws std::logic_error "Failed to create extension unit topology node." (after
    // logging) when the device offers no extension unit (null transport).
    static std::unique_ptr<CameraExtensionUnit> Create(std::shared_ptr<IExtensionUnitTransport> transport,
                                                       Clock& clock = SteadyClock::Instance());

    // Raw access. SetExtensionUnit returns the result code; GetExtensionUnit fills `data`
    // and tells success.
    int32_t SetExtensionUnit(uint8_t selector, std::span<const uint8_t> data);
    bool GetExtensionUnit(uint8_t selector, std::span<uint8_t> data);

    // Wrappers that log their own failures.
    void SetOrvaMode(bool on);
    // mode: index of "none", "dark", "ascii".
    void SetOverlayMode(int mode);
    void ShowHideMarker1ppsIsr(bool show);

    // Commands. Each returns the result code and logs
    // "E CameraExtensionUnit::<operation> failed: <code>" on failure.
    int32_t SetClipOnOverflow();
    int32_t SetEightSixteenBit(bool eightBit);
    // Clamped to 0..65535.
    int32_t SetBlackLevel(int64_t level);
    // Values in ms or 100 us units, clamped to 0..65535 (see ExposureValue*).
    int32_t SetExposureTimeMs(uint32_t valueMs, bool frameTimeFlag);
    int32_t SetExposureTime100us(uint32_t value100us, bool frameTimeFlag);
    int32_t SetInvertImage(bool invert);
    // Index of "none", "X", "Y", "XY"; masked with 3.
    int32_t SetFlipMode(int mode);
    // Clamped to 0..255.
    int32_t SetGain(int gainCode);
    int32_t EnableDisableHires(bool on);
    int32_t SetHighGain(bool on);
    int32_t SetRecording(bool started);
    int32_t Restart();
    int32_t SetTransferBufferAddress();
    int32_t WriteTransferBufferData(uint32_t word);
    int32_t StartReadTransferBufferDataAtAddress(uint8_t wordIndex);
    int32_t SendGpsCommand(uint8_t payloadLength, uint8_t messageId1, uint8_t messageId2);
    int32_t SendHardwareCommand();

    // Exposure time in ms to the commands' units, truncated towards zero and clamped to
    // the 16 bits the command carries.
    static uint32_t ExposureValueMs(double exposureMs);
    static uint32_t ExposureValue100us(double exposureMs);
    // The exposure the camera runs at once sent in the chosen units, as the window shows
    // it and file names carry it: "33" for 33.3 in ms units, "40.0" in 100 us units.
    static std::string ExposureText(double exposureMs, bool units100us);

    // Reads the version blocks (retrying a camera that reports extension-unit version 1)
    // and builds the model; null when a read fails.
    std::unique_ptr<CameraModel> ReadCameraModel();

    // One word of the camera's transfer buffer; nothing when the address command or the
    // read fails or the reply carries no data.
    std::optional<uint32_t> ReadTransferBufferWord(uint8_t wordIndex);

    // Loads the payload into the transfer buffer (one 32-bit word per four payload bytes,
    // little-endian, zero-padded) and sends the GPS command. Stops at the first failed
    // command, so a half-written message is never sent; returns that command's code.
    // Payloads longer than 255 bytes are refused with kResultInvalidArgument.
    int32_t WriteGpsMessage(uint8_t messageId1, uint8_t messageId2, std::span<const uint8_t> payload);

private:
    CameraExtensionUnit(std::shared_ptr<IExtensionUnitTransport> transport, Clock& clock);

    int32_t SendCommand(std::string_view operation, const CommandBlock& block);
    int32_t CallSet(uint8_t selector, std::span<const uint8_t> data);
    int32_t CallGet(uint8_t selector, std::span<uint8_t> data);

    std::shared_ptr<IExtensionUnitTransport> transport_;
    Clock& clock_;
    CommandPacer pacer_;
    std::mutex transportMutex_;  // one transport call at a time
};

}  // namespace orva
