#include "simcam/SimTransferBuffer.h"

namespace orva {

bool SimTransferBuffer::AppendWord(uint32_t word) {
    if (writeAddress_ >= kWords) return false;
    words_[writeAddress_++] = word;
    return true;
}

std::vector<uint8_t> SimTransferBuffer::StreamBytes(std::size_t count) const {
    std::vector<uint8_t> bytes(count);
    for (std::size_t i = 0; i < count && i < kWords * 4; ++i) {
        bytes[i] = static_cast<uint8_t>(words_[i / 4] >> (8 * (i % 4)));
    }
    return bytes;
}

void SimTransferBuffer::SetStream(std::span<const uint8_t> bytes) {
    words_.fill(0);
    for (std::size_t i = 0; i < bytes.size() && i < kWords * 4; ++i) {
        words_[i / 4] |= static_cast<uint32_t>(bytes[i]) << (8 * (i % 4));
    }
}

void SimTransferBuffer::Clear() {
    words_.fill(0);
    writeAddress_ = 0;
}

}  // namespace orva
