// Feeds arbitrary bytes to the FITS reader's header and data path as if they were a file.
// Every input must end in a result or a std::logic_error, never in a crash, an
// out-of-bounds read or an allocation larger than the input.

#include "recording/FitsReader.h"

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::vector<uint8_t> copy(data, data + size);
    std::FILE* file = fmemopen(copy.data(), copy.size(), "rb");
    if (file == nullptr) return 0;
    orva::FitsReader reader;
    try {
        const auto header = reader.ReadHeader(file);
        const auto pixels = reader.ReadData(file, *header);
        if (pixels.size() * 2 > size) __builtin_trap();  // more samples than the input holds
    } catch (const std::logic_error&) {
    }
    std::fclose(file);
    return 0;
}
