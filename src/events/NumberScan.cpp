#include "events/NumberScan.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace orva {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t SkipSpace(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    return i;
}

// The magnitude after an optional sign; `negative` tells which sign it was.
std::optional<ScannedNumber<uint64_t>> ScanMagnitude(std::string_view text, bool& negative) {
    std::size_t i = SkipSpace(text);
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || !IsDigit(text[i])) return std::nullopt;
    uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), value);
    if (ec != std::errc()) return std::nullopt;
    return ScannedNumber<uint64_t>{value, static_cast<std::size_t>(end - text.data())};
}

}  // namespace

std::optional<ScannedNumber<uint64_t>> ScanUnsigned(std::string_view text) {
    bool negative = false;
    const auto scanned = ScanMagnitude(text, negative);
    if (!scanned || negative) return std::nullopt;
    return scanned;
}

std::optional<ScannedNumber<int32_t>> ScanInt32(std::string_view text) {
    bool negative = false;
    const auto scanned = ScanMagnitude(text, negative);
    if (!scanned) return std::nullopt;
    const uint64_t limit = negative ? uint64_t{1} << 31 : uint64_t{std::numeric_limits<int32_t>::max()};
    if (scanned->value > limit) return std::nullopt;
    const int64_t value = negative ? -static_cast<int64_t>(scanned->value) : static_cast<int64_t>(scanned->value);
    return ScannedNumber<int32_t>{static_cast<int32_t>(value), scanned->end};
}

std::optional<ScannedNumber<double>> ScanDouble(std::string_view text) {
    std::size_t i = SkipSpace(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // from_chars takes a sign of its own; a second one is no number.
    if (i >= text.size() || text[i] == '+' || text[i] == '-') return std::nullopt;
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), value);
    if (ec != std::errc()) return std::nullopt;
    return ScannedNumber<double>{negative ? -value : value, static_cast<std::size_t>(end - text.data())};
}

}  // namespace orva
