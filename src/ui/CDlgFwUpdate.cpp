#include "ui/CDlgFwUpdate.h"

#include "camera/FirmwareUpdateDialogModel.h"
#include "camera/SerialNumberDialogModel.h"
#include "ui/CDlgSerialNr.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace orva {
CDlgFwUpdate::CDlgFwUpdate(FirmwareUpdateDialogModel& model, IUiServices& ui, QWidget* parent)
    : QDialog(parent), model_(model) {
    using M = FirmwareUpdateDialogModel;
    setWindowTitle(M::kTitle);
    file_ = new QLineEdit(this);
    file_->setMinimumWidth(360);
    select_ = new QPushButton(M::kSelectButton, this);
    select_->setAutoDefault(false);
    slot_ = new QComboBox(this);
    for (int slot = 0; slot < FirmwareUpdate::kSlotCount; ++slot) slot_->addItem(FirmwareUpdate::SlotName(slot));
    active_ = new QLabel(this);
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    status_->setMinimumHeight(2 * status_->fontMetrics().height());
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 100);
    progress_->setTextVisible(false);
    percent_ = new QLabel(this);
    percent_->setMinimumWidth(percent_->fontMetrics().horizontalAdvance("100%"));
    percent_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    run_ = new QPushButton(M::kRunButton, this);
    run_->setDefault(true);
    cancel_ = new QPushButton(M::kCancelButton, this);
    cancel_->setAutoDefault(false);

    connect(file_, &QLineEdit::textEdited, this, [this](const QString& text) { model_.firmwareFile = text.toStdString(); });
    connect(slot_, &QComboBox::activated, this, [this](int index) { model_.selectedSlot = index; });
    connect(select_, &QPushButton::clicked, this, [this] {
        model_.SelectFile();
        Refresh();
    });
    connect(run_, &QPushButton::clicked, this, [this] {
        model_.Run();
        Refresh();
    });
    connect(cancel_, &QPushButton::clicked, this, &CDlgFwUpdate::reject);
    model_.askSerialNumber = [this, &ui]() -> std::optional<uint32_t> {
        SerialNumberDialogModel serial(ui);
        CDlgSerialNr dialog(serial, this);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return serial.Value();
    };

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(select_);
    auto* slotRow = new QHBoxLayout;
    slotRow->addWidget(slot_);
    slotRow->addWidget(active_, 1);
    auto* form = new QFormLayout;
    form->addRow(M::kFileLabel, fileRow);
    form->addRow(M::kSlotLabel, slotRow);
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(progress_, 1);
    progressRow->addWidget(percent_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(run_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(status_);
    layout->addLayout(progressRow);
    layout->addLayout(buttons);
    Refresh();
}

CDlgFwUpdate::~CDlgFwUpdate() { model_.askSerialNumber = nullptr; }

void CDlgFwUpdate::Refresh() {
    if (!model_.IsOpen()) {
        if (isVisible()) QDialog::reject();
        return;
    }
    const bool controls = model_.ControlsEnabled();
    file_->setEnabled(controls);
    select_->setEnabled(controls);
    run_->setEnabled(controls);
    cancel_->setEnabled(controls);
    slot_->setEnabled(model_.SlotListEnabled());
    if (file_->text() != QString::fromStdString(model_.firmwareFile)) file_->setText(QString::fromStdString(model_.firmwareFile));
    slot_->setCurrentIndex(model_.selectedSlot);
    active_->setText(QString::fromStdString(model_.ActiveSlotText()));
    status_->setText(QString::fromStdString(model_.StatusText()));
    progress_->setValue(model_.ProgressPercent());
    percent_->setText(QString::fromStdString(model_.ProgressText()));
    if (failedLook_ != model_.ProgressFailed()) {
        failedLook_ = model_.ProgressFailed();
        progress_->setStyleSheet(failedLook_ ? "QProgressBar::chunk { background: #c00000; }" : "");
    }
}

void CDlgFwUpdate::reject() {
    model_.Cancel();
    if (!model_.IsOpen()) QDialog::reject();
}

}  // namespace orva
