#include "ui/CMainForm.h"

#include "ui/QtText.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include <tuple>

namespace orva {
namespace {

// Arrows only: a step goes to the model, the box itself holds no value.
class StepArrows final : public QAbstractSpinBox {
public:
    StepArrows(std::function<void(int)> step, QWidget* parent) : QAbstractSpinBox(parent), step_(std::move(step)) {
        setButtonSymbols(QAbstractSpinBox::UpDownArrows);
        setFixedWidth(22);
        setReadOnly(true);
        setFocusPolicy(Qt::NoFocus);
    }
    void stepBy(int steps) override { step_(steps); }

protected:
    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }

private:
    std::function<void(int)> step_;
};


void SetText(QLabel* label, const std::string& text) {
    if (label->text() != Q(text)) label->setText(Q(text));
}

void SetItems(QComboBox* box, const std::vector<std::string>& items, int index) {
    QStringList list;
    for (const auto& item : items) list << Q(item);
    QStringList current;
    for (int i = 0; i < box->count(); ++i) current << box->itemText(i);
    const QSignalBlocker block(box);
    if (current != list) {
        box->clear();
        box->addItems(list);
    }
    if (box->currentIndex() != index) box->setCurrentIndex(index);
}

void SetChecked(QCheckBox* box, bool on) {
    const QSignalBlocker block(box);
    box->setChecked(on);
}

}  // namespace

CMainForm::CMainForm(CameraPanelModel& panel, CalibrationFramesModel& calibration,
                     LiveViewOptionsModel& viewOptions, QWidget* parent)
    : QWidget(parent), panel_(panel), calibration_(calibration), viewOptions_(viewOptions) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(BuildEquipmentGroup());
    layout->addWidget(BuildCameraGroup());
    layout->addWidget(BuildImageGroup());
    layout->addWidget(BuildViewGroup());
    layout->addWidget(BuildCalibrationGroup());
    layout->addWidget(BuildStatisticsGroup());
    layout->addStretch(1);
    setMinimumWidth(270);

    connect(&timer_, &QTimer::timeout, this, [this] { TimerTick(); });
    timer_.start(CameraPanelModel::kTimerMs);
    Refresh();
}

QWidget* CMainForm::BuildCameraGroup() {
    auto* group = new QGroupBox("Camera", this);
    auto* form = new QFormLayout(group);
    identification_ = new QLabel(group);
    identification_->setWordWrap(true);
    form->addRow(identification_);
    temperature_ = new QLabel(group);
    form->addRow("Temperature", temperature_);
    auto* linkRow = new QHBoxLayout();
    linkWarning_ = new QLabel(group);
    linkWarning_->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(16, 16));
    link_ = new QLabel(group);
    linkRow->addWidget(linkWarning_);
    linkRow->addWidget(link_, 1);
    form->addRow("Status", linkRow);
    errorCounters_ = new QLabel(group);
    form->addRow("Error Counters", errorCounters_);

    resolution_ = new QComboBox(group);
    connect(resolution_, &QComboBox::activated, this, [this](int index) {
        panel_.SelectResolution(index);
        Refresh();
    });
    form->addRow("Resolution", resolution_);

    using Entry = std::function<CameraPanelModel::EditResult(const std::string&)>;
    const auto editRow = [&](QLineEdit*& edit, QWidget*& spin, Entry enter, std::function<void(int)> step) {
        auto* row = new QHBoxLayout();
        edit = new QLineEdit(group);
        QLineEdit* e = edit;
        connect(edit, &QLineEdit::returnPressed, this, [this, e, enter] {
            if (enter(e->text().toStdString()) == CameraPanelModel::EditResult::Rejected) {
                e->selectAll();
            } else {
                e->clearFocus();
            }
            Refresh();
        });
        spin = new StepArrows(step, group);
        row->addWidget(edit, 1);
        row->addWidget(spin);
        return row;
    };
    QHBoxLayout* exposureRow = editRow(
        exposure_, exposureSpin_, [this](const std::string& t) { return panel_.EnterExposure(t); },
        [this](int steps) { StepExposure(steps); });
    QHBoxLayout* rateRow = editRow(
        frameRate_, frameRateSpin_, [this](const std::string& t) { return panel_.EnterFrameRate(t); },
        [this](int steps) { StepFrameRate(steps); });
    auto* exposureLabel = new QLabel("Exp (ms)", group);
    auto* rateLabel = new QLabel("Frame rate (fps)", group);
    form->addRow(exposureLabel, exposureRow);
    form->addRow(rateLabel, rateRow);
    subFrameHint_ = new QLabel("Sub frame exposure!", group);
    subFrameHint_->setStyleSheet("color: #c08000;");
    // Shown and hidden with the status: the rows below stay where they are.
    QSizePolicy keep = subFrameHint_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    subFrameHint_->setSizePolicy(keep);
    form->addRow(subFrameHint_);

    gain_ = new QComboBox(group);
    connect(gain_, &QComboBox::activated, this, [this](int index) {
        panel_.SelectGain(index);
        Refresh();
    });
    auto* gainLabel = new QLabel("Gain", group);
    form->addRow(gainLabel, gain_);
    highGain_ = new QCheckBox("High Gain Mode", group);
    connect(highGain_, &QCheckBox::toggled, this, [this](bool on) {
        panel_.SetHighGain(on);
        Refresh();
    });
    form->addRow(highGain_);

    auto* blackRow = new QHBoxLayout();
    blackLevel_ = new QLineEdit(group);
    connect(blackLevel_, &QLineEdit::editingFinished, this, [this] {
        if (blackLevel_->isModified()) panel_.EditBlackLevel(blackLevel_->text().toStdString());
        blackLevel_->setModified(false);
        Refresh();
    });
    lock_ = new QCheckBox("Lock", group);
    connect(lock_, &QCheckBox::toggled, this, [this](bool on) {
        panel_.SetBlackLevelLock(on);
        Refresh();
    });
    blackRow->addWidget(blackLevel_, 1);
    blackRow->addWidget(lock_);
    auto* blackLabel = new QLabel("Black Level", group);
    form->addRow(blackLabel, blackRow);
    exposureControls_ = {exposureLabel, exposure_, exposureSpin_, rateLabel, frameRate_, frameRateSpin_};
    optionControls_ = {gainLabel, blackLabel};
    return group;
}

QWidget* CMainForm::BuildImageGroup() {
    auto* group = new QGroupBox("Image", this);
    auto* grid = new QGridLayout(group);
    const auto check = [&](QCheckBox*& box, const char* text, std::function<void(bool)> set, int row, int col) {
        box = new QCheckBox(text, group);
        connect(box, &QCheckBox::toggled, this, [this, set](bool on) {
            set(on);
            Refresh();
        });
        grid->addWidget(box, row, col);
    };
    check(eightBit_, "8-bit", [this](bool on) { panel_.SetEightBit(on); }, 0, 0);
    check(invert_, "Invert", [this](bool on) { panel_.SetInvert(on); }, 0, 1);
    check(fpn_, "FPN reduction", [this](bool on) { panel_.SetFpnReduction(on); }, 1, 0);
    check(pps_, "1PPS", [this](bool on) { panel_.SetPps(on); }, 1, 1);
    check(pcTime_, "PC Time", [this](bool on) { panel_.SetPcTime(on); }, 2, 0);
    check(plateSolving_, "Platesolving (next Event)", [this](bool on) { panel_.SetPlateSolvingNextEvent(on); }, 2, 1);

    const auto list = [&](QComboBox*& box, const char* label, const auto& texts, std::function<void(int)> select,
                          int row) {
        box = new QComboBox(group);
        for (const char* t : texts) box->addItem(t);
        connect(box, &QComboBox::activated, this, [this, select](int index) {
            select(index);
            Refresh();
        });
        auto* l = new QLabel(label, group);
        grid->addWidget(l, row, 0);
        grid->addWidget(box, row, 1);
        return l;
    };
    QLabel* flipLabel =
        list(flip_, "Flip", CameraPanelModel::kFlipTexts, [this](int i) { panel_.SelectFlip(i); }, 3);
    QLabel* overlayLabel =
        list(overlay_, "Overlay", CameraPanelModel::kOverlayTexts, [this](int i) { panel_.SelectOverlay(i); }, 4);
    optionControls_.insert(optionControls_.end(), {invert_, pps_, pcTime_, flip_, flipLabel, overlay_, overlayLabel});
    return group;
}

QWidget* CMainForm::BuildEquipmentGroup() {
    auto* group = new QGroupBox("Equipment", this);
    auto* form = new QFormLayout(group);
    for (const auto kind : EquipmentSelectionModel::kKinds) {
        const auto index = static_cast<std::size_t>(kind);
        auto* list = new QComboBox(group);
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        list->setMinimumContentsLength(12);
        connect(list, &QComboBox::activated, this, [this, kind](int i) {
            if (equipment) equipment().Choose(kind, i);
            Refresh();
        });
        equipmentLists_[index] = list;
        form->addRow(EquipmentSelectionModel::kLabels[index], list);
    }
    return group;
}

void CMainForm::RefreshEquipment(bool enabled) {
    for (const auto kind : EquipmentSelectionModel::kKinds) {
        QComboBox* list = equipmentLists_[static_cast<std::size_t>(kind)];
        list->setEnabled(enabled);
        if (!equipment || list->view()->isVisible()) continue;
        const EquipmentSelectionModel::List l = equipment().Get(kind);
        SetItems(list, l.names, l.selected);
    }
}

QWidget* CMainForm::BuildViewGroup() {
    auto* group = new QGroupBox("Preview", this);
    auto* grid = new QGridLayout(group);
    crosshair_ = new QCheckBox("Crosshair", group);
    connect(crosshair_, &QCheckBox::toggled, this, [this](bool on) { viewOptions_.SetCrosshair(on); });
    overflow_ = new QCheckBox("Overflow", group);
    connect(overflow_, &QCheckBox::toggled, this, [this](bool on) { viewOptions_.SetOverflow(on); });
    grid->addWidget(crosshair_, 0, 0);
    grid->addWidget(overflow_, 0, 1);
    previewMode_ = new QComboBox(group);
    for (const char* text : LiveViewOptionsModel::kPreviewModeTexts) previewMode_->addItem(text);
    connect(previewMode_, &QComboBox::activated, this, [this](int index) { viewOptions_.SelectPreviewMode(index); });
    zoom_ = new QComboBox(group);
    zoom_->setEditable(true);
    zoom_->setInsertPolicy(QComboBox::NoInsert);
    for (int percent : LiveViewOptionsModel::kZoomPercents) zoom_->addItem(QString("%1%").arg(percent));
    // A chosen entry and a typed one confirmed with Enter take the same way.
    connect(zoom_, &QComboBox::textActivated, this,
            [this](const QString& text) {
                viewOptions_.EnterZoom(text.toStdString());
                // Shows "%" appended, or "100%" for a zoom out of range.
                const QSignalBlocker block(zoom_);
                zoom_->setCurrentText(Q(viewOptions_.ZoomText()));
            });
    grid->addWidget(previewMode_, 1, 0);
    grid->addWidget(zoom_, 1, 1);
    return group;
}

void CMainForm::RefreshViewOptions() {
    SetChecked(crosshair_, viewOptions_.Crosshair());
    SetChecked(overflow_, viewOptions_.Overflow());
    if (!previewMode_->view()->isVisible() && previewMode_->currentIndex() != viewOptions_.PreviewMode()) {
        const QSignalBlocker block(previewMode_);
        previewMode_->setCurrentIndex(viewOptions_.PreviewMode());
    }
    if (!zoom_->hasFocus() && zoom_->currentText() != Q(viewOptions_.ZoomText())) {
        const QSignalBlocker block(zoom_);
        zoom_->setCurrentText(Q(viewOptions_.ZoomText()));
    }
    zoom_->setEnabled(viewOptions_.ZoomEnabled());
}

QWidget* CMainForm::BuildCalibrationGroup() {
    using Kind = CalibrationFramesModel::Kind;
    auto* group = new QGroupBox("Calibration", this);
    auto* grid = new QGridLayout(group);
    const auto side = [&](QCheckBox*& box, QComboBox*& list, const char* text, Kind kind, int row) {
        box = new QCheckBox(text, group);
        list = new QComboBox(group);
        connect(box, &QCheckBox::toggled, this, [this, kind](bool on) { SetCalibrationChecked(kind, on); });
        connect(list, &QComboBox::activated, this, [this, kind](int index) { ChooseCalibration(kind, index); });
        grid->addWidget(box, row, 0);
        grid->addWidget(list, row, 1);
    };
    side(dark_, darkList_, "Dark", Kind::Dark, 0);
    side(flat_, flatList_, "Flat", Kind::Flat, 1);
    offset_ = new QLineEdit(group);
    connect(offset_, &QLineEdit::editingFinished, this, [this] {
        calibration_.EditOffset(offset_->text().toStdString());
        RefreshCalibration();
    });
    auto* offsetLabel = new QLabel("Offset", group);
    grid->addWidget(offsetLabel, 2, 0);
    grid->addWidget(offset_, 2, 1);
    grid->setColumnStretch(1, 1);
    optionControls_.insert(optionControls_.end(), {dark_, flat_, offsetLabel, offset_});
    return group;
}

QWidget* CMainForm::BuildStatisticsGroup() {
    auto* group = new QGroupBox("Statistics", this);
    auto* form = new QFormLayout(group);
    queue_ = new QLabel(group);
    processing_ = new QLabel(group);
    recorded_ = new QLabel(group);
    duration_ = new QLabel(group);
    auto* missedRow = new QHBoxLayout();
    missed_ = new QLabel(group);
    recentMissed_ = new QLabel(group);
    recentMissed_->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(16, 16));
    auto* reset = new QPushButton("Reset", group);
    connect(reset, &QPushButton::clicked, this, [this] {
        panel_.ResetMissedFrames();
        Refresh();
    });
    missedRow->addWidget(missed_, 1);
    missedRow->addWidget(recentMissed_);
    missedRow->addWidget(reset);
    form->addRow("Queue Length", queue_);
    form->addRow("Processing Time", processing_);
    auto* recordedRow = new QHBoxLayout();
    missedList_ = new QPushButton(style()->standardIcon(QStyle::SP_MessageBoxWarning), "", group);
    missedList_->setToolTip("The missed frames of the recording");
    connect(missedList_, &QPushButton::clicked, this, [this] {
        if (onShowMissedFrames) onShowMissedFrames();
    });
    recordedRow->addWidget(recorded_, 1);
    recordedRow->addWidget(missedList_);
    form->addRow("Recorded frames", recordedRow);
    form->addRow("Duration", duration_);
    form->addRow("Missed frames", missedRow);
    return group;
}

void CMainForm::StepExposure(int steps) {
    // Up is the next longer exposure; the model's delta 1 is the shorter one.
    panel_.SpinExposure(steps > 0 ? -1 : 1);
    Refresh();
}

void CMainForm::StepFrameRate(int steps) {
    panel_.SpinFrameRate(steps > 0 ? -1 : 1);
    Refresh();
}

void CMainForm::ReadFocus() {
    CameraPanelFocus& focus = panel_.focus;
    focus.exposureEdit = exposure_->hasFocus();
    focus.frameRateEdit = frameRate_->hasFocus();
    focus.gainListDropped = gain_->view()->isVisible();
    focus.flipListDropped = flip_->view()->isVisible();
    focus.overlayListDropped = overlay_->view()->isVisible();
}

void CMainForm::TimerTick() {
    ReadFocus();
    panel_.Tick();
    Refresh();
}

void CMainForm::Refresh() {
    const CameraPanelState& s = panel_.State();
    SetText(identification_, s.identification);
    SetText(temperature_, s.temperature);
    SetText(link_, s.linkText);
    SetText(errorCounters_, s.errorCounters);
    linkWarning_->setVisible(s.linkWarning);

    SetItems(resolution_, s.resolutions, s.resolutionIndex);
    if (!exposure_->hasFocus() && exposure_->text() != Q(s.exposureText)) exposure_->setText(Q(s.exposureText));
    if (!frameRate_->hasFocus() && frameRate_->text() != Q(s.frameRateText)) frameRate_->setText(Q(s.frameRateText));
    if (!gain_->view()->isVisible()) SetItems(gain_, s.gains, s.gainIndex);
    SetChecked(highGain_, s.highGain);
    if (!blackLevel_->hasFocus() && blackLevel_->text() != Q(s.blackLevelText)) blackLevel_->setText(Q(s.blackLevelText));
    SetChecked(lock_, s.blackLevelLocked);
    SetChecked(eightBit_, s.eightBit);
    SetChecked(invert_, s.invert);
    SetChecked(fpn_, s.fpnReduction);
    SetChecked(pps_, s.pps);
    SetChecked(pcTime_, s.pcTime);
    SetChecked(plateSolving_, s.plateSolvingNextEvent);
    for (auto [box, index] : {std::pair{flip_, s.flipIndex}, std::pair{overlay_, s.overlayIndex}}) {
        if (!box->view()->isVisible() && box->currentIndex() != index) {
            const QSignalBlocker block(box);
            box->setCurrentIndex(index);
        }
    }

    SetText(queue_, s.queueText);
    SetText(processing_, s.processingText);
    SetText(recorded_, s.recordedText);
    SetText(duration_, s.durationText);
    SetText(missed_, s.missedText);
    recentMissed_->setVisible(s.recentMissedIcon);
    missedList_->setVisible(s.missedListIcon);

    CameraPanelEnableInputs inputs = enableInputs ? enableInputs() : CameraPanelEnableInputs{};
    inputs.darkChecked = calibration_.Get(CalibrationFramesModel::Kind::Dark).checked;
    inputs.flatChecked = calibration_.Get(CalibrationFramesModel::Kind::Flat).checked;
    const CameraPanelEnables e = panel_.Enables(inputs);
    resolution_->setEnabled(e.resolution);
    for (QWidget* w : exposureControls_) w->setEnabled(e.exposure);
    subFrameHint_->setVisible(e.subFrameHintVisible);
    for (QWidget* w : optionControls_) w->setEnabled(e.cameraOptions);
    gain_->setEnabled(e.gain);
    highGain_->setEnabled(e.highGain);
    blackLevel_->setEnabled(e.blackLevel);
    lock_->setEnabled(e.blackLevel);
    eightBit_->setEnabled(e.blackLevel);
    fpn_->setEnabled(e.fpnReduction);
    darkList_->setEnabled(e.darkList);
    flatList_->setEnabled(e.flatList);
    RefreshCalibration();
    RefreshViewOptions();
    RefreshEquipment(e.equipment);
}

void CMainForm::RefreshCalibration() {
    using Kind = CalibrationFramesModel::Kind;
    for (auto [kind, box, list] : {std::tuple{Kind::Dark, dark_, darkList_}, std::tuple{Kind::Flat, flat_, flatList_}}) {
        const CalibrationFramesModel::Side& side = calibration_.Get(kind);
        SetChecked(box, side.checked);
        if (!list->view()->isVisible()) SetItems(list, side.files, side.files.empty() ? -1 : side.selected);
    }
    if (!offset_->hasFocus() && offset_->text() != Q(calibration_.OffsetText())) offset_->setText(Q(calibration_.OffsetText()));
}

void CMainForm::SetCalibrationChecked(CalibrationFramesModel::Kind kind, bool on) {
    calibration_.SetChecked(kind, on);
    Refresh();
}

void CMainForm::ChooseCalibration(CalibrationFramesModel::Kind kind, int index) {
    calibration_.Choose(kind, index);
    Refresh();
}

}  // namespace orva
