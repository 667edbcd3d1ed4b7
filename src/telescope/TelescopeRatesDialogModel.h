#pragma once
// CDlgTelescopeRates' logic without widgets ("Telescope Rates"): the custom move rates of
// the connected driver. The view shows Title(), the "Use custom rates" box, five right
// ascension and five declination fields and "Apply", and calls HandOver on every timer
// tick with TelescopeDialogModel::RatesProgramId().
//
// It edits the table the telescope worker uses, and hands the worker the stored text so
// the next rate determination agrees with what was applied.
//
// Threads: GUI thread only (the table carries its own lock).

#include "telescope/TelescopeWorker.h"

#include <array>
#include <string>

namespace orva {

class Settings;

struct TelescopeRateField {
    std::string text;
    bool enabled = false;
    bool operator==(const TelescopeRateField&) const = default;
};

class TelescopeRatesDialogModel {
public:
    static constexpr int kRows = 5;

    TelescopeRatesDialogModel(Settings& settings, TelescopeWorker& worker);

    // A different id than the one held loads its stored text into the table and fields.
    void HandOver(const std::string& programId);
    void SetUseCustomRates(bool use);
    // The fields' texts, right ascension then declination per row; false (and nothing
    // stored) when one is not a rate, with the reason in Error().
    bool Apply(const std::array<std::string, kRows>& rightAscension, const std::array<std::string, kRows>& declination);

    const std::string& Title() const { return programId_; }
    bool UseCustomRates() const { return useCustom_; }
    const std::array<TelescopeRateField, kRows>& RightAscensionFields() const { return raFields_; }
    const std::array<TelescopeRateField, kRows>& DeclinationFields() const { return decFields_; }
    bool ApplyEnabled() const { return useCustom_; }
    const std::string& Error() const { return error_; }

private:
    void Refill();
    void Store(const std::string& text);

    Settings& settings_;
    TelescopeWorker& worker_;
    std::string programId_ = "?";  // so that the first hand-over always counts as a change
    bool useCustom_ = false;
    std::array<TelescopeRateField, kRows> raFields_;
    std::array<TelescopeRateField, kRows> decFields_;
    std::string error_;
};

}  // namespace orva
