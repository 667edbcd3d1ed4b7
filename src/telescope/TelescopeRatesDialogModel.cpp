#include "telescope/TelescopeRatesDialogModel.h"

#include "common/Settings.h"

#include <cstdio>

namespace orva {

namespace {

constexpr const char* kBadRate = "Rates must be numbers from 0 to 90 degrees per second.";

}  // namespace

TelescopeRatesDialogModel::TelescopeRatesDialogModel(Settings& settings, TelescopeWorker& worker, IUiServices& ui)
    : settings_(settings), worker_(worker), ui_(ui) {}

void TelescopeRatesDialogModel::HandOver(const std::string& programId) {
    if (programId == programId_) return;
    programId_ = programId;
    const std::string text = programId.empty() ? std::string() : settings_.GetTelescopeRates(programId);
    useCustom_ = !text.empty();
    // A damaged text changes nothing in the table the worker determined.
    if (const auto rows = TelescopeRates::Parse(text); rows && !rows->empty()) worker_.Rates().Replace(*rows);
    Refill();
}

void TelescopeRatesDialogModel::Refill() {
    ++fieldsVersion_;
    raFields_.fill({});
    decFields_.fill({});
    for (const TelescopeRate& row : worker_.Rates().Rows()) {
        if (row.index < 0 || row.index >= kRows) continue;
        char text[64];
        std::snprintf(text, sizeof text, "%.3f", row.rightAscensionRate);
        raFields_[row.index] = {text, useCustom_};
        std::snprintf(text, sizeof text, "%.3f", row.declinationRate);
        decFields_[row.index] = {text, useCustom_};
    }
}

void TelescopeRatesDialogModel::Store(const std::string& text) {
    settings_.SetTelescopeRates(programId_, text);
    settings_.Save();
    worker_.SetDriver(programId_, text);
}

void TelescopeRatesDialogModel::SetUseCustomRates(bool use) {
    useCustom_ = use;
    // Unticking forgets the stored rates; the table keeps its rows until rates are next determined.
    if (!use && !programId_.empty() && programId_ != "?") Store("");
    for (auto* fields : {&raFields_, &decFields_}) {
        for (TelescopeRateField& field : *fields) field.enabled = use && !field.text.empty();
    }
}

bool TelescopeRatesDialogModel::Apply(const std::array<std::string, kRows>& rightAscension,
                                      const std::array<std::string, kRows>& declination) {
    error_.clear();
    if (!useCustom_ || programId_.empty() || programId_ == "?") return false;
    std::string text;
    bool separator = false;
    for (int i = 0; i < kRows; ++i) {
        separator = separator || rightAscension[i].find(';') != std::string::npos ||
                    declination[i].find(';') != std::string::npos;
        if (!text.empty()) text += ";";
        text += rightAscension[i] + ";" + declination[i];
    }
    // The same rules as a stored text: every field a rate, none left empty.
    const auto rows = separator ? std::nullopt : TelescopeRates::Parse(text);
    if (!rows || rows->size() != static_cast<std::size_t>(kRows)) {
        error_ = kBadRate;
        ui_.ShowMessage(kTitle, error_, MessageIcon::Error);
        return false;
    }
    std::vector<TelescopeRate> table = worker_.Rates().Rows();
    if (table.size() < static_cast<std::size_t>(kRows)) table.resize(kRows);
    for (int i = 0; i < kRows; ++i) table[i] = (*rows)[i];
    worker_.Rates().Replace(table);
    Store(TelescopeRates::Format(table));
    Refill();
    return true;
}

}  // namespace orva
