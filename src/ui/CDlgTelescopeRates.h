#pragma once
// The "Telescope Rates" window: the driver it was handed, "Use custom rates", five right
// ascension and five declination rates (degrees per second) and "Apply", over the
// telescope window's TelescopeRatesDialogModel. Modeless; the telescope window makes it
// on the first click of its rate button and refreshes it on its timer. The fields are
// rewritten only when the model rewrote them, so typing survives the timer.
//
// Threads: GUI thread only.

#include "telescope/TelescopeDialogModel.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orva {

class CDlgTelescopeRates final : public QDialog {
public:
    explicit CDlgTelescopeRates(TelescopeDialogModel& telescope, QWidget* parent = nullptr);

    // Brings the window up to date with its model.
    void Refresh();
    QLabel* Driver() const { return driver_; }
    QCheckBox* UseCustomRates() const { return useCustom_; }
    QLineEdit* RightAscension(int row) const { return ra_[static_cast<std::size_t>(row)]; }
    QLineEdit* Declination(int row) const { return dec_[static_cast<std::size_t>(row)]; }
    QPushButton* ApplyButton() const { return apply_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    using Fields = std::array<QLineEdit*, TelescopeRatesDialogModel::kRows>;

    TelescopeDialogModel& telescope_;
    TelescopeRatesDialogModel& model_;
    int fieldsVersion_ = -1;
    QLabel* driver_;
    QCheckBox* useCustom_;
    Fields ra_{};
    Fields dec_{};
    QPushButton* apply_;
};

}  // namespace orva
