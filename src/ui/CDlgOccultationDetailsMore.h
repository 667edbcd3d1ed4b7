#pragma once
// "Occultation Details: More": the site, observer, instrument and mount lists and the two
// comments of OccultationDetailsMoreModel. OK stores them into the event; Cancel changes
// nothing. Modal; the missing-names warning shows when it opens.
//
// Threads: GUI thread only.

#include "events/OccultationDetailsMoreModel.h"

#include <QDialog>

#include <array>

class QComboBox;
class QLineEdit;

namespace orva {

class CDlgOccultationDetailsMore final : public QDialog {
public:
    CDlgOccultationDetailsMore(OccultationDetailsMoreModel& model, OwEventManager& store, OwEventId id,
                               QWidget* parent = nullptr);

    QComboBox* List(OccultationDetailsMoreModel::List list) const { return lists_[static_cast<std::size_t>(list)]; }
    QLineEdit* Comment1() const { return comment1_; }
    QLineEdit* Comment2() const { return comment2_; }
    void Confirm();

private:
    OccultationDetailsMoreModel& model_;
    OwEventManager& store_;
    OwEventId id_;
    std::array<QComboBox*, 4> lists_{};
    QLineEdit* comment1_;
    QLineEdit* comment2_;
};

}  // namespace orva
