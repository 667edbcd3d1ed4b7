#pragma once
// The "Telescope Control" window: shows TelescopeDialogModel's controls, position texts,
// instruction line and edit text, and forwards the buttons (the move buttons on press and
// on release), the tracking box and the edit field. Its 200-ms timer calls the model's
// Tick; the window stays in existence while hidden. The telescope worker is the
// station's. "Choose..." opens the telescope chooser,
// the rate button the rates window (made on first use, refreshed by this timer).
//
// Threads: GUI thread only.

#include "telescope/TelescopeDialogModel.h"

#include <QDialog>

#include <array>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace orva {

class CDlgTelescopeRates;

class CDlgTelescope final : public QDialog {
public:
    explicit CDlgTelescope(TelescopeDialogModel& model, QWidget* parent = nullptr);
    ~CDlgTelescope() override;

    // One pass of the window's timer.
    void OnTimer();
    QPushButton* Button(const char* text) const;
    QLineEdit* Edit() const { return edit_; }
    QLabel* Instruction() const { return instruction_; }
    QLabel* PositionText(int index) const { return position_[static_cast<std::size_t>(index)]; }
    QLabel* Driver() const { return driver_; }
    // The rates window once the rate button made it.
    CDlgTelescopeRates* RatesWindow() const { return rates_.get(); }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Show();
    void ShowChooser();
    void ShowRates();
    QPushButton* AddButton(const char* text, std::function<void()> action);

    TelescopeDialogModel& model_;
    int editVersion_ = 0;
    QLabel* driver_;
    QLabel* version_;
    QPushButton* choose_;
    QPushButton* connect_;
    QCheckBox* tracking_;
    std::array<QPushButton*, 4> moves_{};
    QPushButton* rateDown_;
    QPushButton* rate_;
    QPushButton* rateUp_;
    QPushButton* sync_;
    QPushButton* event_;
    QPushButton* slew_;
    QLineEdit* edit_;
    QLabel* instruction_;
    std::array<QLabel*, 6> position_{};
    QTimer* timer_;
    std::unique_ptr<CDlgTelescopeRates> rates_;
};

}  // namespace orva
