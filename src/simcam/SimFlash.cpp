#include "simcam/SimFlash.h"

#include "camera/IExtensionUnitTransport.h"

#include <algorithm>

namespace orva {

namespace {

constexpr uint8_t kEraseBlock = 0x28;
constexpr uint8_t kLoadChunk = 0x32;
constexpr uint8_t kProgramPage = 0x33;
constexpr uint8_t kReadChecksum = 0x3C;
constexpr uint8_t kQuerySlot = 0x44;
constexpr uint8_t kActivateSlot = 0x45;

// Busy: a command arrived while an erase was still running.
constexpr int32_t kResultBusy = static_cast<int32_t>(0x800700AAu);

uint32_t PageAddressOf(std::span<const uint8_t> frame) {
    return (static_cast<uint32_t>(frame[1]) << 16) | (static_cast<uint32_t>(frame[2]) << 8);
}

}  // namespace

uint16_t SimFlash::PageChecksum(std::span<const uint8_t, kPageSize> page) {
    uint32_t s1 = 0;
    uint32_t s2 = 0;
    for (uint8_t b : page) {
        s1 += b;
        s2 += s1;
    }
    return static_cast<uint16_t>(((s2 + s2 / 255) << 8) + (s1 % 255));
}

std::array<uint8_t, SimFlash::kPageSize>& SimFlash::PageAt(uint32_t pageAddress) {
    auto it = pages_.find(pageAddress);
    if (it == pages_.end()) {
        std::array<uint8_t, kPageSize> erased;
        erased.fill(0xFF);
        it = pages_.emplace(pageAddress, erased).first;
    }
    return it->second;
}

int32_t SimFlash::Write(std::span<const uint8_t> frame) {
    if (frame.size() != kFrameSize) return kResultInvalidArgument;
    if (busyPollsLeft_ != 0) return kResultBusy;
    reply_.fill(0);
    switch (frame[0]) {
    case kEraseBlock: {
        const uint32_t block = frame[1];
        const uint32_t first = block * kBlockSize;
        pages_.erase(pages_.lower_bound(first), pages_.lower_bound(first + kBlockSize));
        erasedBlocks_.insert(block);
        busyPollsLeft_ = eraseNeverEnds_ ? -1 : eraseBusyPolls_;
        return kResultOk;
    }
    case kLoadChunk: {
        const uint8_t chunk = frame[1];
        if (chunk > 7) return kResultInvalidArgument;
        std::copy(frame.begin() + 2, frame.begin() + 34, loadBuffer_.begin() + chunk * 32);
        return kResultOk;
    }
    case kProgramPage: {
        auto& page = PageAt(PageAddressOf(frame));
        // Programming clears bits only: an unerased page keeps its zeros.
        for (uint32_t i = 0; i < kPageSize; ++i) page[i] &= loadBuffer_[i];
        if (badPages_.count(PageAddressOf(frame)) != 0) page[kPageSize / 2] ^= 0x5A;
        return kResultOk;
    }
    case kReadChecksum: {
        const uint16_t checksum = PageChecksum(PageAt(PageAddressOf(frame)));
        reply_[1] = static_cast<uint8_t>(checksum >> 8);
        reply_[2] = static_cast<uint8_t>(checksum);
        return kResultOk;
    }
    case kQuerySlot:
        reply_[3] = activeSlot_;
        return kResultOk;
    case kActivateSlot:
        if (frame[1] == 0x0F) {
            activeSlot_ = kSlotImg1;
        } else if (frame[1] == 0x03) {
            activeSlot_ = kSlotImg2;
        } else {
            return kResultInvalidArgument;
        }
        return kResultOk;
    default:
        return kResultInvalidArgument;
    }
}

int32_t SimFlash::Read(std::span<uint8_t> reply) {
    if (reply.size() != kFrameSize) return kResultInvalidArgument;
    std::copy(reply_.begin(), reply_.end(), reply.begin());
    reply[0] = busyPollsLeft_ != 0 ? 1 : 0;
    if (busyPollsLeft_ > 0) --busyPollsLeft_;
    return kResultOk;
}

void SimFlash::PowerCycle() {
    busyPollsLeft_ = 0;
    loadBuffer_.fill(0);
    reply_.fill(0);
}

std::optional<SimFirmwareVersion> SimFlash::BootImageVersion() const {
    uint32_t firstBlock = 0;
    if (activeSlot_ == kSlotImg1) {
        firstBlock = 64;
    } else if (activeSlot_ == kSlotImg2) {
        firstBlock = 128;
    } else {
        return std::nullopt;
    }
    return SimFirmwareImage::VersionOf(ReadBytes(firstBlock * kBlockSize, SimFirmwareImage::kVersionedPrefix));
}

std::vector<uint8_t> SimFlash::ReadBytes(uint32_t address, uint32_t length) const {
    std::vector<uint8_t> bytes(length, 0xFF);
    for (uint32_t i = 0; i < length; ++i) {
        const uint32_t a = address + i;
        auto it = pages_.find(a & ~(kPageSize - 1));
        if (it != pages_.end()) bytes[i] = it->second[a % kPageSize];
    }
    return bytes;
}

}  // namespace orva
