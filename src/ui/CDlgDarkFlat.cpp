#include "ui/CDlgDarkFlat.h"

#include "station/DarkFlatDialogModel.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace orva {

CDlgDarkFlat::CDlgDarkFlat(DarkFlatDialogModel& model, QWidget* parent) : QDialog(parent), model_(&model) {
    setWindowTitle(QString::fromStdString(model.Title()));
    setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(this);
    auto* framesRow = new QHBoxLayout();
    framesRow->addWidget(new QLabel("Number of individual frames to average:", this));
    frames_ = new QLineEdit(QString::fromStdString(model.framesText), this);
    frames_->setMaximumWidth(60);
    framesRow->addWidget(frames_);
    layout->addLayout(framesRow);
    delay_ = new QCheckBox(QString::fromStdString(model.DelayText()), this);
    delay_->setChecked(model.delayChecked);
    layout->addWidget(delay_);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 1);
    progress_->setValue(0);
    layout->addWidget(progress_);
    countdown_ = new QLabel(this);
    layout->addWidget(countdown_);
    auto* buttons = new QHBoxLayout();
    start_ = new QPushButton("Start", this);
    cancel_ = new QPushButton("Cancel", this);
    start_->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(start_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);

    connect(start_, &QPushButton::clicked, this, [this] {
        if (model_ == nullptr) return;
        model_->framesText = frames_->text().toStdString();
        model_->delayChecked = delay_->isChecked();
        model_->Start();
        Refresh();
    });
    connect(cancel_, &QPushButton::clicked, this, &CDlgDarkFlat::reject);
    Refresh();
}

void CDlgDarkFlat::Refresh() {
    if (model_ == nullptr) return;
    const bool inputs = model_->InputsEnabled();
    frames_->setEnabled(inputs);
    delay_->setEnabled(inputs);
    start_->setEnabled(inputs);
    if (model_->ProgressMax() > 0) progress_->setRange(0, model_->ProgressMax());
    progress_->setValue(model_->ProgressValue());
    countdown_->setText(QString::fromStdString(model_->CountdownText()));
}

void CDlgDarkFlat::Detach() {
    model_ = nullptr;
    QDialog::reject();
}

void CDlgDarkFlat::reject() {
    if (model_ != nullptr) model_->Cancel();
    model_ = nullptr;
    QDialog::reject();
}

}  // namespace orva
