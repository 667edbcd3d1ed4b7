#include "camera/FirmwareUpdate.h"

#include "common/Log.h"

#include <algorithm>
#include <utility>

namespace orva {
namespace {

constexpr uint8_t kEraseBlock = 0x28;
constexpr uint8_t kLoadChunk = 0x32;
constexpr uint8_t kProgramPage = 0x33;
constexpr uint8_t kReadChecksum = 0x3C;
constexpr uint8_t kQuerySlot = 0x44;
constexpr uint8_t kActivateSlot = 0x45;
constexpr uint32_t kChunkSize = 32;

struct SlotLayout {
    const char* name;
    uint32_t firstBlock;
    uint32_t lastBlock;
    int activeCode;  // 0: not an image the camera boots directly
};

constexpr SlotLayout kSlots[FirmwareUpdate::kSlotCount] = {
    {"IMG-1", 64, 127, FirmwareUpdate::kActiveImg1},
    {"IMG-2", 128, 191, FirmwareUpdate::kActiveImg2},
    {"S2BL", 0, 31, 0},
    {"IMG-R", 32, 63, 0},
};

bool IsImageSlot(int slot) { return slot == FirmwareUpdate::kSlotImg1 || slot == FirmwareUpdate::kSlotImg2; }

FirmwareUpdate::Frame AddressFrame(uint8_t code, uint32_t address) {
    return {code, static_cast<uint8_t>(address >> 16), static_cast<uint8_t>(address >> 8)};
}

}  // namespace

FirmwareUpdate::FirmwareUpdate(CameraExtensionUnit& unit, Clock& clock) : unit_(unit), clock_(clock) {}

const char* FirmwareUpdate::SlotName(int slot) {
    return slot >= 0 && slot < kSlotCount ? kSlots[slot].name : "";
}

uint16_t FirmwareUpdate::PageChecksum(std::span<const uint8_t, kPageSize> page) {
    uint32_t s1 = 0;
    uint32_t s2 = 0;
    for (const uint8_t b : page) {
        s1 += b;
        s2 += s1;
    }
    // The camera's variant: the high part is S2 + S2 / 255, not S2 mod 255.
    return static_cast<uint16_t>(((s2 + s2 / 255) << 8) + (s1 % 255));
}

bool FirmwareUpdate::IsRunning() const {
    return state_ != FirmwareUpdateState::Idle && state_ != FirmwareUpdateState::Done &&
           state_ != FirmwareUpdateState::Error;
}

FirmwareUpdate::TransportFailure FirmwareUpdate::TakeTransportFailure() {
    return std::exchange(failure_, TransportFailure::None);
}

void FirmwareUpdate::Fail(std::string text) {
    state_ = FirmwareUpdateState::Error;
    statusText_ = std::move(text);
    busy_ = false;
    file_.reset();
    fx3Part_ = fpgaPart_ = pass_ = {};
}

bool FirmwareUpdate::WriteFirmwareUpdateXu(const Frame& frame) {
    const int32_t rc = unit_.SetExtensionUnit(CameraExtensionUnit::kSelectorFirmware, frame);
    if (rc >= 0) return true;
    LogMessageInt("E FirmwareUpdate::WriteFirmwareUpdateXu failed: ", rc);
    state_ = FirmwareUpdateState::Error;
    failure_ = TransportFailure::Send;
    return false;
}

bool FirmwareUpdate::ReadReply(Frame& reply) {
    if (unit_.GetExtensionUnit(CameraExtensionUnit::kSelectorFirmware, reply)) return true;
    failure_ = TransportFailure::Read;
    Fail("Failed to read data from the camera.");
    return false;
}

int FirmwareUpdate::FetchImageSlot() {
    LogMessage("I Fetching firmware IMG slot");
    if (!WriteFirmwareUpdateXu(Frame{kQuerySlot})) {
        LogMessage("E Fetching firmware IMG slot failed (1)!");
        return kActiveUnknown;
    }
    Frame reply{};
    if (!unit_.GetExtensionUnit(CameraExtensionUnit::kSelectorFirmware, reply)) {
        failure_ = TransportFailure::Read;
        LogMessage("E Fetching firmware IMG slot failed (2)!");
        return kActiveUnknown;
    }
    return reply[3];
}

void FirmwareUpdate::StartUpdate(const std::string& path, int slot, const SerialNumberQuery& serialNumber) {
    file_.reset();
    failure_ = TransportFailure::None;
    std::string error;
    std::optional<FirmwareFile> file = FirmwareFile::Open(path, error);
    if (!file) return Fail(error);

    const std::optional<uint32_t> serial = serialNumber ? serialNumber() : std::nullopt;
    if (!serial || *serial == 0) return Fail("Error: The camera's serial number is needed to choose the FPGA part.");
    const bool secondFpga = FirmwareFile::TakesSecondFpgaPart(*serial);
    const uint32_t fx3Size = file->Fx3Size();
    const uint32_t fpgaSize = secondFpga ? file->SecondFpgaSize() : file->FirstFpgaSize();

    if (fx3Size < FirmwareFile::kMinFx3Size || fx3Size > FirmwareFile::kMaxFx3Size) {
        return Fail("Error: The firmware file is corrupt (1).");
    }
    if (fpgaSize > FirmwareFile::kMaxFx3OnlyFpgaSize && (slot == kSlotS2bl || slot == kSlotImgR)) {
        return Fail(std::string("Error: Wrong firmware file for slot ") + SlotName(slot));
    }
    if ((fpgaSize < FirmwareFile::kMinFpgaSize || fpgaSize > FirmwareFile::kMaxFpgaSize) && IsImageSlot(slot)) {
        return Fail("Error: The firmware file is corrupt (2).");
    }
    LogMessageInt2(secondFpga ? "I Firmware file is open, bytes for FX3 / FPGA_FTG256: "
                              : "I Firmware file is open, bytes for FX3 / FPGA_CSG324: ",
                   static_cast<int>(fx3Size), static_cast<int>(fpgaSize));
    if (slot < 0 || slot >= kSlotCount) return Fail("Error: Unknown firmware slot");
    // Erasing the image the camera runs from would leave nothing to boot if the link or
    // the power fails before the new image is complete; a camera that cannot say which
    // one it runs may run the target, so nothing is erased then either.
    const int running = FetchImageSlot();
    if (running < 0) {
        return Fail("Error: The camera did not report its active firmware slot. Please reconnect the camera and "
                    "try again.");
    }
    if (IsImageSlot(slot) && running == kSlots[slot].activeCode) {
        return Fail(std::string("Error: The camera runs the firmware in slot ") + SlotName(slot) +
                    ". Please write the other image slot.");
    }

    slot_ = slot;
    firstBlock_ = kSlots[slot].firstBlock;
    lastBlock_ = kSlots[slot].lastBlock;
    file_ = std::move(file);
    fx3Part_ = file_->Fx3Part();
    fpgaPart_ = file_->FpgaPart(*serial);
    fx3Size_ = fx3Size;
    fpgaSize_ = fpgaSize;
    total_ = fx3Size + fpgaSize;
    pass_ = {};
    pageChecksums_.clear();
    pagesToVerify_.clear();
    verified_ = 0;
    checksumErrors_ = 0;
    busy_ = false;
    state_ = FirmwareUpdateState::Erasing;
    position_ = firstBlock_;
    statusText_ = "Erasing the FLASH memory...";
}

bool FirmwareUpdate::Tick(Clock::Duration budget) {
    const Clock::TimePoint start = clock_.Now();
    const Clock::TimePoint deadline = start + budget;
    const int64_t maxSteps = std::max<int64_t>(1, budget / kStepPeriod);
    for (int64_t step = 0; step < maxSteps; ++step) {
        if (DoUpdateStep(deadline)) return true;
        if (clock_.Now() >= deadline) break;
    }
    return false;
}

bool FirmwareUpdate::DoUpdateStep(Clock::TimePoint deadline) {
    if (!IsRunning()) return true;
    if (busy_ && clock_.Now() >= eraseDeadline_) {
        Fail("Timeout waiting for block erase to complete.");
        return true;
    }
    switch (state_) {
    case FirmwareUpdateState::Erasing:
        StepErase();
        break;
    case FirmwareUpdateState::ProgrammingFx3:
    case FirmwareUpdateState::ProgrammingFpga:
        StepProgram(deadline);
        break;
    case FirmwareUpdateState::Verifying:
        StepVerify(deadline);
        break;
    default:
        Fail("Internal inconsistency.");
        break;
    }
    return !IsRunning();
}

void FirmwareUpdate::StepErase() {
    if (busy_) {
        Frame reply{};
        if (!ReadReply(reply)) return;
        busy_ = reply[0] != 0;
        if (busy_) return;
    }
    if (position_ > lastBlock_) return StartPass(FirmwareUpdateState::ProgrammingFx3);
    busy_ = true;
    eraseDeadline_ = clock_.Now() + kEraseTimeout;
    LogMessageInt("I Erasing block: ", static_cast<int>(position_));
    if (!WriteFirmwareUpdateXu(Frame{kEraseBlock, static_cast<uint8_t>(position_)})) {
        return Fail("Failed to send an erase command to the camera.");
    }
    ++position_;
}

void FirmwareUpdate::StartPass(FirmwareUpdateState pass) {
    state_ = pass;
    if (pass == FirmwareUpdateState::ProgrammingFx3) {
        statusText_ = "Programming the FLASH memory, 1/2...";
        pageChecksums_.clear();
        pass_ = fx3Part_;
        fx3Size_ = 0;
        position_ = firstBlock_ * kBlockSize;
    } else {
        statusText_ = "Programming the FLASH memory, 2/2...";
        pass_ = fpgaPart_;
        fpgaSize_ = 0;
        position_ = firstBlock_ * kBlockSize + kFpgaOffset;
    }
}

void FirmwareUpdate::StepProgram(Clock::TimePoint deadline) {
    for (int page = 0; page < kPagesPerStep && (page == 0 || clock_.Now() < deadline); ++page) {
        const std::size_t n = std::min<std::size_t>(pass_.size(), kPageSize);
        if (n == 0) {
            if (state_ == FirmwareUpdateState::ProgrammingFx3) return StartPass(FirmwareUpdateState::ProgrammingFpga);
            file_.reset();
            statusText_ = "Checksum verification...";
            state_ = FirmwareUpdateState::Verifying;
            position_ = 0;
            checksumErrors_ = 0;
            pagesToVerify_.clear();
            for (const auto& entry : pageChecksums_) pagesToVerify_.push_back(entry.first);
            verified_ = 0;
            return;
        }
        std::array<uint8_t, kPageSize> buffer;
        buffer.fill(0xFF);
        std::copy_n(pass_.begin(), n, buffer.begin());
        pass_ = pass_.subspan(n);
        pageChecksums_[position_] = PageChecksum(buffer);

        for (uint32_t chunk = 0; chunk < kPageSize / kChunkSize; ++chunk) {
            Frame frame{kLoadChunk, static_cast<uint8_t>(chunk)};
            std::copy_n(buffer.begin() + chunk * kChunkSize, kChunkSize, frame.begin() + 2);
            if (!WriteFirmwareUpdateXu(frame)) return Fail("Failed to send a data block to the camera.");
        }
        LogMessageInt("I Flash write: ", static_cast<int>(position_));
        if (!WriteFirmwareUpdateXu(AddressFrame(kProgramPage, position_))) {
            return Fail("Failed to write a data block into the camera flash.");
        }
        position_ += kPageSize;
    }
}

void FirmwareUpdate::StepVerify(Clock::TimePoint deadline) {
    for (int page = 0; page < kPagesPerStep && verified_ < pagesToVerify_.size() &&
                       (page == 0 || clock_.Now() < deadline);
         ++page) {
        const uint32_t address = pagesToVerify_[verified_++];
        position_ = static_cast<uint32_t>(verified_);
        if (!WriteFirmwareUpdateXu(AddressFrame(kReadChecksum, address))) {
            return Fail("Failed to send a read FLASH data request.");
        }
        Frame reply{};
        if (!ReadReply(reply)) return;
        const int actual = reply[1] * 256 + reply[2];
        const int expected = pageChecksums_[address];
        if (actual != expected) {
            ++checksumErrors_;
            LogMessageInt("W Checksum error at address: ", static_cast<int>(address));
            LogMessageInt("W Expected: ", expected);
            LogMessageInt("W Actual: ", actual);
        }
    }
    if (verified_ < pagesToVerify_.size()) return;
    if (checksumErrors_ > 0) return Fail("Checksum error, please try again.");
    if (IsImageSlot(slot_)) return Activate();
    state_ = FirmwareUpdateState::Done;
}

void FirmwareUpdate::Activate() {
    LogMessageInt("I Activating firmware image slot: ", slot_);
    const uint8_t code = slot_ == kSlotImg1 ? 0x0F : 0x03;
    // The activation counts only when the camera then reports the written slot.
    if (!WriteFirmwareUpdateXu(Frame{kActivateSlot, code}) || FetchImageSlot() != kSlots[slot_].activeCode) {
        LogMessage("E Activating firmware image slot failed!");
        return Fail("Firmware activation failed.");
    }
    state_ = FirmwareUpdateState::Done;
}

int FirmwareUpdate::ProgressPercent() const {
    switch (state_) {
    case FirmwareUpdateState::Idle:
        return 0;
    case FirmwareUpdateState::Done:
        return 100;
    case FirmwareUpdateState::Erasing:
        return static_cast<int>((position_ - firstBlock_) * 18 / (lastBlock_ - firstBlock_) + 1);
    case FirmwareUpdateState::ProgrammingFx3:
    case FirmwareUpdateState::ProgrammingFpga:
        if (total_ == 0) return 20;
        return static_cast<int>(79 - (int64_t{static_cast<int64_t>(pass_.size())} + fpgaSize_ + fx3Size_) * 59 /
                                         total_);
    case FirmwareUpdateState::Verifying:
        if (pageChecksums_.empty()) return 99;
        return static_cast<int>(99 - static_cast<int64_t>(pagesToVerify_.size() - verified_) * 19 /
                                         static_cast<int64_t>(pageChecksums_.size()));
    default:
        return 50;
    }
}

}  // namespace orva
