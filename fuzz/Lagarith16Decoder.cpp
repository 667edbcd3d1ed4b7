// Two ways in. First byte even: the rest is a LAGARITH16 block of a frame whose sample
// count is the next two bytes; it must decode or be refused, never read outside the
// block. First byte odd: the rest is a frame of samples, which must survive encoding and
// decoding unchanged.

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
        decoder.Decode({data + 3, size - 3}, samples, error);
        return 0;
    }
    std::vector<uint16_t> frame((size - 1) / 2);
    std::memcpy(frame.data(), data + 1, 2 * frame.size());
    const auto block = encoder.Encode(frame.data(), frame.size());
    std::vector<uint16_t> decoded(frame.size());
    if (!decoder.Decode(block, decoded, error) || decoded != frame) __builtin_trap();
    return 0;
}
