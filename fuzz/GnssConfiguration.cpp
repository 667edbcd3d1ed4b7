// The GPS receiver's GNSS configuration answer, as it arrives through the transfer buffer.
#include "camera/GnssConfiguration.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::span<const uint8_t> stream(data, size);
    std::string error;
    if (const auto config = orva::GnssConfiguration::Parse(stream, error)) {
        // What parses must write back as the payload it came from.
        const auto payload = config->Payload();
        const std::size_t length = stream[3] | (std::size_t{stream[4]} << 8);
        if (payload.size() != length) std::abort();
    }
    return 0;
}
