#pragma once
// Texts that come from outside programs (the event feed, Occult files) without their
// control characters: a line feed or an escape sequence in a star name would otherwise
// break the one-line-per-event log, the event lists and the report's layout.
//
// Pure function, any thread.

#include <string>
#include <string_view>

namespace orva {

// The UTF-8 text without C0 controls (bytes 0x00 to 0x1F), DEL and C1 controls
// (U+0080 to U+009F). Everything else, invalid bytes included, is kept as it is.
std::string WithoutControlCharacters(std::string_view utf8);

}  // namespace orva
