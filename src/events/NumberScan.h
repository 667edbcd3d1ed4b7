#pragma once
// Reads a decimal number at the start of a text, the way the C runtime's conversions do
// (leading white space, then the number, stopping at the first character that does not
// belong to it), but never depending on the process locale and never wrapping around:
// a value out of its type's range is no number.
//
// Pure functions, any thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace orva {

template <typename T>
struct ScannedNumber {
    T value;
    std::size_t end;  // index of the first character after the number
};

// Digits with an optional "+"; a "-" is no unsigned number.
std::optional<ScannedNumber<uint64_t>> ScanUnsigned(std::string_view text);
// Digits with an optional sign, within int32_t.
std::optional<ScannedNumber<int32_t>> ScanInt32(std::string_view text);
// A floating-point number with an optional sign (also "inf" and "nan"); a magnitude
// beyond the range of double is no number.
std::optional<ScannedNumber<double>> ScanDouble(std::string_view text);

}  // namespace orva
