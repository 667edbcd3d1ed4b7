// Feeds arbitrary bytes to the SER reader as if they were a file, in both opening modes,
// and reads the first frames of whatever it accepts. Every input must end in a result or
// a refusal, never in a crash or an out-of-bounds read.

#include "recording/SerReader.h"

#include <algorithm>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (const auto mode : {orva::SerReader::Mode::Strict, orva::SerReader::Mode::Recover}) {
        orva::SerReader reader;
        if (!reader.OpenBytes(data, size, mode)) {
            if (reader.Error().empty()) __builtin_trap();  // a refusal always says why
            continue;
        }
        const uint64_t samples = static_cast<uint64_t>(reader.Header().width) * reader.Header().height;
        if (reader.FrameCount() > 0 && samples * 2 > size) __builtin_trap();  // a frame the input cannot hold
        if (!reader.Timestamps().empty() && reader.Timestamps().size() != reader.FrameCount()) __builtin_trap();
        if (reader.FrameCount() == 0) continue;
        std::vector<uint16_t> pixels(static_cast<std::size_t>(samples));
        for (uint32_t i = 0; i < std::min<uint32_t>(reader.FrameCount(), 4); ++i) {
            if (!reader.ReadFrame(i, pixels)) __builtin_trap();  // accepted frames are readable
        }
    }
    return 0;
}
