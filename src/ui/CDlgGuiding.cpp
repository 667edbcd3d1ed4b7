#include "ui/CDlgGuiding.h"

#include "ui/ActionButton.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace orva {
namespace {

constexpr int kTimerMs = 200;

}  // namespace

CDlgGuiding::CDlgGuiding(GuidingDialogModel& model, QWidget* parent) : QDialog(parent), model_(model) {
    setWindowTitle("Guiding");
    setModal(false);
    GuidingDialogModel& m = model_;
    target_ = new QLabel(this);
    select_ = AddButton("Select...", [&m] { m.Select(); });
    size_ = new QComboBox(this);
    for (const std::string& entry : GuidingDialogModel::SizeEntries()) size_->addItem(QString::fromStdString(entry));
    connect(size_, &QComboBox::activated, this, [this](int index) {
        model_.OnSizeChange(index);
        Show();
    });
    up_ = AddDirections([&m](int i) { m.OnUpChange(i); });
    right_ = AddDirections([&m](int i) { m.OnRightChange(i); });
    push_ = new QLineEdit(this);
    push_->setEnabled(false);
    offsets_ = new QLabel(this);
    reset_ = AddButton("Reset", [&m] { m.Reset(); });
    stop_ = AddButton("Stop", [&m] { m.Stop(); });
    start_ = AddButton("Start", [&m] { m.Start(); });

    auto* targetRow = new QHBoxLayout;
    targetRow->addWidget(target_);
    targetRow->addWidget(select_);
    auto* directions = new QHBoxLayout;
    directions->addWidget(up_);
    directions->addWidget(right_);
    auto* form = new QFormLayout;
    form->addRow("Guiding star position:", targetRow);
    form->addRow("Size of tracking zone:", size_);
    form->addRow("Direction up / right:", directions);
    form->addRow("Correction push (ms):", push_);
    form->addRow("Last offsets:", offsets_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(reset_);
    buttons->addWidget(stop_);
    buttons->addWidget(start_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    model_.Initialise();
    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &CDlgGuiding::OnTimer);
    Show();
}

QPushButton* CDlgGuiding::AddButton(const char* text, std::function<void()> action) {
    return MakeActionButton(this, text, std::move(action), [this] { Show(); });
}

QComboBox* CDlgGuiding::AddDirections(std::function<void(int)> change) {
    auto* combo = new QComboBox(this);
    for (const char* d : GuidingDialogModel::kDirections) combo->addItem(d);
    connect(combo, &QComboBox::activated, this, [this, change = std::move(change)](int index) {
        change(index);
        Show();
    });
    return combo;
}

bool CDlgGuiding::TimerActive() const { return timer_->isActive(); }

void CDlgGuiding::OnTimer() {
    model_.Tick();
    Show();
}

void CDlgGuiding::Show() {
    const GuidingControls c = model_.Controls();
    select_->setEnabled(c.selectEnabled);
    size_->setEnabled(c.sizeEnabled);
    up_->setEnabled(c.directionsEnabled);
    right_->setEnabled(c.directionsEnabled);
    start_->setEnabled(c.startEnabled);
    stop_->setEnabled(c.stopEnabled);
    target_->setText(QString::fromStdString(c.targetText));
    offsets_->setText(QString::fromStdString(c.offsetsText));
    push_->setText(QString::fromStdString(c.correctionPushText));
    size_->setCurrentIndex(c.sizeIndex);
    up_->setCurrentIndex(c.up);
    right_->setCurrentIndex(c.right);
    // The timer runs only while the model has something to watch.
    if (model_.TimerRunning() && !timer_->isActive()) timer_->start(kTimerMs);
    if (!model_.TimerRunning() && timer_->isActive()) timer_->stop();
}

}  // namespace orva
