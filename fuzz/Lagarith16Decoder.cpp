// Two ways in. First byte even: the rest is a LAGARITH16 block of a frame whose sample
// count is the next two bytes; it must decode or be refused, never read outside the
// block, and decoded beside a good block it must give the same. First byte odd: the rest
// is a frame of samples, which must survive encoding and decoding unchanged, alone and
// two at a time.

#include "recording/Lagarith16Decoder.h"
#include "recording/Lagarith16Encoder.h"

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    // Kept across inputs, as in a reader: no state may leak from one block to the next.
    static orva::Lagarith16Decoder decoder;
    static orva::Lagarith16Encoder encoder;
    orva::Lagarith16Error error;
    if ((data[0] & 1) == 0) {
        const std::size_t count = data[1] | (data[2] << 8);
        std::vector<uint16_t> samples(count);
        const std::span<const uint8_t> block(data + 3, size - 3);
        const bool ok = decoder.Decode(block, samples, error);
        std::vector<uint16_t> good(2 * count + 64);
        for (std::size_t i = 0; i < good.size(); ++i) good[i] = static_cast<uint16_t>(0x0120 + 16 * (i * 7 % 5));
        const auto goodSpan = encoder.Encode(good.data(), good.size());
        const std::vector<uint8_t> goodBlock(goodSpan.begin(), goodSpan.end());
        std::vector<uint16_t> paired(count);
        std::vector<uint16_t> other(good.size());
        orva::Lagarith16Job first(block, paired);
        orva::Lagarith16Job second(goodBlock, other);
        decoder.DecodeTwo(first, second);
        if (first.ok != ok || !second.ok || other != good) __builtin_trap();
        if (ok ? paired != samples : first.error.offset != error.offset || first.error.what != error.what) {
            __builtin_trap();
        }
        return 0;
    }
    std::vector<uint16_t> frame((size - 1) / 2);
    std::memcpy(frame.data(), data + 1, 2 * frame.size());
    const auto block = encoder.Encode(frame.data(), frame.size());
    std::vector<uint16_t> decoded(frame.size());
    if (!decoder.Decode(block, decoded, error) || decoded != frame) __builtin_trap();
    const std::vector<uint8_t> copy(block.begin(), block.end());
    std::vector<uint16_t> again(frame.size());
    orva::Lagarith16Job first(copy, decoded);
    orva::Lagarith16Job second(copy, again);
    decoder.DecodeTwo(first, second);
    if (!first.ok || !second.ok || decoded != frame || again != frame) __builtin_trap();
    return 0;
}
