#include "ui/CDlgSatConfig.h"

#include "camera/SatConfigDialogModel.h"
#include "ui/CDlgSatGnssSelection.h"

#include <QFontMetrics>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cstring>

namespace orva {

CDlgSatConfig::CDlgSatConfig(SatConfigDialogModel& model, GnssSelectionDialogModel& gnss, QWidget* parent)
    : QDialog(parent), model_(model), gnss_(gnss) {
    setWindowTitle(SatConfigDialogModel::kTitle);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    // The values are fixed-width texts with trailing blanks: a fixed font keeps them aligned.
    QFont mono("Monospace");
    mono.setStyleHint(QFont::TypeWriter);
    // Wide enough for the longest position, so the window does not jump as values change.
    const int valueWidth = QFontMetrics(mono).horizontalAdvance("S90.0000000 / W180.0000000 / -1234.5 msl");
    QFormLayout* form = nullptr;
    const char* group = "";
    for (const SatConfigDialogModel::Field& field : SatConfigDialogModel::kFields) {
        if (std::strcmp(field.group, group) != 0) {
            group = field.group;
            auto* box = new QGroupBox(group, this);
            form = new QFormLayout(box);
            layout->addWidget(box);
        }
        auto* value = new QLabel(this);
        value->setFont(mono);
        value->setMinimumWidth(valueWidth);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(field.label, value);
        values_.push_back(value);
    }
    logging_ = new QLabel(this);
    constellations_ = new QPushButton(SatConfigDialogModel::kSelectConstellations, this);
    constellations_->setAutoDefault(false);
    connect(constellations_, &QPushButton::clicked, this, [this] {
        if (!gnssWindow_) gnssWindow_ = std::make_unique<CDlgSatGnssSelection>(gnss_, this);
        gnssWindow_->Open();
    });
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(logging_, 1);
    bottom->addWidget(constellations_);
    layout->addLayout(bottom);

    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &CDlgSatConfig::OnTimer);
    timer_->start(kTimerMs);
}

CDlgSatConfig::~CDlgSatConfig() = default;

void CDlgSatConfig::Open() {
    model_.Open();
    Refresh();
    show();
    raise();
}

void CDlgSatConfig::OnTimer() {
    if (!isVisible()) return;
    model_.Tick();
    Refresh();
}

void CDlgSatConfig::Refresh() {
    for (std::size_t i = 0; i < values_.size(); ++i) {
        values_[i]->setText(QString::fromStdString(model_.*SatConfigDialogModel::kFields[i].value));
    }
    logging_->setText(QString::fromStdString(model_.logging));
}

}  // namespace orva
