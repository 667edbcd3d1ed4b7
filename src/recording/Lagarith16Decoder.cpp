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

// code / r for code < 2^31 and 8 <= r <= 2^11, as one multiplication and a shift: with
// l = bit_width(r - 1) and m = ceil(2^(31 + l) / r), which fits 32 bits, the quotient is
// (code x m) >> (31 + l) exactly, since code x (m r - 2^(31 + l)) < 2^31 x r <= 2^(31 + l)
// (division by invariant integers, Granlund and Montgomery). A division per sample would
// take most of the decoding time; 32-bit factors keep the table small enough to stay in
// the first-level cache beside the symbol lookup. (r never falls below 8: renormalisation
// keeps range above 2^23.)
constexpr uint32_t kMaxR = 1u << 11;

const std::array<uint32_t, kMaxR + 1>& Reciprocals() {
    static const std::array<uint32_t, kMaxR + 1> table = [] {
        std::array<uint32_t, kMaxR + 1> t{};
        for (uint32_t r = 8; r <= kMaxR; ++r) {
            const uint64_t scale = uint64_t{1} << (31 + std::bit_width(r - 1));
            t[r] = static_cast<uint32_t>((scale + r - 1) / r);
        }
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
    BuildLookup();
    const uint8_t* data = block.data();
    const std::size_t end = block.size();
    std::size_t next = pos;
    uint32_t code = (static_cast<uint32_t>(data[next]) << 24) | (static_cast<uint32_t>(data[next + 1]) << 16) |
                    (static_cast<uint32_t>(data[next + 2]) << 8) | data[next + 3];
    next += 4;
    uint32_t range = 0x80000000u;
    const uint64_t* bucketEntry = bucketEntry_.data();
    const uint64_t* symbolEntry = symbolEntry_.data();
    const uint32_t* cumulativeEnd = cumulativeEnd_.data();
    const uint32_t* reciprocals = Reciprocals().data();
    uint16_t* out = samples.data();
    const std::size_t count = samples.size();
    // Every step keeps code < range <= 2^31, damaged input or not: the symbol found for
    // the target always holds it.
    for (std::size_t i = 0; i < count; ++i) {
        const uint32_t r = range >> kScaleBits;
        const auto target =
            static_cast<uint32_t>((uint64_t{code} * reciprocals[r]) >> (31 + std::bit_width(r - 1)));
        uint64_t entry = bucketEntry[target >> kBucketShift];
        if (static_cast<int64_t>(entry) < 0) [[unlikely]] {
            if (target >= kTotal) {
                return Fail(error, next - 1, "coded value outside the model at sample " + std::to_string(i));
            }
            auto s = static_cast<uint32_t>(entry);
            while (cumulativeEnd[s] <= target) ++s;
            entry = symbolEntry[s];
        }
        code -= r * static_cast<uint32_t>(entry & kFieldMask);
        range = r * static_cast<uint32_t>((entry >> kFrequencyShift) & kFieldMask);
        while (range <= kRenormalizeBelow) {
            if (next == end) return Fail(error, end, "range-coded data ends at sample " + std::to_string(i));
            code = (code << 8) | data[next++];
            range <<= 8;
        }
        out[i] = static_cast<uint16_t>(entry >> kValueShift);
    }
    if (next != end) return Fail(error, next, std::to_string(end - next) + " bytes after the last sample");
    return true;
}

// The symbol of a target frequency in one table access for most targets: each bucket of
// 2^kBucketShift frequencies that lies within one symbol's interval holds that symbol's
// packed entry; a bucket shared by several symbols holds the first of them, flagged, for
// a short walk. The buckets past the model, which only damaged data reaches, are flagged
// too. Small buckets resolve more targets at once, but the table must stay in the
// first-level cache beside the reciprocals: 512 frequencies per bucket measured best.
void Lagarith16Decoder::BuildLookup() {
    const std::size_t symbolCount = counts_.size();
    cumulativeEnd_.resize(symbolCount);
    symbolEntry_.resize(symbolCount);
    for (std::size_t i = 0; i < symbolCount; ++i) {
        cumulativeEnd_[i] = cumulative_[i] + counts_[i];
        symbolEntry_[i] = cumulative_[i] | (uint64_t{counts_[i]} << kFrequencyShift) |
                          (uint64_t{values_[i]} << kValueShift);
    }
    uint32_t symbol = 0;
    for (uint32_t bucket = 0; bucket < kBuckets; ++bucket) {
        const uint32_t first = bucket << kBucketShift;
        const uint32_t last = first + (1u << kBucketShift) - 1;
        while (symbol < symbolCount && cumulativeEnd_[symbol] <= first) ++symbol;
        if (symbol < symbolCount && cumulativeEnd_[symbol] > last) {
            bucketEntry_[bucket] = symbolEntry_[symbol];
        } else {
            bucketEntry_[bucket] = kSharedBucket | symbol;
        }
    }
}

}  // namespace orva
