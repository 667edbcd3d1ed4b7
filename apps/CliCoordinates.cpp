#include "CliCoordinates.h"

#include "common/TextFormats.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace orva {
namespace {

// The whole text as a finite decimal number without sign.
std::optional<double> Unsigned(std::string_view text) {
    if (text.empty() || text.front() == '-' || text.front() == '+') return std::nullopt;
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace

std::optional<double> CliCoordinates::ParseSexagesimal(std::string_view text, bool& negative) {
    negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t colon = text.find(':', start);
        fields.push_back(text.substr(start, colon == std::string_view::npos ? std::string_view::npos : colon - start));
        if (colon == std::string_view::npos) break;
        start = colon + 1;
    }
    if (fields.size() != 1 && fields.size() != 3) return std::nullopt;
    double value = 0.0;
    double scale = 1.0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto field = Unsigned(fields[i]);
        // Minutes and seconds below 60; whole degrees (hours) and minutes in the sexagesimal form.
        if (!field || (i > 0 && *field >= 60.0) || (fields.size() == 3 && i < 2 && *field != std::floor(*field))) {
            return std::nullopt;
        }
        value += *field / scale;
        scale *= 60.0;
    }
    return value;
}

std::optional<double> CliCoordinates::ParseRightAscensionHours(std::string_view text) {
    bool negative = false;
    const auto hours = ParseSexagesimal(text, negative);
    if (!hours || negative || !(*hours < 24.0)) return std::nullopt;
    return hours;
}

std::optional<double> CliCoordinates::ParseDeclinationDegrees(std::string_view text) {
    bool negative = false;
    const auto degrees = ParseSexagesimal(text, negative);
    if (!degrees || *degrees > 90.0) return std::nullopt;
    return negative ? -*degrees : *degrees;
}

std::string CliCoordinates::Format(double rightAscensionHours, double declinationDegrees) {
    char decimal[96];
    std::snprintf(decimal, sizeof decimal, "%.6f h)  Dec ", rightAscensionHours);
    char decimalDec[48];
    std::snprintf(decimalDec, sizeof decimalDec, " (%.6f deg)", declinationDegrees);
    return "RA " + FormatRightAscension(rightAscensionHours * 15.0) + " (" + decimal +
           FormatAngle(declinationDegrees, '+', '-', false) + decimalDec;
}

}  // namespace orva
