#include "common/DecimalText.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <system_error>

namespace orva {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Skips leading blanks and one sign; returns the position of the first digit (or other).
std::size_t SkipBlanksAndSign(std::string_view text, bool& negative) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    return i;
}

}  // namespace

int DecimalToInt(std::string_view text) {
    bool negative = false;
    std::size_t i = SkipBlanksAndSign(text, negative);
    int64_t magnitude = 0;
    const int64_t limit = negative ? -static_cast<int64_t>(INT_MIN) : INT_MAX;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude >= limit) {
            magnitude = limit;
            break;
        }
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

double DecimalToDouble(std::string_view text) {
    bool negative = false;
    const std::size_t i = SkipBlanksAndSign(text, negative);
    // A second sign ("--5") is not a number.
    if (i >= text.size() || !(IsDigit(text[i]) || text[i] == '.')) return 0.0;
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), value);
    (void)end;
    if (ec != std::errc() || !std::isfinite(value)) return 0.0;
    return negative ? -value : value;
}

std::string FormatFixed(double value, int decimals) {
    char buffer[400];  // the largest double in fixed notation has 309 integer digits
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) return "0";
    return std::string(buffer, end);
}

}  // namespace orva
