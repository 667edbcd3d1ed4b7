#include "events/OccultationEventsModel.h"

#include "common/DecimalText.h"
#include "common/IUiServices.h"
#include "events/OccultationDetailsModel.h"
#include "events/OwEventManager.h"

#include <algorithm>
#include <cstdio>

namespace orva {
namespace {

std::string Format(const char* format, auto... values) {
    char buffer[128];
    std::snprintf(buffer, sizeof(buffer), format, values...);
    return buffer;
}

std::string FirstLine(const OwEvent& e) {
    const UtcDateTime t = UtcFromEventTicks(e.EventTime);
    return Format("%02d.%02d.%04d %02d:%02d:%02dUT \xC2\xB1", t.day, t.month, t.year, t.hour, t.minute, t.second) +
           FormatFixed(e.ErrorInTimeSec, 1) + "s";
}

}  // namespace

OccultationEventsModel::OccultationEventsModel(OwEventManager& store, IUiServices& ui, OccultationDetailsModel& details)
    : store_(store), ui_(ui), details_(details) {
    Rebuild();
}

OccultationEventsModel::~OccultationEventsModel() { Hidden(); }

void OccultationEventsModel::Shown() {
    if (!listening_) store_.AddListener(this);
    listening_ = true;
}

void OccultationEventsModel::Hidden() {
    if (listening_) store_.RemoveListener(this);
    listening_ = false;
}

std::string OccultationEventsModel::Countdown(int64_t secondsToEvent) {
    const char* sign = secondsToEvent < 0 ? "-" : "";
    const auto s = static_cast<unsigned long long>(secondsToEvent < 0 ? -secondsToEvent : secondsToEvent);
    if (s >= 3600) return Format("%s%lluh %02llum", sign, s / 3600, s / 60 % 60);
    return Format("%s%02llum %02llus", sign, s / 60, s % 60);
}

OwEventId OccultationEventsModel::Selected() const {
    const auto it = std::find_if(entries_.begin(), entries_.end(), [](const auto& e) { return e.selected; });
    return it == entries_.end() ? 0 : it->id;
}

OccultImportResult OccultationEventsModel::ImportOccultXml(const std::string& path) {
    const OccultImportResult r = OccultXmlImport::Run(path, store_, ui_);
    Rebuild();
    return r;
}

void OccultationEventsModel::Rebuild() {
    const OwEventId selected = Selected() != 0 ? Selected() : details_.Shown();
    // The list now shows the store as it is: a change noted before is handled.
    eventsChanged_ = false;
    entries_.clear();
    for (const OwEvent* e : store_.Events()) {
        OccultationListEntry entry;
        entry.id = e->id;
        entry.line1 = FirstLine(*e);
        entry.line3 = e->AsteroidName + " - " + e->StarName;
        entry.line4 = "D=" + FormatFixed(e->EventMaxDurationSec, 1) + "s   P=" + FormatFixed(e->Probability, 1) +
                      "%   mc=" + FormatFixed(e->CombinedMag, 1) + "   dm=" + FormatFixed(e->MagDrop, 1);
        entries_.push_back(std::move(entry));
    }
    UpdateCountdowns();
    Select(selected);
}

void OccultationEventsModel::UpdateCountdowns() {
    const OwEvent* next = store_.NextEvent();
    for (OccultationListEntry& entry : entries_) {
        const OwEvent* e = store_.Find(entry.id);
        if (e == nullptr) continue;
        entry.countdown = Countdown(e->SecondsToEvent);
        entry.greyed = e->SecondsToEvent < 0;
        entry.boldCountdown = e == next;
    }
}

void OccultationEventsModel::Select(OwEventId id) {
    const bool present = std::any_of(entries_.begin(), entries_.end(), [id](const auto& e) { return e.id == id; });
    for (OccultationListEntry& entry : entries_) entry.selected = present && entry.id == id;
    details_.Show(present ? id : 0);
}

OccultationEventsModel::Handled OccultationEventsModel::HandlePosted() {
    Handled handled;
    if (eventsChanged_) {
        eventsChanged_ = false;
        const OwEventId selected = Selected();
        details_.Show(0);
        for (OccultationListEntry& entry : entries_) entry.selected = entry.id == selected;
        Rebuild();
        handled.listRebuilt = true;
        handled.detailsChanged = true;
    }
    if (countdownsDue_) {
        countdownsDue_ = false;
        UpdateCountdowns();
        handled.countdowns = true;
        handled.detailsChanged = details_.OnSecond() || handled.detailsChanged;
    }
    return handled;
}

void OccultationEventsModel::Click(OwEventId id) { Select(Selected() == id ? 0 : id); }

void OccultationEventsModel::SelectPrevious() {
    const auto it = std::find_if(entries_.begin(), entries_.end(), [](const auto& e) { return e.selected; });
    if (it != entries_.end() && it != entries_.begin()) Select(std::prev(it)->id);
}

void OccultationEventsModel::SelectNext() {
    const auto it = std::find_if(entries_.begin(), entries_.end(), [](const auto& e) { return e.selected; });
    if (it != entries_.end() && std::next(it) != entries_.end()) Select(std::next(it)->id);
}

bool OccultationEventsModel::RequestDelete(OwEventId id) {
    if (!ui_.AskYesNo("Delete entry", "Are you sure you want to delete this entry? All data will be deleted.")) {
        return false;
    }
    const bool deleted = store_.DeleteEvent(id) != EventChange::NotFound;
    Rebuild();
    return deleted;
}

bool OccultationEventsModel::ShiftDays(int days) {
    const bool ok = store_.ShiftStartDate(days);
    Rebuild();
    return ok;
}

bool OccultationEventsModel::Today() {
    const bool ok = store_.SetStartDateToday();
    Rebuild();
    return ok;
}

bool OccultationEventsModel::PickDate(const std::optional<EventDate>& date) {
    if (!date) {
        ui_.ShowMessage("Time not set", "Error", MessageIcon::Error);
        return false;
    }
    const bool ok = store_.SetStartDate(*date);
    Rebuild();
    return ok;
}

EventDate OccultationEventsModel::StartDate() const { return store_.StartDate(); }

}  // namespace orva
