#include "simcam/StarCatalog.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

namespace orva {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::optional<double> ReadField(std::string_view field) {
    field = Trim(field);
    double value = 0.0;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (ec != std::errc{} || end != field.data() + field.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<CatalogStar> ParseLine(std::string_view line) {
    double values[3];
    for (int i = 0; i < 3; ++i) {
        const std::size_t comma = line.find(',');
        if ((comma == std::string_view::npos) != (i == 2)) return std::nullopt;
        const auto value = ReadField(line.substr(0, comma));
        if (!value) return std::nullopt;
        values[i] = *value;
        if (comma != std::string_view::npos) line.remove_prefix(comma + 1);
    }
    if (values[0] < 0.0 || values[0] >= 360.0 || values[1] < -90.0 || values[1] > 90.0) return std::nullopt;
    return CatalogStar{values[0], values[1], values[2]};
}

}  // namespace

std::optional<StarCatalog> StarCatalog::Parse(std::string_view text, std::string* error) {
    std::vector<CatalogStar> stars;
    int lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (line.empty() || line.front() == '#') continue;
        const auto star = ParseLine(line);
        if (!star) {
            if (error) *error = "line " + std::to_string(lineNumber) + ": not a star (ra, dec, mag)";
            return std::nullopt;
        }
        stars.push_back(*star);
    }
    return StarCatalog(std::move(stars));
}

std::optional<StarCatalog> StarCatalog::LoadFile(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = path + ": cannot be opened";
        return std::nullopt;
    }
    std::ostringstream content;
    content << in.rdbuf();
    std::string reason;
    auto catalog = Parse(content.str(), &reason);
    if (!catalog && error) *error = path + ": " + reason;
    return catalog;
}

}  // namespace orva
