#pragma once
// The LAGARITH16 frame codec, encoding side: one frame of 16-bit samples becomes a
// self-contained block holding the frame's own symbol model (the values that occur and
// their frequencies, scaled to 2^20) and the range-coded samples. A frame that would not
// get shorter is stored instead: 8 zero bytes and the raw samples, little-endian.
//
// Block layout: u16 number of symbols - 1; the symbol values (u16 each, most frequent
// first); unless there is only one symbol, the counts, bit-packed with shrinking widths,
// then the range-coded samples as one big-endian bit string shifted right by one bit.
//
// Pixel code without devices or threads. One encoder serves one thread at a time; its
// tables are allocated once and reused for every frame.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace orva {

class Lagarith16Encoder {
public:
    static constexpr unsigned kScaleBits = 20;
    static constexpr uint32_t kTotalFrequency = 1u << kScaleBits;
    static constexpr std::size_t kStoredPrefixBytes = 8;

    Lagarith16Encoder();
    ~Lagarith16Encoder();
    Lagarith16Encoder(const Lagarith16Encoder&) = delete;
    Lagarith16Encoder& operator=(const Lagarith16Encoder&) = delete;

    // Encodes `count` samples; the block stays valid until the next call.
    std::span<const uint8_t> Encode(const uint16_t* samples, std::size_t count);

    // True when the last block is the stored form.
    bool LastWasStored() const { return lastWasStored_; }

    // Brings counts in list order (largest first, every count at least 1) to a total of
    // exactly 2^20, giving the same counts as walking the list one step at a time: a
    // shortfall adds 1 per symbol from the first one on, pass after pass, stopping as
    // soon as the total is reached; an excess takes 1 per symbol from the last one above
    // 1 towards the first, that last one looked up afresh before every pass. The walk can
    // take some 10^9 steps for one frame (one dominant value, many rare ones); this takes
    // whole passes at once and is linear in the number of symbols.
    static void NormalizeCounts(uint32_t* counts, std::size_t symbolCount);

private:
    struct Symbol {
        uint16_t value;
        uint32_t count;
    };
    // Per sample value: frequency and cumulative frequency, together for one load.
    struct Interval {
        uint32_t frequency;
        uint32_t cumulative;
    };

    void BuildModel(const uint16_t* samples, std::size_t count);
    std::size_t WriteModel();
    bool RangeCode(const uint16_t* samples, std::size_t count, std::size_t start, std::size_t limit);
    void StoreRaw(const uint16_t* samples, std::size_t count);
    // Grows the work buffer without touching what it holds.
    void Reserve(std::size_t bytes);

    std::unique_ptr<uint32_t[]> histogram_;
    std::unique_ptr<Interval[]> intervals_;
    std::vector<Symbol> symbols_;
    std::vector<uint32_t> counts_;
    std::unique_ptr<uint8_t[]> buffer_;
    std::size_t bufferSize_ = 0;
    std::size_t blockSize_ = 0;
    bool lastWasStored_ = false;
};

}  // namespace orva
