#pragma once
// CDlgTelescopeRates' logic without widgets ("Telescope Rates"): the custom move rates of
// the connected driver. The view shows Title(), the "Use custom rates" box, five right
// ascension and five declination fields and "Apply". The telescope window's model owns
// it and hands it TelescopeDialogModel::RatesProgramId() on every tick while it is open.
// Fields that are not rates are refused in a message box and store nothing.
//
// It edits the table the telescope worker uses, and hands the worker the stored text so
// the next rate determination agrees with what was applied.
//
// Threads: GUI thread only (the table carries its own lock).

#include "common/IUiServices.h"
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
    static constexpr const char* kTitle = "Telescope Rates";

    TelescopeRatesDialogModel(Settings& settings, TelescopeWorker& worker, IUiServices& ui);

    // A different id than the one held loads its stored text into the table and fields.
    void HandOver(const std::string& programId);
    void SetUseCustomRates(bool use);
    // The fields' texts, right ascension then declination per row; false (and nothing
    // stored) when one is not a rate, with the reason in Error() and in a message box.
    bool Apply(const std::array<std::string, kRows>& rightAscension, const std::array<std::string, kRows>& declination);

    const std::string& Title() const { return programId_; }
    bool UseCustomRates() const { return useCustom_; }
    const std::array<TelescopeRateField, kRows>& RightAscensionFields() const { return raFields_; }
    const std::array<TelescopeRateField, kRows>& DeclinationFields() const { return decFields_; }
    bool ApplyEnabled() const { return useCustom_; }
    // Grows each time the fields' texts are rewritten; in between they are the observer's.
    int FieldsVersion() const { return fieldsVersion_; }
    const std::string& Error() const { return error_; }

private:
    void Refill();
    void Store(const std::string& text);

    Settings& settings_;
    TelescopeWorker& worker_;
    IUiServices& ui_;
    std::string programId_ = "?";  // so that the first hand-over always counts as a change
    bool useCustom_ = false;
    std::array<TelescopeRateField, kRows> raFields_;
    std::array<TelescopeRateField, kRows> decFields_;
    int fieldsVersion_ = 0;
    std::string error_;
};

}  // namespace orva
