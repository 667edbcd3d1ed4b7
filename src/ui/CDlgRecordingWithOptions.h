#pragma once
// The "Recording with Options" dialog over RecordingWithOptionsModel: the format, every
// n-th frame, three rows of centre time, duration and exposure, "Copy Event(s)", the
// progress and countdown, Start/Stop. Modeless: its timed recordings run while the main
// window is used, and the main window's timer steps the model whether the dialog is
// shown or not.
//
// Threads: GUI thread only.

#include "station/RecordingWithOptionsModel.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace orva {

class CDlgRecordingWithOptions final : public QDialog {
public:
    struct Row {
        QCheckBox* checked = nullptr;
        QLineEdit* center = nullptr;
        QLineEdit* duration = nullptr;
        QLineEdit* exposure = nullptr;  // rows 2 and 3
    };

    CDlgRecordingWithOptions(RecordingWithOptionsModel& model, QWidget* parent = nullptr);

    // Opens the model when it is idle (row 1 at the current time) and shows the dialog.
    void ShowDialog();
    // Shows the model's state.
    void Refresh();

    QComboBox* Format() { return format_; }
    QCheckBox* EveryNth() { return everyNth_; }
    QLineEdit* EveryNthValue() { return everyNthValue_; }
    const Row& RowAt(int index) const { return rows_.at(static_cast<std::size_t>(index)); }
    QPushButton* CopyEvents() { return copy_; }
    QPushButton* StartStop() { return startStop_; }
    QProgressBar* Progress() { return progress_; }
    QLabel* Countdown() { return countdown_; }

private:
    void ToModel();
    void FromModel();

    RecordingWithOptionsModel& model_;
    QComboBox* format_ = nullptr;
    QCheckBox* everyNth_ = nullptr;
    QLineEdit* everyNthValue_ = nullptr;
    std::array<Row, 3> rows_;
    QPushButton* copy_ = nullptr;
    QPushButton* startStop_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* countdown_ = nullptr;
    RecordingWithOptionsModel::State shownState_ = RecordingWithOptionsModel::State::Idle;
};

}  // namespace orva
