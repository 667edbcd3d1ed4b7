#pragma once
// Writes a firmware file into one image slot of the camera's flash through the
// extension unit's firmware channel, one bounded step at a time:
//
//   StartUpdate checks the whole file and the slot before anything is sent. Erasing sends
//   one block erase at a time and polls the camera's busy flag (giving up after 2 s of
//   busy). Programming writes the FX3 part from the slot's base address, then the FPGA
//   part that fits the camera from base + 1 MiB, each 256-byte page as eight 32-byte
//   chunks and a program command, remembering each page's checksum. Verifying asks the
//   camera for every page's checksum. The two main image slots are then activated (and
//   the activation read back); the new firmware runs after the next power cycle.
//
// The slot the camera runs from is never written: a broken link or a power loss during
// an update then always leaves a camera that boots its old firmware and can be updated
// again.
//
// The owner calls Tick from its timer; each tick does at most as many steps as a 4 ms
// timer would have done in the tick's budget, and stops early when the budget has gone
// on the clock, so the caller's thread stays responsive whatever the device's speed.
//
// Threads: the thread that owns it (the GUI thread), which also owns the extension unit's
// firmware channel for the whole update.

#include "camera/CameraExtensionUnit.h"
#include "camera/FirmwareFile.h"
#include "common/Clock.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orva {

// The update's states; programming writes the FX3 part first, then the FPGA part.
enum class FirmwareUpdateState { Idle, Done, Error, Erasing, ProgrammingFx3, ProgrammingFpga, Verifying };

class FirmwareUpdate {
public:
    using Frame = std::array<uint8_t, CameraExtensionUnit::kFirmwareFrameSize>;
    // Asks for the camera's serial number; nothing when the user declined.
    using SerialNumberQuery = std::function<std::optional<uint32_t>()>;

    enum class TransportFailure { None, Send, Read };

    // Slot indices, in the order of the dialog's list.
    static constexpr int kSlotImg1 = 0;
    static constexpr int kSlotImg2 = 1;
    static constexpr int kSlotS2bl = 2;
    static constexpr int kSlotImgR = 3;
    static constexpr int kSlotCount = 4;
    // Active slot codes of the camera.
    static constexpr int kActiveImg1 = 15;
    static constexpr int kActiveImg2 = 3;
    static constexpr int kActiveNone = 255;
    // FetchImageSlot's answer when the camera could not be asked.
    static constexpr int kActiveUnknown = -1;

    static constexpr uint32_t kBlockSize = 65536;
    static constexpr uint32_t kPageSize = 256;
    static constexpr uint32_t kFpgaOffset = 0x100000;
    static constexpr int kPagesPerStep = 16;
    static constexpr Clock::Duration kStepPeriod = std::chrono::milliseconds(4);
    static constexpr Clock::Duration kEraseTimeout = std::chrono::milliseconds(2000);

    FirmwareUpdate(CameraExtensionUnit& unit, Clock& clock);

    // The camera's active slot code, or kActiveUnknown when it could not be read.
    int FetchImageSlot();
    // Checks the file and the slot and starts erasing; any problem ends in the error state
    // with its text as status. Nothing is erased unless the camera tells which slot it
    // runs and that slot is not the target.
    void StartUpdate(const std::string& path, int slot, const SerialNumberQuery& serialNumber);
    // One step; true when the update no longer runs (idle, done or failed). Page work
    // stops at the deadline (after at least one page).
    bool DoUpdateStep(Clock::TimePoint deadline = Clock::TimePoint::max());
    // Steps for at most `budget` of the clock (and at most budget / 4 ms steps); true when
    // the update no longer runs.
    bool Tick(Clock::Duration budget);
    // Sends one frame on the firmware channel; false (logged, error state) on failure.
    bool WriteFirmwareUpdateXu(const Frame& frame);

    FirmwareUpdateState State() const { return state_; }
    bool IsRunning() const;
    const std::string& StatusText() const { return statusText_; }
    int Slot() const { return slot_; }
    // The progress in percent for the state.
    int ProgressPercent() const;
    int ChecksumErrors() const { return checksumErrors_; }
    // The kind of the last send or read failure, once.
    TransportFailure TakeTransportFailure();

    static const char* SlotName(int slot);
    // The checksum the camera answers for a 256-byte page.
    static uint16_t PageChecksum(std::span<const uint8_t, kPageSize> page);

private:
    void Fail(std::string text);
    bool ReadReply(Frame& reply);
    void StepErase();
    void StepProgram(Clock::TimePoint deadline);
    void StepVerify(Clock::TimePoint deadline);
    void StartPass(FirmwareUpdateState pass);
    void Activate();

    CameraExtensionUnit& unit_;
    Clock& clock_;
    int slot_ = -1;
    uint32_t firstBlock_ = 0;
    uint32_t lastBlock_ = 0;
    FirmwareUpdateState state_ = FirmwareUpdateState::Idle;
    std::string statusText_ = "Idle.";
    uint32_t position_ = 0;
    std::optional<FirmwareFile> file_;
    std::span<const uint8_t> fx3Part_;
    std::span<const uint8_t> fpgaPart_;
    std::span<const uint8_t> pass_;  // what is left of the current pass
    uint32_t fx3Size_ = 0;
    uint32_t fpgaSize_ = 0;
    uint32_t total_ = 0;
    std::map<uint32_t, uint16_t> pageChecksums_;
    std::vector<uint32_t> pagesToVerify_;
    std::size_t verified_ = 0;
    int checksumErrors_ = 0;
    bool busy_ = false;
    Clock::TimePoint eraseDeadline_{};
    TransportFailure failure_ = TransportFailure::None;
};

}  // namespace orva
