#pragma once
// The main window's form column: the camera control panel beside the live view. It shows
// CameraPanelModel's state and forwards every edit to it (identification and link,
// video mode, exposure and frame rate with their spins, gain, black level with its lock,
// bit depth, flip, invert, overlay, 1PPS, PC time, the statistics), the live view's
// options over LiveViewOptionsModel (crosshair, overflow, preview mode and zoom), and the
// Dark and Flat options with their file lists over CalibrationFramesModel. Its 100 ms
// timer is the model's Tick; the rules and texts are the models'.
//
// Threads: GUI thread only.

#include "equipment/EquipmentSelectionModel.h"
#include "station/CalibrationFramesModel.h"
#include "station/CameraPanelModel.h"
#include "station/LiveViewOptionsModel.h"

#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orva {

class CMainForm final : public QWidget {
public:
    CMainForm(CameraPanelModel& panel, CalibrationFramesModel& calibration, LiveViewOptionsModel& viewOptions,
              QWidget* parent = nullptr);

    // The live view's zones, for the enabling of the zone controls.
    std::function<CameraPanelEnableInputs()> enableInputs;
    // The equipment lists in use; none: the group stays empty.
    std::function<EquipmentSelectionModel&()> equipment;
    // The missed-frames button (shown while the recording's list is not empty) was pressed.
    std::function<void()> onShowMissedFrames;

    // One step of the 100 ms timer, as the timer runs it.
    void TimerTick();
    // The window is closing: no more steps.
    void StopTimer() { timer_.stop(); }
    // Shows the models' state and enabling.
    void Refresh();

    // The controls, for the tests and the test hooks.
    QComboBox* Resolution() { return resolution_; }
    QLineEdit* ExposureEdit() { return exposure_; }
    QLineEdit* FrameRateEdit() { return frameRate_; }
    QComboBox* Gain() { return gain_; }
    QLineEdit* BlackLevelEdit() { return blackLevel_; }
    QCheckBox* BlackLevelLock() { return lock_; }
    QCheckBox* EightBit() { return eightBit_; }
    QCheckBox* Invert() { return invert_; }
    QCheckBox* PlateSolvingNextEvent() { return plateSolving_; }
    QComboBox* Flip() { return flip_; }
    QLabel* Identification() { return identification_; }
    QLabel* LinkText() { return link_; }
    QLabel* RecordedText() { return recorded_; }
    QPushButton* MissedFramesButton() { return missedList_; }
    QCheckBox* Dark() { return dark_; }
    QComboBox* DarkList() { return darkList_; }
    QCheckBox* Crosshair() { return crosshair_; }
    QCheckBox* Overflow() { return overflow_; }
    QComboBox* PreviewMode() { return previewMode_; }
    QComboBox* Zoom() { return zoom_; }
    QComboBox* EquipmentList(EquipmentSelectionModel::Kind kind) { return equipmentLists_[static_cast<std::size_t>(kind)]; }
    // Steps the exposure (+1: the next longer one) or the frame rate spin.
    void StepExposure(int steps);
    void StepFrameRate(int steps);

private:
    QWidget* BuildCameraGroup();
    QWidget* BuildImageGroup();
    QWidget* BuildStatisticsGroup();
    QWidget* BuildCalibrationGroup();
    QWidget* BuildViewGroup();
    QWidget* BuildEquipmentGroup();
    void RefreshEquipment(bool enabled);
    void RefreshViewOptions();
    void ReadFocus();
    void RefreshCalibration();
    void SetCalibrationChecked(CalibrationFramesModel::Kind kind, bool on);
    void ChooseCalibration(CalibrationFramesModel::Kind kind, int index);

    CameraPanelModel& panel_;
    CalibrationFramesModel& calibration_;
    LiveViewOptionsModel& viewOptions_;
    QTimer timer_;

    QLabel* identification_ = nullptr;
    QLabel* temperature_ = nullptr;
    QLabel* link_ = nullptr;
    QLabel* linkWarning_ = nullptr;
    QLabel* errorCounters_ = nullptr;
    QComboBox* resolution_ = nullptr;
    QLineEdit* exposure_ = nullptr;
    QWidget* exposureSpin_ = nullptr;
    QLineEdit* frameRate_ = nullptr;
    QWidget* frameRateSpin_ = nullptr;
    QLabel* subFrameHint_ = nullptr;
    QComboBox* gain_ = nullptr;
    QCheckBox* highGain_ = nullptr;
    QLineEdit* blackLevel_ = nullptr;
    QCheckBox* lock_ = nullptr;
    QCheckBox* eightBit_ = nullptr;
    QCheckBox* invert_ = nullptr;
    QCheckBox* fpn_ = nullptr;
    QComboBox* flip_ = nullptr;
    QCheckBox* pps_ = nullptr;
    QCheckBox* pcTime_ = nullptr;
    QCheckBox* plateSolving_ = nullptr;
    QComboBox* overlay_ = nullptr;
    QCheckBox* crosshair_ = nullptr;
    QCheckBox* overflow_ = nullptr;
    QComboBox* previewMode_ = nullptr;
    QComboBox* zoom_ = nullptr;
    std::array<QComboBox*, 4> equipmentLists_{};
    QLabel* queue_ = nullptr;
    QLabel* processing_ = nullptr;
    QLabel* recorded_ = nullptr;
    QLabel* duration_ = nullptr;
    QLabel* missed_ = nullptr;
    QLabel* recentMissed_ = nullptr;
    QPushButton* missedList_ = nullptr;
    QCheckBox* dark_ = nullptr;
    QComboBox* darkList_ = nullptr;
    QLineEdit* offset_ = nullptr;
    QCheckBox* flat_ = nullptr;
    QComboBox* flatList_ = nullptr;
    std::vector<QWidget*> exposureControls_;
    std::vector<QWidget*> optionControls_;
};

}  // namespace orva
