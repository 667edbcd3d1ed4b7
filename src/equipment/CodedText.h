#pragma once
// The coded form of list-file field texts: the UTF-16LE bytes of the text (no
// terminator) in base64url (RFC 4648 section 5) with "=" padding. Coded files hold only
// ASCII, whatever characters the fields contain.

#include <optional>
#include <string>
#include <string_view>

namespace orva {

std::string EncodeBase64Url(std::string_view bytes);

// Empty when the text is not base64url: a character outside the alphabet, padding
// anywhere but at the end, or a length no encoder produces. ASCII white space is skipped
// so that a hand-indented file still reads.
std::optional<std::string> DecodeBase64Url(std::string_view text);

// UTF-8 field text -> coded text. "abc" -> "YQBiAGMA"; "" -> "".
std::string EncodeCodedText(std::string_view utf8);

// Coded text -> UTF-8 field text, cut at the first zero character. Empty when the
// text is not base64url, holds an odd number of bytes or an unpaired surrogate.
std::optional<std::string> DecodeCodedText(std::string_view coded);

}  // namespace orva
