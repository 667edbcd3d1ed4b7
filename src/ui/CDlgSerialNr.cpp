#include "ui/CDlgSerialNr.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace orva {

CDlgSerialNr::CDlgSerialNr(SerialNumberDialogModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setWindowTitle(SerialNumberDialogModel::kTitle);
    model_.Open();
    edit_ = new QLineEdit(QString::fromStdString(model_.text), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(SerialNumberDialogModel::kPrompt, this));
    layout->addWidget(new QLabel(SerialNumberDialogModel::kHint, this));
    layout->addWidget(edit_);
    layout->addWidget(buttons);
}

void CDlgSerialNr::accept() {
    model_.text = edit_->text().toStdString();
    if (model_.Ok()) QDialog::accept();
}

}  // namespace orva
