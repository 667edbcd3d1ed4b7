#pragma once
// Reads numbers out of a line by a small scanf-style pattern, the way the analysis logs,
// the D and R time fields and the event editor's fields are read, but without the C
// runtime's traps: no locale, no undefined behaviour on a number out of range, and a line
// shorter than the pattern simply ends the reading.
//
// Pattern elements: "%d" (a 32-bit integer), "%lf" (a double), "%*c" (skips any one
// character, blanks included), a blank (skips any amount of white space, also none), and
// any other character, which must stand in the text. "%d" and "%lf" skip white space
// before the number, as scanf does.
//
// Pure functions, any thread.

#include <cstddef>
#include <string_view>
#include <vector>

namespace orva {

struct ScanResult {
    // The values converted, in order, up to the first element that did not match ("%d"
    // values are held exactly). scanf's count of assigned conversions is values.size().
    std::vector<double> values;
    bool Has(std::size_t count) const { return values.size() >= count; }
};

ScanResult ScanText(std::string_view text, std::string_view pattern);

}  // namespace orva
