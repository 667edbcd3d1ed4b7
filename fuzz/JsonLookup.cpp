// Feeds arbitrary text and keys to the JSON-style look-ups. The first byte gives the
// key's length, the key follows, the rest is the text. The text is copied into a buffer
// of exactly its length, so a read past its end is caught.

#include "common/TextFormats.h"

#include <cstdint>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::size_t keyLength = data[0] % 16;
    if (size < 1 + keyLength) return 0;
    const std::vector<char> key(data + 1, data + 1 + keyLength);
    const std::vector<char> json(data + 1 + keyLength, data + size);
    const std::string_view keyText(key.data(), key.size());
    const std::string_view jsonText(json.data(), json.size());

    const auto text = orva::FindJsonText(jsonText, keyText);
    if (text && text->size() > jsonText.size()) __builtin_trap();
    orva::FindJsonNumber(jsonText, keyText);
    orva::FindJsonUnsigned(jsonText, keyText);
    const auto values = orva::FindJsonIntArray(jsonText, keyText);
    if (values && values->size() > jsonText.size()) __builtin_trap();
    return 0;
}
