#pragma once
// The details of the selected occultation event: shows OccultationDetailsModel::View()
// and forwards the observer's input (choices, typed fields when they are left, a dropped
// analysis log, the buttons) to the model, which stores and saves it.
//
// Threads: GUI thread only.

#include "events/OccultationDetailsModel.h"

#include <QWidget>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orva {

// What the event windows' modal dialogs (editor, "More") work on.
struct OccultationDialogServices {
    OwEventManager& store;
    IUiServices& ui;
    EquipmentLists lists;
};

class CDlgOccultationDetails final : public QWidget {
public:
    // predictionChanged: after "Edit...", so that the list shows the changed prediction.
    CDlgOccultationDetails(OccultationDetailsModel& model, const OccultationDialogServices& dialogs,
                           std::function<void()> predictionChanged, QWidget* parent = nullptr);

    // Shows the model's event as it is now.
    void Refresh();

    QComboBox* DType() const { return dType_; }
    QLineEdit* DTime() const { return dTime_; }
    QLabel* Countdown() const { return countdown_; }
    QLabel* DateTime() const { return dateTime_; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void EditEvent();
    void ShowMore();
    QComboBox* AddChoice(const char* const* items, std::size_t count, std::function<void(int)> choose);
    QLineEdit* AddEdit(std::function<void(const std::string&)> edit, bool numberField);
    void SetEdit(QLineEdit* edit, const std::string& text, bool enabled, FieldColour colour);

    OccultationDetailsModel& model_;
    OccultationDialogServices dialogs_;
    std::function<void()> predictionChanged_;
    bool refreshing_ = false;
    QLabel* dateTime_;
    QLabel* countdown_;
    QLabel* maxDuration_;
    QLabel* probability_;
    QLabel* asteroid_;
    QLabel* star_;
    QLabel* starMag_;
    QLabel* combinedMag_;
    QLabel* position_;
    QLabel* recording_;
    QComboBox* dType_;
    QComboBox* rType_;
    QComboBox* transparency_;
    QComboBox* seeing_;
    QLineEdit* dTime_;
    QLineEdit* dAccuracy_;
    QLineEdit* rTime_;
    QLineEdit* rAccuracy_;
    QLineEdit* snr_;
    QLineEdit* wind_;
    QLineEdit* temperature_;
};

}  // namespace orva
