#pragma once
// CDlgSerialNr: the "Serial number" dialog over SerialNumberDialogModel. Modal; "OK"
// closes it only for a valid number, else the model's error box shows and it stays.
//
// Threads: GUI thread only.

#include "camera/SerialNumberDialogModel.h"

#include <QDialog>

class QLineEdit;

namespace orva {

class CDlgSerialNr final : public QDialog {
public:
    CDlgSerialNr(SerialNumberDialogModel& model, QWidget* parent = nullptr);

    QLineEdit* Edit() const { return edit_; }

    void accept() override;

private:
    SerialNumberDialogModel& model_;
    QLineEdit* edit_;
};

}  // namespace orva
