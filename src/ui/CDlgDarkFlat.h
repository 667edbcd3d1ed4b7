#pragma once
// The "Create Dark Frame Image" / "Create Flat Field Image" dialog over
// DarkFlatDialogModel: the number of frames, the delay box, the countdown and the
// progress, Start and Cancel. It is window-modal and shown without blocking: the main
// window's timer steps the capture (and the model's 500 ms ticks) and calls Refresh; the
// capture model closes it when the file is written or the capture ends otherwise.
//
// Threads: GUI thread only.

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace orva {

class DarkFlatDialogModel;

class CDlgDarkFlat final : public QDialog {
public:
    // `model` must outlive the dialog's use: Detach before it goes.
    CDlgDarkFlat(DarkFlatDialogModel& model, QWidget* parent = nullptr);

    void Refresh();
    // The capture ended: forget the model and close.
    void Detach();
    DarkFlatDialogModel* Model() const { return model_; }

    QLineEdit* FramesEdit() { return frames_; }
    QCheckBox* DelayBox() { return delay_; }
    QPushButton* StartButton() { return start_; }
    QPushButton* CancelButton() { return cancel_; }
    QProgressBar* Progress() { return progress_; }
    QLabel* Countdown() { return countdown_; }

protected:
    void reject() override;

private:
    DarkFlatDialogModel* model_;
    QLineEdit* frames_ = nullptr;
    QCheckBox* delay_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* countdown_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace orva
