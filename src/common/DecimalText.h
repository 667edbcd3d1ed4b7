#pragma once
// Decimal text conversions for stored values. They read like the C runtime's atoi/atof
// (leading blanks and one sign accepted, conversion stops at the first character that
// does not belong to the number, text without a number gives 0) but never depend on the
// process locale: a GUI that sets a locale with a decimal comma must not change what is
// written to or read from the settings file.

#include <string>
#include <string_view>

namespace orva {

// Saturates at the limits of int.
int DecimalToInt(std::string_view text);

// Non-finite or out-of-range numbers give 0.
double DecimalToDouble(std::string_view text);

// printf's "%.<decimals>f" with a decimal point.
std::string FormatFixed(double value, int decimals);

}  // namespace orva
