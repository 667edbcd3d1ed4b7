#include "common/CommandLine.h"

#include "common/UtcTime.h"

#include <algorithm>
#include <charconv>

namespace orva {

std::optional<CommandLine> CommandLine::Parse(const std::vector<std::string>& args,
                                              const std::vector<CommandLineOption>& options, std::size_t maxOperands,
                                              std::string& error) {
    CommandLine line;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            if (line.operands_.size() == maxOperands) {
                error = "unexpected argument '" + arg + "'";
                return std::nullopt;
            }
            line.operands_.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        const auto option = std::find_if(options.begin(), options.end(),
                                       [&](const CommandLineOption& o) { return o.name == name; });
        if (option == options.end()) {
            error = "unknown option '--" + name + "'";
            return std::nullopt;
        }
        std::string value;
        if (option->takesValue) {
            if (equals != std::string::npos) {
                value = arg.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                error = "option '--" + name + "' needs a value";
                return std::nullopt;
            }
        } else if (equals != std::string::npos) {
            error = "option '--" + name + "' takes no value";
            return std::nullopt;
        }
        auto& values = line.values_[name];
        if (!values.empty() && !option->repeatable) {
            error = "option '--" + name + "' is given more than once";
            return std::nullopt;
        }
        values.push_back(std::move(value));
    }
    return line;
}

std::optional<std::string> CommandLine::Value(const std::string& name) const {
    const auto it = values_.find(name);
    if (it == values_.end() || it->second.empty()) return std::nullopt;
    return it->second.front();
}

std::vector<std::string> CommandLine::Values(const std::string& name) const {
    const auto it = values_.find(name);
    return it == values_.end() ? std::vector<std::string>{} : it->second;
}

std::optional<int64_t> CommandLine::ParseInteger(std::string_view text, int64_t min, int64_t max) {
    int64_t value = 0;
    const char* end = text.data() + text.size();
    if (text.empty() || text.front() == '+') return std::nullopt;
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < min || value > max) return std::nullopt;
    return value;
}

std::optional<double> CommandLine::ParseDecimal(std::string_view text, double min, double max) {
    // Digits with at most one '.', not first or last: no signs, exponents or locale.
    const std::size_t dot = text.find('.');
    if (text.empty() || dot == 0 || dot + 1 == text.size() ||
        !std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; }) ||
        std::count(text.begin(), text.end(), '.') > 1) {
        return std::nullopt;
    }
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size() || value < min || value > max) return std::nullopt;
    return value;
}

std::optional<int64_t> CommandLine::ParseUtcTime(std::string_view text) {
    if (!text.empty() && text.back() == 'Z') text.remove_suffix(1);
    // Fixed-width fields at fixed places: "2024-06-01T22:00:00".
    constexpr std::string_view kShape = "0000-00-00T00:00:00";
    if (text.size() < kShape.size()) return std::nullopt;
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == '0' ? !digit : text[i] != kShape[i]) return std::nullopt;
    }
    const auto field = [&](std::size_t at, std::size_t length) {
        int value = 0;
        for (std::size_t i = at; i < at + length; ++i) value = value * 10 + (text[i] - '0');
        return value;
    };
    UtcDateTime t;
    t.year = field(0, 4);
    t.month = field(5, 2);
    t.day = field(8, 2);
    t.hour = field(11, 2);
    t.minute = field(14, 2);
    t.second = field(17, 2);
    int64_t fractionNs = 0;
    std::string_view fraction = text.substr(kShape.size());
    if (!fraction.empty()) {
        if (fraction.size() < 2 || fraction.size() > 10 || fraction[0] != '.') return std::nullopt;
        fraction.remove_prefix(1);
        int64_t scale = 100000000;
        for (const char c : fraction) {
            if (c < '0' || c > '9') return std::nullopt;
            fractionNs += (c - '0') * scale;
            scale /= 10;
        }
    }
    // The calendar round trip rejects days a month does not have.
    const int64_t dayNumber = DaysFromCivil(t.year, t.month, t.day);
    int year = 0;
    int month = 0;
    int day = 0;
    CivilFromDays(dayNumber, year, month, day);
    if (t.year < 1980 || t.year > 2199 || t.month < 1 || t.month > 12 || year != t.year || month != t.month ||
        day != t.day || t.hour > 23 || t.minute > 59 || t.second > 59) {
        return std::nullopt;
    }
    return UnixMillisecondsFromUtc(t) * 1000000 + fractionNs;
}

}  // namespace orva
