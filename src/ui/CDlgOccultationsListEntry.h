#pragma once
// One entry of the occultation events list: the event's four text lines and its delete
// button. It shows an OccultationListEntry and reports clicks; it decides nothing.
//
// Threads: GUI thread only.

#include "events/OccultationEventsModel.h"

#include <QFrame>

#include <functional>

class QLabel;
class QToolButton;

namespace orva {

class CDlgOccultationsListEntry final : public QFrame {
public:
    CDlgOccultationsListEntry(const OccultationListEntry& entry, std::function<void(OwEventId)> onClick,
                              std::function<void(OwEventId)> onDelete, QWidget* parent = nullptr);
    void Show(const OccultationListEntry& entry);
    OwEventId Id() const { return id_; }
    QString Text() const;
    QToolButton* DeleteButton() const { return delete_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    OwEventId id_;
    std::function<void(OwEventId)> onClick_;
    QLabel* line1_;
    QLabel* countdown_;
    QLabel* line3_;
    QLabel* line4_;
    QToolButton* delete_;
};

}  // namespace orva
