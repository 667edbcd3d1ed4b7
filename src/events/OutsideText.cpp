#include "events/OutsideText.h"

namespace orva {

std::string WithoutControlCharacters(std::string_view utf8) {
    std::string kept;
    kept.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x20 || c == 0x7F) continue;
        // U+0080..U+009F are C2 80..C2 9F in UTF-8.
        if (c == 0xC2 && i + 1 < utf8.size()) {
            const auto next = static_cast<unsigned char>(utf8[i + 1]);
            if (next >= 0x80 && next <= 0x9F) {
                ++i;
                continue;
            }
        }
        kept += static_cast<char>(c);
    }
    return kept;
}

}  // namespace orva
