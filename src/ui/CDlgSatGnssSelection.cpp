#include "ui/CDlgSatGnssSelection.h"

#include "ui/ActionButton.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace orva {
namespace {

using M = GnssSelectionDialogModel;

QLineEdit* NumberEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance("00000"));
    edit->setAlignment(Qt::AlignRight);
    return edit;
}

void SetText(QLineEdit* edit, const std::string& text) {
    if (edit->text() != QString::fromStdString(text)) edit->setText(QString::fromStdString(text));
}

// Binds a check box both ways: user clicks go into the model's flag.
QCheckBox* Check(const QString& text, bool* flag, QWidget* parent) {
    auto* box = new QCheckBox(text, parent);
    QObject::connect(box, &QCheckBox::clicked, parent, [flag](bool on) { *flag = on; });
    return box;
}

QLineEdit* Edit(std::string* text, QWidget* parent) {
    QLineEdit* edit = NumberEdit(parent);
    QObject::connect(edit, &QLineEdit::textEdited, parent, [text](const QString& t) { *text = t.toStdString(); });
    return edit;
}

}  // namespace

CDlgSatGnssSelection::CDlgSatGnssSelection(GnssSelectionDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setWindowTitle(M::kTitle);
    setModal(false);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(M::kMinLabel, this), 0, 1);
    grid->addWidget(new QLabel(M::kMaxLabel, this), 0, 2);
    grid->addWidget(new QLabel(M::kSignalsLabel, this), 0, 3);
    for (int id = 0; id < GnssConfiguration::kSystemCount; ++id) BuildRow(id, grid);

    total_ = NumberEdit(this);
    active_ = Edit(&model_.activeText, this);
    auto* channels = new QHBoxLayout;
    channels->addWidget(new QLabel(M::kTotalLabel, this));
    channels->addWidget(total_);
    channels->addSpacing(16);
    channels->addWidget(new QLabel(M::kActiveLabel, this));
    channels->addWidget(active_);
    channels->addStretch(1);

    status_ = new QLabel(this);
    const auto refresh = [this] { Refresh(); };
    read_ = MakeActionButton(this, M::kReadButton, [this] { model_.Read(); }, refresh);
    write_ = MakeActionButton(this, M::kWriteButton, [this] { model_.Write(); }, refresh);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(status_, 1);
    buttons->addWidget(read_);
    buttons->addWidget(write_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(channels);
    layout->addLayout(buttons);

    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &CDlgSatGnssSelection::OnTimer);
    timer_->start(kTimerMs);
    Refresh();
}

void CDlgSatGnssSelection::BuildRow(int id, QGridLayout* grid) {
    GnssRow& row = model_.rows[static_cast<std::size_t>(id)];
    RowWidgets& w = rows_[static_cast<std::size_t>(id)];
    w.enable = Check(M::RowName(id), &row.enabled, this);
    w.min = Edit(&row.minChannels, this);
    w.max = Edit(&row.maxChannels, this);
    w.signal = Check(M::SignalName(id), &row.signal, this);
    auto* signalRow = new QHBoxLayout;
    signalRow->addWidget(w.signal);
    if (id == GnssConfiguration::kQzssId) {
        w.l1s = Check(M::kL1sName, &row.l1s, this);
        signalRow->addWidget(w.l1s);
    }
    signalRow->addStretch(1);
    grid->addWidget(w.enable, id + 1, 0);
    grid->addWidget(w.min, id + 1, 1);
    grid->addWidget(w.max, id + 1, 2);
    grid->addLayout(signalRow, id + 1, 3);
}

void CDlgSatGnssSelection::Open() {
    model_.Open();
    Refresh();
    show();
    raise();
}

void CDlgSatGnssSelection::OnTimer() {
    model_.Tick();
    Refresh();
}

void CDlgSatGnssSelection::Refresh() {
    const bool controls = model_.ControlsEnabled();
    for (int id = 0; id < GnssConfiguration::kSystemCount; ++id) {
        const GnssRow& row = model_.rows[static_cast<std::size_t>(id)];
        const RowWidgets& w = rows_[static_cast<std::size_t>(id)];
        w.enable->setChecked(row.enabled);
        w.signal->setChecked(row.signal);
        SetText(w.min, row.minChannels);
        SetText(w.max, row.maxChannels);
        w.enable->setEnabled(controls);
        w.min->setEnabled(controls);
        w.signal->setEnabled(controls);
        w.max->setEnabled(id == GnssConfiguration::kImesId ? model_.ImesMaxEnabled() : controls);
        if (w.l1s) {
            w.l1s->setChecked(row.l1s);
            w.l1s->setEnabled(controls);
        }
    }
    SetText(total_, model_.totalText);
    SetText(active_, model_.activeText);
    total_->setEnabled(model_.TotalEnabled());
    active_->setEnabled(controls);
    read_->setEnabled(controls);
    write_->setEnabled(controls);
    status_->setText(QString::fromStdString(model_.StatusText()));
}

}  // namespace orva
