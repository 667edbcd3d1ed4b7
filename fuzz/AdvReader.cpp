// Feeds arbitrary bytes to the ADV reader as if they were a file, strictly and for
// recovery, and reads the first frames of whatever it accepts. Every input must end in a
// result or a refusal with a reason, never in a crash, an out-of-bounds read or an
// allocation beyond the reader's frame limit.

#include "recording/AdvReader.h"

#include <algorithm>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (const auto mode : {orva::AdvReader::Mode::Strict, orva::AdvReader::Mode::Recover}) {
        orva::AdvReader reader;
        if (!reader.OpenBytes(data, size, mode)) {
            if (reader.Error().empty()) __builtin_trap();
            continue;
        }
        // Recovery takes only frames that lie inside the file.
        for (const orva::AdvIndexEntry& e : reader.Index()) {
            if (e.offset > size || e.size > size - e.offset || reader.FramesEnd() > size) __builtin_trap();
        }
        // Large frames are legal (a 4-byte block can hold a frame of one value); keep runs fast.
        if (static_cast<uint64_t>(reader.Width()) * reader.Height() > (1u << 20)) continue;
        for (uint32_t i = 0; i < std::min<uint32_t>(reader.FrameCount(), 8); ++i) {
            orva::AdvFrame frame;
            if (!reader.ReadFrame(i, frame) && reader.Error().empty()) __builtin_trap();
        }
    }
    return 0;
}
