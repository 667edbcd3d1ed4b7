#pragma once
// The "Occultation Events" window: the list of the shown pair of days on the left and
// the details of the selected event on the right. It shows OccultationEventsModel and
// forwards clicks, keys and the day buttons; its timer lets the model handle the store's
// notices and drives the details' hand-offs. It listens to the store only while shown.
//
// Threads: GUI thread only.

#include "events/OccultationDetailsModel.h"
#include "events/OccultationEventsModel.h"
#include "ui/CDlgOccultationDetails.h"

#include <QDialog>

#include <vector>

class QDateEdit;
class QScrollArea;
class QTimer;
class QVBoxLayout;

namespace orva {

class CDlgOccultationsListEntry;

class CDlgOccultationEvents final : public QDialog {
public:
    CDlgOccultationEvents(OccultationEventsModel& model, OccultationDetailsModel& details,
                          const OccultationDialogServices& dialogs, QWidget* parent = nullptr);
    ~CDlgOccultationEvents() override;

    const std::vector<CDlgOccultationsListEntry*>& EntryWidgets() const { return entries_; }
    CDlgOccultationDetails* Details() const { return details_; }
    // One pass of the window's timer.
    void OnTimer();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void RebuildList();
    void ShowSelection();
    void ShowDate();
    void AfterDateChange();
    void ReloadList();
    void AddEvent();
    // "xml": the observer picks an Occult XML file; the model imports it.
    void ImportOccultXml();

    OccultationEventsModel& model_;
    OccultationDetailsModel& detailsModel_;
    OccultationDialogServices dialogs_;
    QDateEdit* date_;
    QScrollArea* scroll_;
    QWidget* listWidget_;
    QVBoxLayout* listLayout_;
    CDlgOccultationDetails* details_;
    QTimer* timer_;
    std::vector<CDlgOccultationsListEntry*> entries_;
};

}  // namespace orva
