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

class CDlgOccultationDetails final : public QWidget {
public:
    explicit CDlgOccultationDetails(OccultationDetailsModel& model, QWidget* parent = nullptr);

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
    QComboBox* AddChoice(const char* const* items, std::size_t count, std::function<void(int)> choose);
    QLineEdit* AddEdit(std::function<void(const std::string&)> edit, bool numberField);
    void SetEdit(QLineEdit* edit, const std::string& text, bool enabled, FieldColour colour);

    OccultationDetailsModel& model_;
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
