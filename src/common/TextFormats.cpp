#include "common/TextFormats.h"

#include "common/UtcTime.h"

#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace orva {
namespace {

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    return text;
}

// The whole part of a sexagesimal field. Fields stay doubles and are printed with
// "%0N.0f", which gives the same text as "%0Nd" of an integer, so that no input (however
// large, or not a number) goes through an overflowing integer conversion. Adding 0.0
// turns -0.0 into 0.0, which an integer could not hold either.
double WholePart(double value) { return std::trunc(value) + 0.0; }

struct Sexagesimal {
    double whole;
    double minutes;
    double seconds;
};

// Minutes and seconds are not carried when the seconds round up to 60 in print.
Sexagesimal Split(double value) {
    const double whole = WholePart(value);
    const double minutesExact = (value - whole) * 60.0;
    const double minutes = WholePart(minutesExact);
    return {whole, minutes, (minutesExact - minutes) * 60.0};
}

UtcDateTime CalendarFromTicks(uint64_t ticks) {
    constexpr int64_t kUnixEpochMs = 62135596800000;  // 1970-01-01 in ms since 0001-01-01
    return UtcFromUnixMilliseconds(static_cast<int64_t>(ticks / 10000) - kUnixEpochMs);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::size_t SkipSpace(std::string_view text, std::size_t pos) {
    while (pos < text.size() && IsSpace(text[pos])) ++pos;
    return pos;
}

// A field of ParseAngle: digits with at most one '.', at least one digit.
std::optional<double> ParseAngleField(std::string_view field, bool mayHaveDecimals) {
    std::size_t digits = 0;
    std::size_t points = 0;
    for (char c : field) {
        if (IsDigit(c))
            ++digits;
        else
            ++points;
    }
    if (digits == 0 || points > 1 || (points == 1 && !mayHaveDecimals)) return std::nullopt;
    double value = 0.0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size()) return std::nullopt;
    return value;
}

// The position of the next place, at or after `from`, where the key stands directly
// between two double quotes; npos when there is none.
std::size_t FindQuotedKey(std::string_view json, std::string_view key, std::size_t from) {
    for (std::size_t p = json.find(key, from); p != std::string_view::npos; p = json.find(key, p + 1)) {
        const std::size_t close = p + key.size();
        if (p > 0 && json[p - 1] == '"' && close < json.size() && json[close] == '"') return p;
    }
    return std::string_view::npos;
}

// The value of a quoted key starts at the second character after its closing quote
// (the one between is the colon).
std::size_t ValueStart(std::string_view json, std::string_view key, std::size_t keyPos) {
    const std::size_t start = keyPos + key.size() + 2;
    return start < json.size() ? start : json.size();
}

// The numeric text at the first quoted place of the key, white space skipped and a
// leading '+' consumed, as the C conversions accept it.
std::optional<std::string_view> NumberText(std::string_view json, std::string_view key) {
    const std::size_t p = FindQuotedKey(json, key, 0);
    if (p == std::string_view::npos) return std::nullopt;
    std::size_t pos = SkipSpace(json, ValueStart(json, key, p));
    if (pos < json.size() && json[pos] == '+') {
        ++pos;
        if (pos < json.size() && (json[pos] == '-' || json[pos] == '+')) return std::nullopt;
    }
    return json.substr(pos);
}

}  // namespace

std::string FormatRightAscension(double degrees) {
    if (degrees < 0) degrees += 360.0;
    const Sexagesimal s = Split(degrees / 15.0);
    return Printf("%02.0fh %02.0fm %02.3fs", s.whole, s.minutes, s.seconds);
}

std::string FormatAngle(double degrees, char positive, char negative, bool threeDigitDegrees) {
    const char sign = degrees < 0 ? negative : positive;
    const Sexagesimal s = Split(std::fabs(degrees));
    return Printf(threeDigitDegrees ? "%c%03.0f %02.0f' %06.3f\"" : "%c%02.0f %02.0f' %06.3f\"", sign, s.whole,
                  s.minutes, s.seconds);
}

std::string FormatE7Angle(int32_t e7, bool threeDigitDegrees) {
    constexpr int64_t kUnit = 10000000;
    const int64_t magnitude = e7 < 0 ? -static_cast<int64_t>(e7) : e7;
    const int64_t degrees = magnitude / kUnit;
    const int64_t r = (magnitude % kUnit) * 60;
    const int64_t minutes = r / kUnit;
    const double seconds = static_cast<double>(r - minutes * kUnit) * 60.0 / static_cast<double>(kUnit);
    return Printf(threeDigitDegrees ? "%c%03lld %02lld %04.1f" : "%c%02lld %02lld %04.1f", e7 >= 0 ? '+' : '-',
                  static_cast<long long>(degrees), static_cast<long long>(minutes), seconds);
}

std::string FormatSignedDecimal(double value) {
    return Printf("%s%13.8f", value < 0 ? "-" : "", std::fabs(value));
}

std::optional<double> ParseAngle(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    const char signChar = text[first];
    const bool negative = signChar == '-' || signChar == 'S' || signChar == 'W' || signChar == 's' || signChar == 'w';

    std::vector<std::string_view> fields;
    for (std::size_t i = first; i < text.size() && fields.size() < 3;) {
        if (!IsDigit(text[i]) && text[i] != '.') {
            ++i;
            continue;
        }
        const std::size_t begin = i;
        while (i < text.size() && (IsDigit(text[i]) || text[i] == '.')) ++i;
        fields.push_back(text.substr(begin, i - begin));
    }
    if (fields.empty()) return std::nullopt;

    static constexpr double kScale[3] = {1.0, 60.0, 3600.0};
    double result = 0.0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto value = ParseAngleField(fields[i], i + 1 == fields.size());
        if (!value) return std::nullopt;
        result += *value / kScale[i];
    }
    return negative ? -result : result;
}

std::string FormatTimeOfDay(uint64_t milliseconds, char separator) {
    const unsigned long long ms = milliseconds;
    return Printf("%02llu%c%02llu%c%02llu.%03llu", ms / 3600000, separator, ms % 3600000 / 60000, separator,
                  ms % 60000 / 1000, ms % 1000);
}

std::string FormatTimeOfDayColon(int32_t milliseconds) {
    if (milliseconds < 0) return "-" + FormatTimeOfDay(0 - static_cast<int64_t>(milliseconds), ':');
    return FormatTimeOfDay(static_cast<uint64_t>(milliseconds), ':');
}

std::string FormatEventTimeUt(uint64_t ticks) {
    const UtcDateTime t = CalendarFromTicks(ticks);
    return Printf("%02d.%02d.%04d %02d:%02d:%02d UT", t.day, t.month, t.year, t.hour, t.minute, t.second);
}

std::string FormatEventTimeSlashed(uint64_t ticks) {
    const UtcDateTime t = CalendarFromTicks(ticks);
    return Printf("%02d/%02d/%04d %02d:%02d:%02d", t.day, t.month, t.year, t.hour, t.minute, t.second);
}

std::string FormatOrientation(double degrees, int mirrored) {
    return Printf("Up %.1fd %c of N %s", std::fabs(degrees), degrees >= 0 ? 'E' : 'W', mirrored == 1 ? "mir" : "");
}

std::optional<std::string> FindJsonText(std::string_view json, std::string_view key) {
    for (std::size_t p = FindQuotedKey(json, key, 0); p != std::string_view::npos;
         p = FindQuotedKey(json, key, p + 1)) {
        const std::size_t open = json.find('"', ValueStart(json, key, p));
        if (open == std::string_view::npos) continue;
        const std::size_t close = json.find('"', open + 1);
        // An unterminated value is malformed, not a value running to the end of the text.
        if (close == std::string_view::npos) return std::nullopt;
        return std::string(json.substr(open + 1, close - open - 1));
    }
    return std::nullopt;
}

std::optional<double> FindJsonNumber(std::string_view json, std::string_view key) {
    const auto number = NumberText(json, key);
    if (!number) return std::nullopt;
    double value = 0.0;
    const auto [end, error] = std::from_chars(number->data(), number->data() + number->size(), value);
    if (error != std::errc()) return std::nullopt;
    return value;
}

std::optional<uint64_t> FindJsonUnsigned(std::string_view json, std::string_view key) {
    const auto number = NumberText(json, key);
    // A minus sign would wrap around to a huge count in the C conversion; refuse it.
    if (!number || number->empty() || !IsDigit(number->front())) return std::nullopt;
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(number->data(), number->data() + number->size(), value);
    if (error != std::errc()) return std::nullopt;
    return value;
}

std::optional<std::vector<int>> FindJsonIntArray(std::string_view json, std::string_view key) {
    std::size_t open = std::string_view::npos;
    for (std::size_t p = FindQuotedKey(json, key, 0); p != std::string_view::npos;
         p = FindQuotedKey(json, key, p + 1)) {
        open = json.find('[', ValueStart(json, key, p));
        if (open != std::string_view::npos) break;
    }
    if (open == std::string_view::npos) return std::nullopt;

    std::vector<int> values;
    std::size_t close = json.find(']', open + 1);
    if (close == std::string_view::npos) return values;
    if (open + 1 < json.size() && json[open + 1] == '[' && close + 1 < json.size() && json[close + 1] == ']') ++open;

    // Values are read one after the other, each followed by a comma and/or blanks, up to
    // the first thing that is not a number.
    const std::string_view list = json.substr(open + 1, close - open - 1);
    std::size_t pos = 0;
    while (true) {
        pos = SkipSpace(list, pos);
        int value = 0;
        const auto [end, error] = std::from_chars(list.data() + pos, list.data() + list.size(), value);
        if (error != std::errc()) break;
        values.push_back(value);
        pos = SkipSpace(list, static_cast<std::size_t>(end - list.data()));
        if (pos < list.size() && list[pos] == ',') ++pos;
    }
    return values;
}

std::string ReplaceAll(std::string_view text, std::string_view pattern, std::string_view replacement) {
    if (pattern.empty()) return std::string(text);
    std::string result;
    std::size_t from = 0;
    for (std::size_t p = text.find(pattern); p != std::string_view::npos; p = text.find(pattern, from)) {
        result.append(text.substr(from, p - from));
        result.append(replacement);
        from = p + pattern.size();
    }
    result.append(text.substr(from));
    return result;
}

std::string WidenBytes(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            text.push_back(c);
        } else {
            text.push_back(static_cast<char>(0xC0 | (b >> 6)));
            text.push_back(static_cast<char>(0x80 | (b & 0x3F)));
        }
    }
    return text;
}

}  // namespace orva
