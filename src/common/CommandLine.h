#pragma once
// The arguments of a command-line command: long options ("--name value" or
// "--name=value", flags without a value) checked against a table, and the operands
// after them. Every mistake gives one line that says what is wrong.
//
// Pure parsing; any thread.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

struct CommandLineOption {
    std::string name;  // without the leading "--"
    bool takesValue = true;
    bool repeatable = false;
};

class CommandLine {
public:
    // Nothing, with `error` set, for an unknown option, a missing or unexpected value, an
    // option given twice that may be given once, or more operands than `maxOperands`.
    // "--" ends the options.
    static std::optional<CommandLine> Parse(const std::vector<std::string>& args,
                                            const std::vector<CommandLineOption>& options, std::size_t maxOperands,
                                            std::string& error);

    bool Has(const std::string& name) const { return values_.count(name) != 0; }
    // The value of an option given once; nothing when it was not given.
    std::optional<std::string> Value(const std::string& name) const;
    // Every value of a repeatable option, in order.
    std::vector<std::string> Values(const std::string& name) const;
    const std::vector<std::string>& Operands() const { return operands_; }

    // A decimal integer within [min, max], the whole text; nothing otherwise.
    static std::optional<int64_t> ParseInteger(std::string_view text, int64_t min, int64_t max);
    // A decimal number such as "40" or "0.5" within [min, max]; nothing otherwise.
    static std::optional<double> ParseDecimal(std::string_view text, double min, double max);
    // A UTC time "YYYY-MM-DDTHH:MM:SS", with an optional fraction of up to nine digits and
    // an optional "Z", from 1980 (GPS time begins) to 2199: Unix nanoseconds; nothing
    // otherwise.
    static std::optional<int64_t> ParseUtcTime(std::string_view text);

private:
    std::map<std::string, std::vector<std::string>> values_;
    std::vector<std::string> operands_;
};

}  // namespace orva
