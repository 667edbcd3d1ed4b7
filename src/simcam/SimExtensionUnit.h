#pragma once
// The camera's side of the vendor extension unit: answers the version, extended
// version, status, reply and firmware selectors with blocks laid out byte for byte as
// the camera sends them, and carries out every command of the command block (exposure,
// gain, flip, overlay, transfer buffer, GPS messages, restart ...) on the applied state.
//
// Threads: all operations are safe from any thread; one lock serialises them.

#include "simcam/SimCameraConfig.h"
#include "simcam/SimDeviceState.h"
#include "simcam/SimFlash.h"
#include "simcam/SimGpsReceiver.h"
#include "simcam/SimTransferBuffer.h"

#include <cstdint>
#include <mutex>
#include <span>

namespace orva {

class SimExtensionUnit {
public:
    static constexpr uint8_t kSelectorVersion = 1;
    static constexpr uint8_t kSelectorStatus = 4;
    static constexpr uint8_t kSelectorCommand = 5;
    static constexpr uint8_t kSelectorFirmware = 7;
    static constexpr uint8_t kSelectorExtendedVersion = 8;

    SimExtensionUnit(const SimCameraConfig& config);

    // Result codes as the platform reports them; the buffer size must be the block's.
    int32_t SetControl(uint8_t selector, std::span<const uint8_t> data);
    int32_t GetControl(uint8_t selector, std::span<uint8_t> data);

    // True once after a Restart command was accepted; the camera then leaves the bus.
    bool TakeRestartRequest();
    // Back to the power-on state after a restart; flash and GPS configuration persist.
    void PowerCycle();

    SimDeviceState State() const;
    // The firmware version the camera runs: the booted image's, or the factory one.
    SimFirmwareVersion RunningFirmware() const;
    // Set by the video source when a mode is selected.
    void SetModeIndex(int index);
    void SetLinkType(uint8_t linkType);
    void SetLinkErrors(uint16_t phyCount, uint16_t phyValue, uint16_t linkCount, uint16_t linkValue);
    void SetCommitError(bool on);
    void SetStatusFlags(bool flagA, bool flagB);

    // The logical words of the sensor channel calibration result (after the host's
    // one-byte realignment): words 2 and 3 hold the eight channel positions, 4..11
    // the channel bitmaps.
    std::array<uint32_t, 13> CalibrationResult() const;

    // Access to the flash and the GPS receiver for tests and fault injection.
    template <typename F>
    auto WithFlash(F&& f) {
        std::lock_guard lock(mutex_);
        return f(flash_);
    }
    template <typename F>
    auto WithGpsReceiver(F&& f) {
        std::lock_guard lock(mutex_);
        return f(gps_);
    }

private:
    int32_t HandleCommand(std::span<const uint8_t> block);
    void PlaceCalibrationResult();

    const SimCameraConfig config_;
    mutable std::mutex mutex_;
    SimDeviceState state_;
    SimTransferBuffer transfer_;
    SimGpsReceiver gps_;
    SimFlash flash_;
    std::array<uint8_t, 5> reply_{};
    bool restartRequested_ = false;
    SimFirmwareVersion running_;
};

}  // namespace orva
