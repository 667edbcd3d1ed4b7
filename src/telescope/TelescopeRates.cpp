#include "telescope/TelescopeRates.h"


#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace orva {

std::vector<TelescopeRate> TelescopeRates::Rows() const {
    std::lock_guard lock(mutex_);
    return rows_;
}

void TelescopeRates::Replace(std::vector<TelescopeRate> rows) {
    std::lock_guard lock(mutex_);
    rows_ = std::move(rows);
}

std::size_t TelescopeRates::Size() const {
    std::lock_guard lock(mutex_);
    return rows_.size();
}

std::string TelescopeRates::Format(const std::vector<TelescopeRate>& rows) {
    std::string text;
    for (const TelescopeRate& row : rows) {
        char buffer[128];
        std::snprintf(buffer, sizeof buffer, "%.3f;%.3f", row.rightAscensionRate, row.declinationRate);
        if (!text.empty()) text += ";";
        text += buffer;
    }
    return text;
}

std::optional<std::vector<TelescopeRate>> TelescopeRates::Parse(const std::string& text) {
    std::vector<TelescopeRate> rows;
    std::size_t start = 0;
    for (std::size_t k = 0; start <= text.size(); ++k) {
        std::size_t end = text.find(';', start);
        if (end == std::string::npos) end = text.size();
        const std::string piece = text.substr(start, end - start);
        if (piece.empty()) break;
        char* stop = nullptr;
        const double value = std::strtod(piece.c_str(), &stop);
        if (stop == piece.c_str() || *stop != '\0' || !std::isfinite(value) || value < 0.0 || value > kMaxRate) {
            return std::nullopt;
        }
        const int32_t row = static_cast<int32_t>(k / 2);
        if (static_cast<std::size_t>(row) >= rows.size()) rows.push_back({row, 0.0, 0.0});
        if (k % 2 == 0) rows[row].rightAscensionRate = value;
        rows[row].declinationRate = value;
        start = end + 1;
    }
    return rows;
}

std::vector<TelescopeRate> TelescopeRates::FixedRows() {
    std::vector<TelescopeRate> rows;
    double rate = 0.2;
    for (int32_t i = 0; i < kRowsFromOneRange; ++i, rate *= 2.0) rows.push_back({i, rate, rate});
    return rows;
}

std::vector<TelescopeRate> TelescopeRates::FromSingleRanges(const TelescopeRateRange& ra, const TelescopeRateRange& dec) {
    const double a = std::max(0.01, ra.minimum);
    const double b = std::max(0.01, dec.minimum);
    const double sa = (ra.maximum - a) / 128.0;
    const double sb = (dec.maximum - b) / 128.0;
    std::vector<TelescopeRate> rows;
    for (int32_t i = 0; i < kRowsFromOneRange; ++i) {
        const double f = i == 0 ? 0.0 : std::pow(4.0, i - 1);
        rows.push_back({i, a + f * sa, b + f * sb});
    }
    return rows;
}

}  // namespace orva
