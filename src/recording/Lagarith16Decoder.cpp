#include "recording/Lagarith16Decoder.h"

#include "recording/Lagarith16Encoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

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
// the first-level cache beside the symbol lookup. The shifts are looked up beside the
// factors: computed, they lengthen every sample's chain of dependent steps. (r never
// falls below 8: renormalisation keeps range above 2^23.)
constexpr uint32_t kMaxR = 1u << 11;

struct Reciprocals {
    std::array<uint32_t, kMaxR + 1> factor{};
    std::array<uint8_t, kMaxR + 1> shift{};
};

const Reciprocals& ReciprocalTable() {
    static const Reciprocals table = [] {
        Reciprocals t;
        for (uint32_t r = 8; r <= kMaxR; ++r) {
            const auto shift = static_cast<unsigned>(31 + std::bit_width(r - 1));
            t.factor[r] = static_cast<uint32_t>(((uint64_t{1} << shift) + r - 1) / r);
            t.shift[r] = static_cast<uint8_t>(shift);
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

// The range decoder's state for one block, kept in registers while a loop runs.
struct Lagarith16Decoder::Coder {
    const uint8_t* start = nullptr;  // of the block
    const uint8_t* in = nullptr;
    const uint8_t* end = nullptr;
    uint32_t code = 0;
    uint32_t range = 0;
    uint16_t* first = nullptr;
    uint16_t* out = nullptr;
    uint16_t* last = nullptr;  // one past
    const uint64_t* bucketEntry = nullptr;
    const uint64_t* symbolEntry = nullptr;
    const uint32_t* cumulativeEnd = nullptr;

    // Finds the packed entry of the next symbol and narrows the interval to it; false (nothing
    // changed) when the target lies outside the model. Every step keeps
    // code < range <= 2^31, damaged input or not: the symbol found for the target holds it.
    [[gnu::always_inline]] bool Narrow(const Reciprocals& reciprocals, uint64_t& entry) {
        const uint32_t r = range >> kScaleBits;
        const uint64_t product = uint64_t{code} * reciprocals.factor[r];
        const unsigned shift = reciprocals.shift[r];
        // The bucket straight from the product, not from the target: one step less.
        entry = bucketEntry[product >> (shift + kBucketShift)];
        auto frequency = static_cast<uint32_t>(entry >> kFrequencyShift);
        if (frequency == 0) [[unlikely]] {
            const auto target = static_cast<uint32_t>(product >> shift);
            if (target >= kTotal) return false;
            auto s = static_cast<uint32_t>(entry);
            while (cumulativeEnd[s] <= target) ++s;
            entry = symbolEntry[s];
            frequency = static_cast<uint32_t>(entry >> kFrequencyShift);
        }
        code -= r * static_cast<uint32_t>(entry & kFieldMask);
        range = r * frequency;
        return true;
    }

    // One sample, reading byte by byte. False when the target lies outside the model or
    // the data ends before the renormalisation is done.
    [[gnu::always_inline]] bool Step(const Reciprocals& reciprocals) {
        uint64_t entry;
        if (!Narrow(reciprocals, entry)) return false;
        while (range <= kRenormalizeBelow) {
            if (in == end) return false;
            code = (code << 8) | *in++;
            range <<= 8;
        }
        *out++ = static_cast<uint16_t>(entry >> kValueShift);
        return true;
    }

    // How many samples StepAhead may take: one takes at most 3 bytes and reads 8.
    std::size_t StepsAhead() const {
        const auto left = static_cast<std::size_t>(end - in);
        return std::min<std::size_t>(left >= 8 ? (left - 8) / 3 + 1 : 0, static_cast<std::size_t>(last - out));
    }

    // One sample, taking the 0 to 3 bytes the renormalisation needs from one load, without
    // a branch. False (nothing changed) when the target lies outside the model.
    [[gnu::always_inline]] bool StepAhead(const Reciprocals& reciprocals) {
        uint64_t entry;
        if (!Narrow(reciprocals, entry)) return false;
        const unsigned bytes = (range <= kRenormalizeBelow) + (range <= (kRenormalizeBelow >> 8)) +
                               (range <= (kRenormalizeBelow >> 16));
        const unsigned bits = 8 * bytes;
        uint64_t ahead;
        std::memcpy(&ahead, in, sizeof ahead);
        ahead = __builtin_bswap64(ahead);
        code = (code << bits) | static_cast<uint32_t>((ahead >> 1) >> (63 - bits));
        range <<= bits;
        in += bytes;
        *out++ = static_cast<uint16_t>(entry >> kValueShift);
        return true;
    }
};

bool Lagarith16Decoder::Decode(std::span<const uint8_t> block, std::span<uint16_t> samples, Lagarith16Error& error) {
    Coder coder;
    const Prepared prepared = Prepare(block, samples, models_[0], coder, error);
    if (prepared != Prepared::Coded) return prepared == Prepared::Done;
    return Finish(coder, error);
}

void Lagarith16Decoder::DecodeTwo(Lagarith16Job& first, Lagarith16Job& second) {
    Coder a;
    Coder b;
    const Prepared preparedA = Prepare(first.block, first.samples, models_[0], a, first.error);
    const Prepared preparedB = Prepare(second.block, second.samples, models_[1], b, second.error);
    if (preparedA == Prepared::Coded && preparedB == Prepared::Coded) {
        // The two chains from one sample to the next are independent: interleaved, each
        // runs while the other waits on its loads and multiplications. With two chains to
        // hide latency, the renormalisation without branches wins (alone it loses: it
        // lengthens the chain more than the mispredicted branches cost). A sample outside
        // the model stops the pair; Finish then finds it again and reports it.
        const Reciprocals& reciprocals = ReciprocalTable();
        Coder ca = a;
        Coder cb = b;
        bool ok = true;
        for (std::size_t n = std::min(ca.StepsAhead(), cb.StepsAhead()); ok && n != 0;
             n = std::min(ca.StepsAhead(), cb.StepsAhead())) {
            for (; n != 0 && (ok = ca.StepAhead(reciprocals) && cb.StepAhead(reciprocals)); --n) {
            }
        }
        a = ca;
        b = cb;
    }
    first.ok = preparedA == Prepared::Coded ? Finish(a, first.error) : preparedA == Prepared::Done;
    second.ok = preparedB == Prepared::Coded ? Finish(b, second.error) : preparedB == Prepared::Done;
}

bool Lagarith16Decoder::Finish(Coder& coder, Lagarith16Error& error) {
    const Reciprocals& reciprocals = ReciprocalTable();
    Coder c = coder;
    bool ok = true;
    while (c.out != c.last && (ok = c.Step(reciprocals))) {
    }
    coder = c;
    const auto at = std::to_string(c.out - c.first);
    if (!ok && c.in == c.end && c.range <= kRenormalizeBelow) {
        return Fail(error, static_cast<std::size_t>(c.end - c.start), "range-coded data ends at sample " + at);
    }
    if (!ok) {
        return Fail(error, static_cast<std::size_t>(c.in - c.start) - 1, "coded value outside the model at sample " + at);
    }
    if (c.in != c.end) {
        return Fail(error, static_cast<std::size_t>(c.in - c.start),
                    std::to_string(c.end - c.in) + " bytes after the last sample");
    }
    return true;
}

Lagarith16Decoder::Prepared Lagarith16Decoder::Prepare(std::span<const uint8_t> block, std::span<uint16_t> samples,
                                                       Model& model, Coder& coder, Lagarith16Error& error) {
    auto done = [](bool ok) { return ok ? Prepared::Done : Prepared::Failed; };
    if (block.size() == Lagarith16Encoder::kStoredPrefixBytes + 2 * samples.size()) {
        return done(DecodeStored(block, samples, error));
    }
    if (block.size() >= 2 * samples.size()) {
        Fail(error, 0,
             "coded block of " + std::to_string(block.size()) + " bytes is not shorter than the raw frame (" +
                 std::to_string(2 * samples.size()) + " bytes) and not the stored form");
        return Prepared::Failed;
    }
    std::size_t pos = 0;
    if (!ReadModel(block, pos, model, error)) return Prepared::Failed;
    if (model.values.size() == 1) {
        if (pos != block.size()) {
            Fail(error, pos, std::to_string(block.size() - pos) + " bytes after a one-symbol block");
            return Prepared::Failed;
        }
        std::fill(samples.begin(), samples.end(), model.values[0]);
        return Prepared::Done;
    }
    if (block.size() - pos < 4) return done(Fail(error, pos, "range-coded data shorter than 4 bytes"));
    if (block[pos] & 0x80u) return done(Fail(error, pos, "range-coded data does not start with a zero bit"));
    BuildLookup(model);
    const uint8_t* data = block.data();
    coder.start = data;
    coder.code = (static_cast<uint32_t>(data[pos]) << 24) | (static_cast<uint32_t>(data[pos + 1]) << 16) |
                 (static_cast<uint32_t>(data[pos + 2]) << 8) | data[pos + 3];
    coder.in = data + pos + 4;
    coder.end = data + block.size();
    coder.range = 0x80000000u;
    coder.first = samples.data();
    coder.out = samples.data();
    coder.last = samples.data() + samples.size();
    coder.bucketEntry = model.bucketEntry.data();
    coder.symbolEntry = model.symbolEntry.data();
    coder.cumulativeEnd = model.cumulativeEnd.data();
    return Prepared::Coded;
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

bool Lagarith16Decoder::ReadModel(std::span<const uint8_t> block, std::size_t& pos, Model& model,
                                  Lagarith16Error& error) {
    if (block.size() < 4) return Fail(error, 0, "block of " + std::to_string(block.size()) + " bytes is too short");
    const std::size_t symbolCount = static_cast<std::size_t>(GetU16(block.data())) + 1;
    if (2 + 2 * symbolCount > block.size()) {
        return Fail(error, 2, "table of " + std::to_string(symbolCount) + " symbols runs past the block end");
    }
    model.values.resize(symbolCount);
    seen_.assign(kValueCount, 0);
    pos = 2;
    for (std::size_t i = 0; i < symbolCount; ++i, pos += 2) {
        const uint16_t value = GetU16(block.data() + pos);
        if (seen_[value]) return Fail(error, pos, "symbol value " + std::to_string(value) + " listed twice");
        seen_[value] = 1;
        model.values[i] = value;
    }
    if (symbolCount == 1) return true;

    model.counts.resize(symbolCount);
    model.cumulative.resize(symbolCount);
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
        model.cumulative[i] = static_cast<uint32_t>(total);
        model.counts[i] = count;
        total += count;
        if (total > kTotal) break;
    }
    pos = countsStart + (bitPos + 7) / 8;
    if (total != kTotal) {
        return Fail(error, countsStart, "symbol counts do not add up to " + std::to_string(kTotal));
    }
    return true;
}

// The symbol of a target frequency in one table access for most targets: each bucket of
// 2^kBucketShift frequencies that lies within one symbol's interval holds that symbol's
// packed entry; a bucket shared by several symbols holds the index of the first of them
// with frequency 0, for a short walk. The buckets past the model, which only damaged data
// reaches, are marked so too. Small buckets resolve more targets at once, but the table must stay in the
// first-level cache beside the reciprocals: 512 frequencies per bucket measured best.
void Lagarith16Decoder::BuildLookup(Model& model) {
    const std::size_t symbolCount = model.counts.size();
    model.cumulativeEnd.resize(symbolCount);
    model.symbolEntry.resize(symbolCount);
    for (std::size_t i = 0; i < symbolCount; ++i) {
        model.cumulativeEnd[i] = model.cumulative[i] + model.counts[i];
        model.symbolEntry[i] = model.cumulative[i] | (uint64_t{model.counts[i]} << kFrequencyShift) |
                               (uint64_t{model.values[i]} << kValueShift);
    }
    uint32_t symbol = 0;
    for (uint32_t bucket = 0; bucket < kBuckets; ++bucket) {
        const uint32_t first = bucket << kBucketShift;
        const uint32_t last = first + (1u << kBucketShift) - 1;
        while (symbol < symbolCount && model.cumulativeEnd[symbol] <= first) ++symbol;
        if (symbol < symbolCount && model.cumulativeEnd[symbol] > last) {
            model.bucketEntry[bucket] = model.symbolEntry[symbol];
        } else {
            model.bucketEntry[bucket] = symbol;
        }
    }
}

}  // namespace orva
