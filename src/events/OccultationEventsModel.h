#pragma once
// The logic of the "Occultation Events" window (`CDlgOccultationEvents` with its list
// `CDlgOccultationsList` and entries `CDlgOccultationsListEntry`): the entries' texts for
// the shown pair of days, the selection (which the details view follows), the day
// buttons and date picker, deleting an entry, and the store's notices.
//
// The store's notices are only noted (as the window's posted messages were) and handled
// when the view calls HandlePosted from its event loop, never inside the store's call.
//
// Threads: GUI thread only.

#include "events/IOwEventManagerListener.h"
#include "events/OccultXmlImport.h"
#include "events/OwEvent.h"
#include "events/OwEventTime.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orva {

class IUiServices;
class OccultationDetailsModel;
class OwEventManager;

struct OccultationListEntry {
    OwEventId id = 0;
    std::string line1;      // "05.03.2024 21:30:12UT ±1.5s"
    std::string countdown;  // "2h 05m", "-04m 10s"
    std::string line3;      // "<asteroid> - <star>"
    std::string line4;      // "D=4.2s   P=75.0%   mc=11.0   dm=2.1"
    bool boldCountdown = false;  // the store's next event
    bool greyed = false;         // in the past
    bool selected = false;
};

class OccultationEventsModel final : public IOwEventManagerListener {
public:
    OccultationEventsModel(OwEventManager& store, IUiServices& ui, OccultationDetailsModel& details);
    ~OccultationEventsModel() override;
    OccultationEventsModel(const OccultationEventsModel&) = delete;
    OccultationEventsModel& operator=(const OccultationEventsModel&) = delete;

    // The window is shown or hidden: it listens to the store only while shown.
    void Shown();
    void Hidden();

    void OnEventsChanged() override { eventsChanged_ = true; }
    void OnTimeToEventUpdated() override { countdownsDue_ = true; }
    struct Handled {
        bool listRebuilt = false;
        bool countdowns = false;
        bool detailsChanged = false;  // the details view should show View() again
    };
    // Handles what the store noted since the last call.
    Handled HandlePosted();

    void Rebuild();
    const std::vector<OccultationListEntry>& Entries() const { return entries_; }
    OwEventId Selected() const;
    // The window is wide (details shown) while an event is selected.
    bool DetailsVisible() const { return Selected() != 0; }

    // Clicking an entry selects it; clicking the selected one deselects it.
    void Click(OwEventId id);
    void SelectPrevious();
    void SelectNext();
    // The entry's delete button: asks, then deletes. True when deleted.
    bool RequestDelete(OwEventId id);

    // "xml": imports the Occult XML file the view had the observer pick, says what came in
    // (or that the file could not be read, and then changes nothing) and rebuilds the list.
    OccultImportResult ImportOccultXml(const std::string& path);

    // "<", ">", "Today" and the date picker (none: the picker had no valid date).
    bool ShiftDays(int days);
    bool Today();
    bool PickDate(const std::optional<EventDate>& date);
    EventDate StartDate() const;

    static std::string Countdown(int64_t secondsToEvent);

private:
    void Select(OwEventId id);
    void UpdateCountdowns();

    OwEventManager& store_;
    IUiServices& ui_;
    OccultationDetailsModel& details_;
    std::vector<OccultationListEntry> entries_;
    bool listening_ = false;
    bool eventsChanged_ = false;
    bool countdownsDue_ = false;
};

}  // namespace orva
