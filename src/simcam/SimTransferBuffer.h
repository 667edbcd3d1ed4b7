#pragma once
// The camera's transfer buffer: 32-bit words the host writes one at a time from a
// write address and reads back by index. Byte streams (GPS messages) are packed four
// bytes a word, the first byte of each four in the least significant position.
//
// Not thread-safe: the extension unit serialises all access.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace orva {

class SimTransferBuffer {
public:
    static constexpr std::size_t kWords = 256;

    void ResetWriteAddress() { writeAddress_ = 0; }
    // False when the buffer is full (the word is dropped).
    bool AppendWord(uint32_t word);
    uint32_t Word(std::size_t index) const { return words_[index % kWords]; }
    void SetWord(std::size_t index, uint32_t word) { words_[index % kWords] = word; }

    // Stream view: byte i lives in word i / 4 at bit 8 x (i % 4).
    std::vector<uint8_t> StreamBytes(std::size_t count) const;
    // Writes the bytes from stream position 0 and clears the rest of the buffer.
    void SetStream(std::span<const uint8_t> bytes);

    void Clear();

private:
    std::array<uint32_t, kWords> words_{};
    std::size_t writeAddress_ = 0;
};

}  // namespace orva
