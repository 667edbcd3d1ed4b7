// Feeds arbitrary text to the angle parser and the parsed angle back to the sexagesimal
// formats. Every input must end in a value or a failure, never in a crash or undefined
// behaviour (an integer overflow of a huge number included).

#include "common/TextFormats.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto angle = orva::ParseAngle(text);
    if (angle) {
        orva::FormatAngle(*angle, '+', '-', false);
        orva::FormatAngle(*angle, 'E', 'W', true);
        orva::FormatRightAscension(*angle);
        orva::FormatSignedDecimal(*angle);
        orva::FormatOrientation(*angle, 1);
    }
    return 0;
}
