#pragma once
// CDlgFwUpdate: the "Firmware Update" dialog over FirmwareUpdateDialogModel. The main
// window opens it window-modal without blocking after the model's Open; the station's
// tick steps the update and the window calls Refresh after each tick. It closes itself
// when the model has closed (success, cancel, a broken link). While it exists it answers
// the model's serial-number question with CDlgSerialNr.
//
// Threads: GUI thread only.

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace orva {

class FirmwareUpdateDialogModel;
class IUiServices;

class CDlgFwUpdate final : public QDialog {
public:
    // `model` must be open and outlive the dialog.
    CDlgFwUpdate(FirmwareUpdateDialogModel& model, IUiServices& ui, QWidget* parent = nullptr);
    ~CDlgFwUpdate() override;

    // Shows the model's state; closes the dialog once the model has closed.
    void Refresh();

    QLineEdit* FileEdit() const { return file_; }
    QPushButton* SelectButton() const { return select_; }
    QComboBox* SlotList() const { return slot_; }
    QLabel* ActiveSlot() const { return active_; }
    QLabel* Status() const { return status_; }
    QProgressBar* Progress() const { return progress_; }
    QLabel* Percent() const { return percent_; }
    QPushButton* RunButton() const { return run_; }
    QPushButton* CancelButton() const { return cancel_; }

protected:
    // Escape, the close box and "Cancel" close only when the model lets it go.
    void reject() override;

private:
    FirmwareUpdateDialogModel& model_;
    QLineEdit* file_;
    QPushButton* select_;
    QComboBox* slot_;
    QLabel* active_;
    QLabel* status_;
    QProgressBar* progress_;
    QLabel* percent_;
    QPushButton* run_;
    QPushButton* cancel_;
    bool failedLook_ = false;
};

}  // namespace orva
