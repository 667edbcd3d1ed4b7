#pragma once
// The texts in which angles, times of day and event times are shown everywhere (dialogs,
// reports, FITS headers, outside programs), the parser for angles that users type, and
// key look-ups in the flat JSON-style answers the station receives.
//
// Every function is pure and may be called from any thread. All texts are UTF-8.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

// Right ascension given in degrees (hours x 15): "%02dh %02dm %02.3fs". A negative input
// is brought up by 360 once.
std::string FormatRightAscension(double degrees);

// "%c%02d %02d' %06.3f\"" (or "%c%03d ..." with threeDigitDegrees): the sign character is
// `negative` for inputs below 0, else `positive` (so -0.0 takes `positive`).
std::string FormatAngle(double degrees, char positive, char negative, bool threeDigitDegrees);

// A GPS angle in 1e-7 degrees: "%c%02d %02d %04.1f" (or "%c%03d ..."), sign "+" or "-".
std::string FormatE7Angle(int32_t e7, bool threeDigitDegrees);

// "-" for negative values, then "%13.8f" of the absolute value, so the field's padding
// stands between the sign and the digits.
std::string FormatSignedDecimal(double value);

// Reads an angle typed as degrees, minutes and seconds ("S 12 30 15.5", "-12:30",
// "W8", "12.5"). The sign is negative when the first non-blank character is '-', 'S',
// 'W', 's' or 'w'. Every character other than a digit or '.' separates fields. Up to
// three numbers are read; only the last one read may carry decimals. Empty for a text
// without a number or with a malformed one.
std::optional<double> ParseAngle(std::string_view text);

// Milliseconds since midnight: "%02d%c%02d%c%02d.%03d" with the separator between
// hours, minutes and seconds.
std::string FormatTimeOfDay(uint64_t milliseconds, char separator);

// "%02d:%02d:%02d.%03d"; a negative value is written as "-" and its magnitude.
std::string FormatTimeOfDayColon(int32_t milliseconds);

// Event times in 100-ns ticks since 0001-01-01 00:00 UTC, to the whole second:
// "dd.mm.yyyy hh:mm:ss UT" and "dd/mm/yyyy hh:mm:ss".
std::string FormatEventTimeUt(uint64_t ticks);
std::string FormatEventTimeSlashed(uint64_t ticks);

// "Up %.1fd %c of N %s": the absolute angle, 'E' for angles >= 0 and 'W' below, and
// "mir" when mirrored equals 1 (else empty, leaving the trailing blank).
std::string FormatOrientation(double degrees, int mirrored);

// Look-ups of a key written between double quotes (never at the very start of the
// text) in a flat JSON-style object; the value starts at the second character after
// the key's closing quote. Not found: empty.
std::optional<std::string> FindJsonText(std::string_view json, std::string_view key);
std::optional<double> FindJsonNumber(std::string_view json, std::string_view key);
// Negative or out-of-range numbers are not found.
std::optional<uint64_t> FindJsonUnsigned(std::string_view json, std::string_view key);
// Found whenever a '[' follows the key; the list holds the integers read up to the first
// thing that is not a number or separator (',' or blanks). "[[...]]" is read as its inner
// list.
std::optional<std::vector<int>> FindJsonIntArray(std::string_view json, std::string_view key);

// Replaces every occurrence of the pattern, scanning on after each inserted replacement
// (so a replacement that contains the pattern is not replaced again). An empty pattern
// leaves the text unchanged.
std::string ReplaceAll(std::string_view text, std::string_view pattern, std::string_view replacement);

// Each byte becomes one character: bytes below 0x80 stay as they are, the others become
// the characters U+0080..U+00FF (Latin-1), so the result is always valid UTF-8.
std::string WidenBytes(std::string_view bytes);

}  // namespace orva
