#include "recording/Lagarith16Decoder.h"

#include "recording/Lagarith16Encoder.h"

#include <algorithm>
#include <array>
#include <bit>

namespace orva {
namespace {

constexpr uint32_t kTotal = Lagarith16Encoder::kTotalFrequency;
constexpr unsigned kScaleBits = Lagarith16Encoder::kScaleBits;
constexpr uint32_t kRenormalizeBelow = 0x800000u;
constexpr std::size_t kValueCount = 65536;

__extension__ using Uint128 = unsigned __int128;

// code / r for code < 2^31 and 8 <= r <= 2^11, as a multiplication: with
// m = ceil(2^42 / r) the quotient is (code x m) >> 42 exactly, since code x (m r - 2^42)
// stays below 2^42. A division per sample would take most of the decoding time.
constexpr unsigned kReciprocalShift = 42;
constexpr uint32_t kMaxR = 1u << 11;

const std::array<uint64_t, kMaxR + 1>& Reciprocals() {
    static const std::array<uint64_t, kMaxR + 1> table = [] {
        std::array<uint64_t, kMaxR + 1> t{};
        for (uint64_t r = 1; r <= kMaxR; ++r) t[r] = ((uint64_t{1} << kReciprocalShift) + r - 1) / r;
        return t;
    }();
    return table;
}

uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

bool Fail(Lagarith16Error& error, std::size_t offset, std::string what) {
    error.offset = offset;
    error.what = std::move(what);
    return false;
}

}  // namespace

Lagarith16Decoder::Lagarith16Decoder() = default;

Lagarith16Decoder::~Lagarith16Decoder() = default;

bool Lagarith16Decoder::Decode(std::span<const uint8_t> block, std::span<uint16_t> samples, Lagarith16Error& error) {
    if (block.size() == Lagarith16Encoder::kStoredPrefixBytes + 2 * samples.size()) {
        return DecodeStored(block, samples, error);
    }
    if (block.size() >= 2 * samples.size()) {
        return Fail(error, 0,
                    "coded block of " + std::to_string(block.size()) + " bytes is not shorter than the raw frame (" +
                        std::to_string(2 * samples.size()) + " bytes) and not the stored form");
    }
    std::size_t pos = 0;
    if (!ReadModel(block, pos, error)) return false;
    if (values_.size() == 1) {
        if (pos != block.size()) {
            return Fail(error, pos, std::to_string(block.size() - pos) + " bytes after a one-symbol block");
        }
        for (uint16_t& s : samples) s = values_[0];
        return true;
    }
    return RangeDecode(block, pos, samples, error);
}

bool Lagarith16Decoder::DecodeStored(std::span<const uint8_t> block, std::span<uint16_t> samples,
                                     Lagarith16Error& error) {
    for (std::size_t i = 0; i < Lagarith16Encoder::kStoredPrefixBytes; ++i) {
        if (block[i] != 0) return Fail(error, i, "stored block does not start with 8 zero bytes");
    }
    const uint8_t* raw = block.data() + Lagarith16Encoder::kStoredPrefixBytes;
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = GetU16(raw + 2 * i);
    return true;
}

bool Lagarith16Decoder::ReadModel(std::span<const uint8_t> block, std::size_t& pos, Lagarith16Error& error) {
    if (block.size() < 4) return Fail(error, 0, "block of " + std::to_string(block.size()) + " bytes is too short");
    const std::size_t symbolCount = static_cast<std::size_t>(GetU16(block.data())) + 1;
    if (2 + 2 * symbolCount > block.size()) {
        return Fail(error, 2, "table of " + std::to_string(symbolCount) + " symbols runs past the block end");
    }
    values_.resize(symbolCount);
    seen_.assign(kValueCount, 0);
    pos = 2;
    for (std::size_t i = 0; i < symbolCount; ++i, pos += 2) {
        const uint16_t value = GetU16(block.data() + pos);
        if (seen_[value]) return Fail(error, pos, "symbol value " + std::to_string(value) + " listed twice");
        seen_[value] = 1;
        values_[i] = value;
    }
    if (symbolCount == 1) return true;

    counts_.resize(symbolCount);
    cumulative_.resize(symbolCount);
    const std::size_t countsStart = pos;
    std::size_t bitPos = 0;
    const std::size_t bitsAvailable = 8 * (block.size() - countsStart);
    uint32_t limit = 1u << 19;
    uint64_t total = 0;
    for (std::size_t i = 0; i < symbolCount; ++i) {
        uint32_t count = 1;
        if (limit != 1) {
            const auto width = static_cast<unsigned>(std::bit_width(limit));
            if (bitPos + width > bitsAvailable) {
                return Fail(error, countsStart + bitPos / 8, "count table runs past the block end");
            }
            count = 0;
            for (unsigned b = 0; b < width; ++b, ++bitPos) {
                const uint8_t byte = block[countsStart + bitPos / 8];
                count |= static_cast<uint32_t>((byte >> (bitPos % 8)) & 1u) << b;
            }
            if (count == 0) return Fail(error, countsStart + (bitPos - 1) / 8, "count of symbol " + std::to_string(i) + " is 0");
            limit = std::bit_floor(count);
        }
        cumulative_[i] = static_cast<uint32_t>(total);
        counts_[i] = count;
        total += count;
        if (total > kTotal) break;
    }
    pos = countsStart + (bitPos + 7) / 8;
    if (total != kTotal) {
        return Fail(error, countsStart, "symbol counts do not add up to " + std::to_string(kTotal));
    }
    return true;
}

bool Lagarith16Decoder::RangeDecode(std::span<const uint8_t> block, std::size_t pos, std::span<uint16_t> samples,
                                    Lagarith16Error& error) {
    if (block.size() - pos < 4) return Fail(error, pos, "range-coded data shorter than 4 bytes");
    if (block[pos] & 0x80u) return Fail(error, pos, "range-coded data does not start with a zero bit");
    // The symbol of a cumulative frequency: a small table gives the first symbol of each
    // bucket of 256 frequencies, a short walk the exact one. A table of all 2^20 entries
    // would not stay in the cache.
    cumulativeEnd_.resize(counts_.size());
    for (std::size_t i = 0; i < counts_.size(); ++i) cumulativeEnd_[i] = cumulative_[i] + counts_[i];
    uint16_t symbol = 0;
    for (uint32_t bucket = 0; bucket < kBuckets; ++bucket) {
        while (cumulativeEnd_[symbol] <= (bucket << kBucketShift)) ++symbol;
        bucketSymbol_[bucket] = symbol;
    }
    const uint16_t* bucketSymbol = bucketSymbol_.data();
    const uint32_t* cumulativeEnd = cumulativeEnd_.data();
    return DecodeSamples(block, pos, samples, error, [bucketSymbol, cumulativeEnd](uint32_t target) {
        uint16_t s = bucketSymbol[target >> kBucketShift];
        while (cumulativeEnd[s] <= target) ++s;
        return s;
    });
}

template <typename SymbolOf>
bool Lagarith16Decoder::DecodeSamples(std::span<const uint8_t> block, std::size_t pos, std::span<uint16_t> samples,
                                      Lagarith16Error& error, SymbolOf symbolOf) {
    const uint8_t* data = block.data();
    const std::size_t end = block.size();
    std::size_t next = pos;
    uint32_t code = (static_cast<uint32_t>(data[next]) << 24) | (static_cast<uint32_t>(data[next + 1]) << 16) |
                    (static_cast<uint32_t>(data[next + 2]) << 8) | data[next + 3];
    next += 4;
    uint32_t range = 0x80000000u;
    const uint32_t* counts = counts_.data();
    const uint32_t* cumulative = cumulative_.data();
    const uint16_t* values = values_.data();
    const uint64_t* reciprocals = Reciprocals().data();
    // Every step keeps code < range <= 2^31, damaged input or not: the symbol found for
    // the target always holds it.
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const uint32_t r = range >> kScaleBits;
        const auto target = static_cast<uint32_t>((static_cast<Uint128>(code) * reciprocals[r]) >> kReciprocalShift);
        if (target >= kTotal) {
            return Fail(error, next - 1, "coded value outside the model at sample " + std::to_string(i));
        }
        const uint16_t s = symbolOf(target);
        code -= r * cumulative[s];
        range = r * counts[s];
        while (range <= kRenormalizeBelow) {
            if (next == end) return Fail(error, end, "range-coded data ends at sample " + std::to_string(i));
            code = (code << 8) | data[next++];
            range <<= 8;
        }
        samples[i] = values[s];
    }
    if (next != end) return Fail(error, next, std::to_string(end - next) + " bytes after the last sample");
    return true;
}

}  // namespace orva
