#include "ui/CDlgOccultationEvents.h"

#include "events/OccultationEditorModel.h"
#include "events/OwEventTime.h"
#include "ui/CDlgOccultationEditor.h"
#include "ui/CDlgOccultationsListEntry.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

namespace orva {
namespace {

// Often enough that a once-a-second countdown never looks late.
constexpr int kTimerMs = 200;

}  // namespace

CDlgOccultationEvents::CDlgOccultationEvents(OccultationEventsModel& model, OccultationDetailsModel& details,
                                             const OccultationDialogServices& dialogs, QWidget* parent)
    : QDialog(parent), model_(model), detailsModel_(details), dialogs_(dialogs) {
    setWindowTitle("Occultation Events");
    setModal(false);
    auto* days = new QHBoxLayout;
    const auto button = [&](const char* text, auto action) {
        auto* b = new QPushButton(text, this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, action);
        days->addWidget(b);
        return b;
    };
    // Each date change rebuilds the model's entries, whether or not the store took it.
    button("<", [this] {
        model_.ShiftDays(-1);
        AfterDateChange();
    });
    date_ = new QDateEdit(this);
    date_->setDisplayFormat("dd.MM.yyyy");
    date_->setCalendarPopup(true);
    days->addWidget(date_);
    button(">", [this] {
        model_.ShiftDays(1);
        AfterDateChange();
    });
    button("Today", [this] {
        model_.Today();
        AfterDateChange();
    });
    button("+", [this] { AddEvent(); });
    button("xml", [this] { ImportOccultXml(); });
    connect(date_, &QDateEdit::editingFinished, this, [this] {
        const QDate d = date_->date();
        std::optional<EventDate> picked;
        if (d.isValid()) picked = EventDate{d.year(), d.month(), d.day()};
        model_.PickDate(picked);
        AfterDateChange();
    });

    listWidget_ = new QWidget;
    listLayout_ = new QVBoxLayout(listWidget_);
    listLayout_->setSpacing(2);
    listLayout_->addStretch(1);
    scroll_ = new QScrollArea(this);
    scroll_->setWidgetResizable(true);
    scroll_->setWidget(listWidget_);
    scroll_->setMinimumWidth(330);

    auto* left = new QVBoxLayout;
    left->addLayout(days);
    left->addWidget(scroll_);
    details_ = new CDlgOccultationDetails(detailsModel_, dialogs_, [this] { ReloadList(); }, this);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addWidget(details_);

    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &CDlgOccultationEvents::OnTimer);
    ShowDate();
    model_.Rebuild();
    RebuildList();
    ShowSelection();
}

CDlgOccultationEvents::~CDlgOccultationEvents() { model_.Hidden(); }

void CDlgOccultationEvents::showEvent(QShowEvent* event) {
    model_.Shown();
    timer_->start(kTimerMs);
    QDialog::showEvent(event);
}

void CDlgOccultationEvents::hideEvent(QHideEvent* event) {
    model_.Hidden();
    timer_->stop();
    QDialog::hideEvent(event);
}

void CDlgOccultationEvents::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up) {
        model_.SelectPrevious();
    } else if (event->key() == Qt::Key_Down) {
        model_.SelectNext();
    } else {
        QDialog::keyPressEvent(event);
        return;
    }
    ShowSelection();
}

void CDlgOccultationEvents::OnTimer() {
    const OccultationEventsModel::Handled handled = model_.HandlePosted();
    if (handled.listRebuilt) RebuildList();
    if (handled.listRebuilt || handled.countdowns) {
        for (std::size_t i = 0; i < entries_.size() && i < model_.Entries().size(); ++i) {
            entries_[i]->Show(model_.Entries()[i]);
        }
    }
    // The planetarium hand-off and the ended programs are the station's tick's, so they
    // go on while this window is hidden.
    if (handled.listRebuilt || handled.countdowns || handled.detailsChanged) details_->Refresh();
}

void CDlgOccultationEvents::RebuildList() {
    for (CDlgOccultationsListEntry* e : entries_) delete e;
    entries_.clear();
    for (const OccultationListEntry& entry : model_.Entries()) {
        auto* w = new CDlgOccultationsListEntry(
            entry,
            [this](OwEventId id) {
                model_.Click(id);
                ShowSelection();
            },
            [this](OwEventId id) {
                if (!model_.RequestDelete(id)) return;
                RebuildList();
                ShowSelection();
            },
            listWidget_);
        listLayout_->insertWidget(static_cast<int>(entries_.size()), w);
        entries_.push_back(w);
    }
}

void CDlgOccultationEvents::ShowSelection() {
    for (std::size_t i = 0; i < entries_.size() && i < model_.Entries().size(); ++i) {
        entries_[i]->Show(model_.Entries()[i]);
        if (model_.Entries()[i].selected) scroll_->ensureWidgetVisible(entries_[i]);
    }
    details_->setVisible(model_.DetailsVisible());
    details_->Refresh();
    adjustSize();
}

void CDlgOccultationEvents::AddEvent() {
    OccultationEditorModel editor(dialogs_.store, dialogs_.ui, 0, SystemEventTicksNow());
    CDlgOccultationEditor dialog(editor, this);
    dialog.exec();
    ReloadList();
}

void CDlgOccultationEvents::ImportOccultXml() {
    if (const auto path = OccultXmlImport::AskForFile(dialogs_.ui)) {
        model_.ImportOccultXml(*path);
        RebuildList();
        ShowSelection();
    }
}

void CDlgOccultationEvents::ReloadList() {
    model_.Rebuild();
    RebuildList();
    ShowSelection();
}

void CDlgOccultationEvents::ShowDate() {
    const EventDate d = model_.StartDate();
    const QSignalBlocker block(date_);
    date_->setDate(QDate(d.year, d.month, d.day));
}

void CDlgOccultationEvents::AfterDateChange() {
    ShowDate();
    RebuildList();
    ShowSelection();
}

}  // namespace orva
