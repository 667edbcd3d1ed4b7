#include "recording/Lagarith16Encoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace orva {
namespace {

constexpr std::size_t kValueCount = 65536;
constexpr uint32_t kInitialRange = 0x80000000u;
constexpr uint32_t kRenormalizeBelow = 0x800000u;  // renormalize while range <= this
constexpr uint32_t kFirstCountLimit = 1u << 19;

void PutU16(uint8_t* out, uint16_t v) {
    out[0] = static_cast<uint8_t>(v);
    out[1] = static_cast<uint8_t>(v >> 8);
}

// A carry that rolled the last byte over from 0xFF: further 0xFF bytes before it roll
// over to 0x00 and the byte before them counts up. The coded value never exceeds its
// initial interval, so the carry always stops inside the coded bytes.
void PropagateCarry(uint8_t* first, uint8_t* end) {
    while (end > first) {
        --end;
        if (*end != 0xFF) {
            ++*end;
            return;
        }
        *end = 0x00;
    }
}

}  // namespace

Lagarith16Encoder::Lagarith16Encoder()
    // Both are set before they are read: the histogram cleared per frame, the intervals
    // of the values that occur.
    : histogram_(std::make_unique_for_overwrite<uint32_t[]>(kValueCount)),
      intervals_(std::make_unique_for_overwrite<Interval[]>(kValueCount)) {
    symbols_.reserve(kValueCount);
    counts_.reserve(kValueCount);
}

Lagarith16Encoder::~Lagarith16Encoder() = default;

std::span<const uint8_t> Lagarith16Encoder::Encode(const uint16_t* samples, std::size_t count) {
    const std::size_t rawBytes = 2 * count;
    lastWasStored_ = false;
    if (count == 0) {
        StoreRaw(samples, count);
        return {buffer_.get(), blockSize_};
    }
    BuildModel(samples, count);
    // The coded part is abandoned as soon as it reaches the raw size; a renormalisation
    // adds at most 4 bytes past that check, the closing bytes 4 more.
    const std::size_t modelBytes = 2 + 2 * symbols_.size() + (kScaleBits * symbols_.size() + 7) / 8;
    Reserve(std::max(modelBytes + rawBytes + 16, rawBytes + kStoredPrefixBytes));
    blockSize_ = WriteModel();
    if (blockSize_ >= rawBytes || (symbols_.size() > 1 && !RangeCode(samples, count, blockSize_, rawBytes))) {
        StoreRaw(samples, count);
    }
    return {buffer_.get(), blockSize_};
}

void Lagarith16Encoder::Reserve(std::size_t bytes) {
    if (bytes <= bufferSize_) return;
    buffer_ = std::make_unique_for_overwrite<uint8_t[]>(bytes);
    bufferSize_ = bytes;
}

void Lagarith16Encoder::BuildModel(const uint16_t* samples, std::size_t count) {
    uint32_t* histogram = histogram_.get();
    std::memset(histogram, 0, kValueCount * sizeof(uint32_t));
    for (std::size_t i = 0; i < count; ++i) ++histogram[samples[i]];

    symbols_.clear();
    const double n = static_cast<double>(count);
    for (std::size_t v = 0; v < kValueCount; ++v) {
        const uint32_t c = histogram[v];
        if (c == 0) continue;
        const auto scaled = static_cast<uint32_t>(static_cast<double>(c) * 1048576.0 / n + 0.5);
        symbols_.push_back({static_cast<uint16_t>(v), std::max<uint32_t>(scaled, 1)});
    }
    // Largest first; equal counts by value, so that a frame always gives the same block.
    std::sort(symbols_.begin(), symbols_.end(), [](const Symbol& a, const Symbol& b) {
        return a.count != b.count ? a.count > b.count : a.value < b.value;
    });
    counts_.resize(symbols_.size());
    for (std::size_t i = 0; i < symbols_.size(); ++i) counts_[i] = symbols_[i].count;
    NormalizeCounts(counts_.data(), counts_.size());

    uint32_t cumulative = 0;
    for (std::size_t i = 0; i < symbols_.size(); ++i) {
        intervals_[symbols_[i].value] = {counts_[i], cumulative};
        cumulative += counts_[i];
    }
}

void Lagarith16Encoder::NormalizeCounts(uint32_t* counts, std::size_t symbolCount) {
    if (symbolCount == 0) return;
    uint64_t total = 0;
    for (std::size_t i = 0; i < symbolCount; ++i) total += counts[i];

    if (total < kTotalFrequency) {
        // Whole passes from the first symbol, then a partial one.
        const uint64_t shortfall = kTotalFrequency - total;
        const auto passes = static_cast<uint32_t>(shortfall / symbolCount);
        const std::size_t partial = static_cast<std::size_t>(shortfall % symbolCount);
        for (std::size_t i = 0; i < symbolCount; ++i) counts[i] += passes + (i < partial ? 1u : 0u);
        return;
    }

    uint64_t excess = total - kTotalFrequency;
    // The list is largest first, so every count up to the last one above 1 is above 1,
    // and a pass over them keeps it so until that last one reaches 1.
    std::size_t last = symbolCount - 1;
    while (last > 0 && counts[last] == 1) --last;
    while (excess > 0 && counts[last] > 1) {
        const uint64_t passLength = last + 1;
        if (excess < passLength) {
            // The final pass stops part-way, walking from the last one towards the first.
            for (uint64_t step = 0; step < excess; ++step) --counts[last - step];
            return;
        }
        const auto passes = static_cast<uint32_t>(std::min<uint64_t>(excess / passLength, counts[last] - 1));
        for (std::size_t i = 0; i <= last; ++i) counts[i] -= passes;
        excess -= passes * passLength;
        while (last > 0 && counts[last] == 1) --last;
    }
}

std::size_t Lagarith16Encoder::WriteModel() {
    uint8_t* out = buffer_.get();
    PutU16(out, static_cast<uint16_t>(symbols_.size() - 1));
    std::size_t pos = 2;
    for (const Symbol& s : symbols_) {
        PutU16(out + pos, s.value);
        pos += 2;
    }
    if (symbols_.size() == 1) return pos;

    // Counts least significant bit first, each as wide as the highest bit of the count
    // before it allows (they never grow); once that limit is 1 the rest are all 1.
    uint64_t bits = 0;
    unsigned bitCount = 0;
    uint32_t limit = kFirstCountLimit;
    for (const uint32_t c : counts_) {
        if (limit == 1) break;
        bits |= static_cast<uint64_t>(c) << bitCount;
        bitCount += static_cast<unsigned>(std::bit_width(limit));
        while (bitCount >= 8) {
            out[pos++] = static_cast<uint8_t>(bits);
            bits >>= 8;
            bitCount -= 8;
        }
        limit = std::bit_floor(c);
    }
    if (bitCount > 0) out[pos++] = static_cast<uint8_t>(bits);
    return pos;
}

bool Lagarith16Encoder::RangeCode(const uint16_t* samples, std::size_t count, std::size_t start, std::size_t limit) {
    uint8_t* const first = buffer_.get() + start;
    uint8_t* const budgetEnd = buffer_.get() + limit;
    uint8_t* out = first;
    const Interval* intervals = intervals_.get();
    uint32_t low = 0;
    uint32_t range = kInitialRange;
    for (std::size_t i = 0; i < count; ++i) {
        const Interval in = intervals[samples[i]];
        const uint32_t r = range >> kScaleBits;
        low += r * in.cumulative;
        range = r * in.frequency;
        // The carry goes into the bytes written at once rather than at the next byte
        // output: the coded number, and so every byte, is the same, and the loop needs no
        // unpredictable branch. Before the first byte the value cannot carry; the byte
        // before `first` (the model's last) then only gets 0 added.
        const uint32_t carry = low >> 31;
        low &= 0x7FFFFFFFu;
        const auto last = static_cast<uint8_t>(out[-1] + carry);
        out[-1] = last;
        if (last == 0 && carry != 0) [[unlikely]] PropagateCarry(first, out - 1);
        // Renormalise: 0 to 3 bytes (range is at least 8 here), written without branches.
        const uint32_t shifts = (range <= kRenormalizeBelow) + (range <= (kRenormalizeBelow >> 8)) +
                                (range <= (kRenormalizeBelow >> 16));
        out[0] = static_cast<uint8_t>(low >> 23);
        out[1] = static_cast<uint8_t>(low >> 15);
        out[2] = static_cast<uint8_t>(low >> 7);
        out += shifts;
        low = (low << (8 * shifts)) & 0x7FFFFFFFu;
        range <<= 8 * shifts;
        // No shorter than the raw frame: give up, the stored form is written instead.
        if (out >= budgetEnd) [[unlikely]] return false;
    }
    out[0] = static_cast<uint8_t>(low >> 23);
    out[1] = static_cast<uint8_t>(low >> 15);
    out[2] = static_cast<uint8_t>(low >> 7);
    out[3] = static_cast<uint8_t>(low << 1);
    out += 4;
    if (out >= budgetEnd) return false;

    // The coder keeps 31 bits of its value; one right shift aligns the stream to 32.
    uint8_t previous = 0;
    for (uint8_t* p = first; p < out; ++p) {
        const uint8_t byte = *p;
        *p = static_cast<uint8_t>((previous << 7) | (byte >> 1));
        previous = byte & 1u;
    }
    blockSize_ = static_cast<std::size_t>(out - buffer_.get());
    return true;
}

void Lagarith16Encoder::StoreRaw(const uint16_t* samples, std::size_t count) {
    blockSize_ = kStoredPrefixBytes + 2 * count;
    Reserve(blockSize_);
    std::memset(buffer_.get(), 0, kStoredPrefixBytes);
    uint8_t* out = buffer_.get() + kStoredPrefixBytes;
    for (std::size_t i = 0; i < count; ++i) PutU16(out + 2 * i, samples[i]);
    lastWasStored_ = true;
}

}  // namespace orva
