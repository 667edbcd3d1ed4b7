#include "ui/CDlgRecordingWithOptions.h"

#include "ui/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace orva {
namespace {

// The format list's order.
constexpr RecordingFormat kFormats[] = {RecordingFormat::Adv, RecordingFormat::Ser, RecordingFormat::FitsSequence};


}  // namespace

CDlgRecordingWithOptions::CDlgRecordingWithOptions(RecordingWithOptionsModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle("Recording with Options");
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout();
    top->addWidget(new QLabel("File format", this));
    format_ = new QComboBox(this);
    format_->addItems({"ADV", "SER", "FITS Sequence"});
    top->addWidget(format_);
    top->addStretch(1);
    everyNth_ = new QCheckBox("Record every n-th frame", this);
    everyNthValue_ = new QLineEdit(this);
    everyNthValue_->setMaximumWidth(60);
    top->addWidget(everyNth_);
    top->addWidget(everyNthValue_);
    layout->addLayout(top);

    auto* grid = new QGridLayout();
    grid->addWidget(new QLabel("Center (UTC hh:mm:ss)", this), 0, 1);
    grid->addWidget(new QLabel("Duration (s)", this), 0, 2);
    grid->addWidget(new QLabel("Exposure (ms)", this), 0, 3);
    for (int i = 0; i < 3; ++i) {
        Row& row = rows_[static_cast<std::size_t>(i)];
        row.checked = new QCheckBox(QString("Recording %1").arg(i + 1), this);
        row.center = new QLineEdit(this);
        row.duration = new QLineEdit(this);
        grid->addWidget(row.checked, i + 1, 0);
        grid->addWidget(row.center, i + 1, 1);
        grid->addWidget(row.duration, i + 1, 2);
        if (i > 0) {
            row.exposure = new QLineEdit(this);
            grid->addWidget(row.exposure, i + 1, 3);
        } else {
            grid->addWidget(new QLabel("as in the main window", this), i + 1, 3);
        }
    }
    layout->addLayout(grid);

    auto* bottom = new QHBoxLayout();
    copy_ = new QPushButton("Copy Event(s)", this);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 100);
    countdown_ = new QLabel(this);
    countdown_->setMinimumWidth(60);
    startStop_ = new QPushButton("Start", this);
    bottom->addWidget(copy_);
    bottom->addWidget(progress_, 1);
    bottom->addWidget(countdown_);
    bottom->addWidget(startStop_);
    layout->addLayout(bottom);

    connect(copy_, &QPushButton::clicked, this, [this] {
        model_.CopyNextEvents();
        FromModel();
        Refresh();
    });
    connect(startStop_, &QPushButton::clicked, this, [this] {
        if (model_.GetState() == RecordingWithOptionsModel::State::Idle) {
            ToModel();
            model_.Start();
        } else {
            model_.Stop();
        }
        FromModel();
        Refresh();
    });
}

void CDlgRecordingWithOptions::ShowDialog() {
    if (model_.GetState() == RecordingWithOptionsModel::State::Idle) model_.Open();
    FromModel();
    Refresh();
    show();
    raise();
    activateWindow();
}

void CDlgRecordingWithOptions::ToModel() {
    model_.format = kFormats[std::max(0, format_->currentIndex())];
    model_.everyNthChecked = everyNth_->isChecked();
    model_.everyNthText = everyNthValue_->text().toStdString();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        RecordingOptionsRow& row = model_.rows[i];
        row.checked = rows_[i].checked->isChecked();
        row.center = rows_[i].center->text().toStdString();
        row.duration = rows_[i].duration->text().toStdString();
        if (rows_[i].exposure != nullptr) row.exposure = rows_[i].exposure->text().toStdString();
    }
}

void CDlgRecordingWithOptions::FromModel() {
    for (int i = 0; i < 3; ++i) {
        if (kFormats[i] == model_.format) format_->setCurrentIndex(i);
    }
    everyNth_->setChecked(model_.everyNthChecked);
    everyNthValue_->setText(Q(model_.everyNthText));
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const RecordingOptionsRow& row = model_.rows[i];
        rows_[i].checked->setChecked(row.checked);
        rows_[i].center->setText(Q(row.center));
        rows_[i].duration->setText(Q(row.duration));
        if (rows_[i].exposure != nullptr) rows_[i].exposure->setText(Q(row.exposure));
    }
    shownState_ = model_.GetState();
}

void CDlgRecordingWithOptions::Refresh() {
    // The rows move up when a timed recording is done: show them as they are now.
    if (model_.GetState() != shownState_) FromModel();
    const bool inputs = model_.InputsEnabled();
    for (QWidget* w : std::initializer_list<QWidget*>{format_, everyNth_, everyNthValue_}) w->setEnabled(inputs);
    for (const Row& row : rows_) {
        for (QWidget* w : {static_cast<QWidget*>(row.checked), static_cast<QWidget*>(row.center),
                           static_cast<QWidget*>(row.duration), static_cast<QWidget*>(row.exposure)}) {
            if (w != nullptr) w->setEnabled(inputs);
        }
    }
    copy_->setVisible(model_.CanCopyEvents());
    copy_->setEnabled(inputs);
    startStop_->setText(Q(model_.ButtonText()));
    progress_->setValue(model_.Progress());
    countdown_->setText(Q(model_.CountdownText()));
}

}  // namespace orva
