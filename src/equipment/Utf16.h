#pragma once
// UTF-8 <-> UTF-16 conversion for the places that store or order text by UTF-16 code
// units (coded list files, name ordering).

#include <optional>
#include <string>
#include <string_view>

namespace orva {

// Invalid UTF-8 sequences become U+FFFD, one per offending byte.
std::u16string Utf8ToUtf16(std::string_view utf8);

// Empty when the text holds an unpaired surrogate.
std::optional<std::string> Utf16ToUtf8(std::u16string_view utf16);

// Orders by UTF-16 code units; a text that is a prefix of another sorts first.
bool LessByUtf16(std::string_view a, std::string_view b);

}  // namespace orva
