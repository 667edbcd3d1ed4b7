#pragma once
// The "Guiding" window: shows GuidingDialogModel's controls and forwards its lists and
// buttons; its 200-ms timer calls the model's Tick while the model wants it.
//
// Threads: GUI thread only.

#include "telescope/GuidingDialogModel.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace orva {

class CDlgGuiding final : public QDialog {
public:
    explicit CDlgGuiding(GuidingDialogModel& model, QWidget* parent = nullptr);

    // One pass of the window's timer.
    void OnTimer();
    QPushButton* SelectButton() const { return select_; }
    QPushButton* StartButton() const { return start_; }
    QPushButton* StopButton() const { return stop_; }
    QPushButton* ResetButton() const { return reset_; }
    QComboBox* Up() const { return up_; }
    QComboBox* Right() const { return right_; }
    QLabel* Target() const { return target_; }
    QLineEdit* CorrectionPush() const { return push_; }
    QComboBox* Size() const { return size_; }
    bool TimerActive() const;

private:
    void Show();
    QPushButton* AddButton(const char* text, std::function<void()> action);
    QComboBox* AddDirections(std::function<void(int)> change);

    GuidingDialogModel& model_;
    QLabel* target_;
    QPushButton* select_;
    QComboBox* size_;
    QComboBox* up_;
    QComboBox* right_;
    QLineEdit* push_;
    QLabel* offsets_;
    QPushButton* reset_;
    QPushButton* stop_;
    QPushButton* start_;
    QTimer* timer_;
};

}  // namespace orva
