#pragma once
// The camera's flash memory behind the firmware channel (selector 7): 64 KiB erase
// blocks, 256-byte pages loaded in eight 32-byte chunks, a page checksum the host
// verifies against, and the active image slot. Erased flash reads 0xFF; programming can
// only clear bits, as on the real part.
//
// Not thread-safe: the extension unit serialises all access.

#include "simcam/SimFirmwareImage.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <vector>

namespace orva {

class SimFlash {
public:
    static constexpr std::size_t kFrameSize = 34;
    static constexpr uint32_t kBlockSize = 65536;
    static constexpr uint32_t kPageSize = 256;
    static constexpr uint32_t kBlockCount = 256;  // 16 MiB address space
    static constexpr uint8_t kSlotImg1 = 15;
    static constexpr uint8_t kSlotImg2 = 3;

    explicit SimFlash(int eraseBusyPolls) : eraseBusyPolls_(eraseBusyPolls) {}

    // One firmware frame from the host. Returns a result code.
    int32_t Write(std::span<const uint8_t> frame);
    // The reply frame; reading advances a running erase.
    int32_t Read(std::span<uint8_t> reply);

    // The checksum the camera answers for a 256-byte page.
    static uint16_t PageChecksum(std::span<const uint8_t, kPageSize> page);

    // A restart ends a running (or stuck) erase and forgets the loaded chunks; the
    // flash content stays.
    void PowerCycle();

    uint8_t ActiveSlot() const { return activeSlot_; }
    // The version of the image in the active slot, if it is one of the simulator's; the
    // camera boots it at power-on (else its factory firmware).
    std::optional<SimFirmwareVersion> BootImageVersion() const;
    void SetActiveSlot(uint8_t code) { activeSlot_ = code; }
    // The bytes at an address as the flash holds them (0xFF where never written).
    std::vector<uint8_t> ReadBytes(uint32_t address, uint32_t length) const;
    int ErasedBlockCount() const { return static_cast<int>(erasedBlocks_.size()); }

    // Faults: the page at this address programs with one byte wrong; erases never end.
    void FailPageProgram(uint32_t pageAddress) { badPages_.insert(pageAddress); }
    void SetEraseNeverEnds(bool on) { eraseNeverEnds_ = on; }

private:
    std::array<uint8_t, kPageSize>& PageAt(uint32_t pageAddress);

    int eraseBusyPolls_;
    int busyPollsLeft_ = 0;
    bool eraseNeverEnds_ = false;
    uint8_t activeSlot_ = kSlotImg1;
    std::array<uint8_t, kPageSize> loadBuffer_{};
    std::array<uint8_t, kFrameSize> reply_{};
    std::map<uint32_t, std::array<uint8_t, kPageSize>> pages_;  // written pages only
    std::set<uint32_t> erasedBlocks_;
    std::set<uint32_t> badPages_;
};

}  // namespace orva
