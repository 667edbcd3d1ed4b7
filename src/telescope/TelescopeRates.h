#pragma once
// The table of move rates and its text form: what the telescope worker determines from
// the driver's axis rates, what the rates dialog edits and what the settings keep per
// driver ("%.3f;%.3f" per row, rows joined by ";").
//
// Threads: the table is shared by the telescope worker (which rebuilds it) and the GUI
// thread (which reads and edits it); every access holds the table's lock and copies.

#include "telescope/ITelescopeDriver.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace orva {

struct TelescopeRate {
    int32_t index = 0;
    double rightAscensionRate = 0.0;  // degrees per second
    double declinationRate = 0.0;
    bool operator==(const TelescopeRate&) const = default;
};

class TelescopeRates {
public:
    static constexpr int kRowsFromOneRange = 5;
    // The largest rate a row may hold, degrees per second (no mount slews faster).
    static constexpr double kMaxRate = 90.0;

    std::vector<TelescopeRate> Rows() const;
    void Replace(std::vector<TelescopeRate> rows);
    std::size_t Size() const;

    static std::string Format(const std::vector<TelescopeRate>& rows);
    // Pieces split at ";" up to the first empty one; piece k goes to row k / 2 (even k
    // sets both rates, odd k the declination rate). Empty when a piece is not a number in
    // 0..kMaxRate, so a damaged setting is not half applied.
    static std::optional<std::vector<TelescopeRate>> Parse(const std::string& text);
    // The fixed rows used when the driver's rates can't be read.
    static std::vector<TelescopeRate> FixedRows();
    // Five rows spread over one range per axis.
    static std::vector<TelescopeRate> FromSingleRanges(const TelescopeRateRange& ra, const TelescopeRateRange& dec);

private:
    mutable std::mutex mutex_;
    std::vector<TelescopeRate> rows_;
};

}  // namespace orva
