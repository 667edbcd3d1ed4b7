#pragma once
// The occultation event store: the single owner of the station's OwEvent records. It
// shows two consecutive UTC days (StartDate and the day after), keeps each day in its own
// file "<data folder>/Events/events_<yyyymmdd>.xml" and writes every change at once.
//
// Events arrive from the event feed (through the inbox, drained by Tick), from the Occult
// import and from the event editor. An event of a day that is not shown is filed straight
// into its own day file; the shown list is not reloaded for it, so the records that dialogs
// and a running recording refer to stay as they are. Every event carries an id that stays
// the same for its life in the store, also when the shown days change and come back.
//
// Each second (on the station's tick) SecondsToEvent of every event is recomputed from the
// injected clock; NextEvent is the soonest event still ahead. A recording is tied to an
// event in two steps: PrepareRecording when it starts (PendingEvent = NextEvent, camera
// fields filled in) and AssignRecording when it ends (times, GPS average, equipment).
//
// Another program (the command line, a second store) may write the same day files. Before a
// day file is written, the store checks whether it changed on disk since the store last
// read or wrote it; if so it reads it again and merges by event (asteroid, star and time):
// an event added there is taken in, an event edited only there takes that edit, an event
// deleted here stays deleted; where both sides changed an event, this store's version is
// written. Nothing written by the other side is dropped unseen.
//
// A day file that cannot be read whole is set aside beside it ("<file>.damaged", then
// "<file>.damaged-2" ...), reported, and replaced by the events that could be read, so no
// later save overwrites what could not be read. Failed saves are reported.
//
// Threads: everything runs on one thread (the GUI thread or the station's tick thread),
// except Inbox(), whose Push may be called from any thread. Listeners are called on the
// store's thread. Pointers returned by Events, Find and NextEvent stay valid until the
// next call that changes the store; PendingEvent stays valid until AssignRecording.

#include "common/FileSignature.h"
#include "events/IOwEventManagerListener.h"
#include "events/OwEvent.h"
#include "events/OwEventInbox.h"
#include "events/OwEventRecordingInfo.h"
#include "events/OwEventTime.h"

#include <array>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace orva {

class IUiServices;

enum class AddEventStatus {
    Added,      // in the shown list (see `saved`)
    Filed,      // a day that is not shown: written into its own day file
    Duplicate,  // an event with the same asteroid, star and time exists; not taken
    Rejected,   // no usable EventTime; not taken
    Failed,     // the data folder or the day file could not be used; not taken
};

struct AddEventResult {
    AddEventStatus status = AddEventStatus::Failed;
    OwEventId id = 0;    // of an added event
    bool saved = false;  // Added or Filed, and on disk
};

enum class EventChange { Saved, NotFound, Refused, SaveFailed };

enum class AssignOutcome {
    NoPendingEvent,  // no event was pending (none ahead at the start, or it was deleted)
    NoTimes,         // the recording has neither a valid start nor a valid end time
    Declined,        // the observer declined a recording that misses the event time
    Assigned,
    SaveFailed,      // assigned in memory, not written
};

class OwEventManager {
public:
    static constexpr const char* kEventsFolder = "Events";
    // How long a store whose data folder could not be reached waits before trying again.
    static constexpr uint64_t kLoadRetryTicks = 60 * kEventTicksPerSecond;

    // dataDirectory: the station's data folder (the "ORVA" folder), which holds "Events".
    // StartDate is today by the clock. Nothing is read until Load (or the first Tick).
    explicit OwEventManager(std::string dataDirectory, EventClock clock = &SystemEventTicksNow);
    OwEventManager(const OwEventManager&) = delete;
    OwEventManager& operator=(const OwEventManager&) = delete;

    // Where failures are shown (data folder, damaged files, saves, the time-mismatch
    // question); none: they are only logged, and a time mismatch is assigned.
    void SetUiServices(IUiServices* ui) { ui_ = ui; }

    // Replaces the list by the two day files of StartDate. False (list unchanged, store
    // not loaded) when the data folder could not be reached.
    bool Load();
    bool IsLoaded() const { return loaded_; }
    // Writes the two day files of StartDate; events of other days in the list go to their
    // own day files. False when something was not written (logged and shown).
    bool Save();

    // Takes a new event. See AddEventStatus.
    AddEventResult AddEvent(OwEvent event);
    // Takes several new events, in order, one result each; every day file they change is
    // written once (an import, the feed's events of one tick).
    std::vector<AddEventResult> AddEvents(std::vector<OwEvent> events);
    EventChange DeleteEvent(OwEventId id);
    // Changes an event in place (the dialogs' edits) and saves. An edit that leaves the
    // event without a usable time is refused and changes nothing. The id stays. An edit
    // that moves the event to a day that is not shown files it under its new day and takes
    // it off the shown list (Find then gives none).
    EventChange UpdateEvent(OwEventId id, const std::function<void(OwEvent&)>& edit);

    // Save, then show another pair of days. False, and nothing changed, when the shown
    // days could not be saved first; false also when the new days could not be loaded.
    bool SetStartDate(const EventDate& date);
    bool ShiftStartDate(int days);
    bool SetStartDateToday();
    const EventDate& StartDate() const { return startDate_; }
    // "<data folder>/Events/events_<yyyymmdd>.xml"
    std::string DayFilePath(const EventDate& date) const;

    // Recomputes SecondsToEvent and NextEvent from the clock.
    void UpdateTimeToEvent();
    // The station's tick: loads a store that is not loaded yet (retrying once a minute
    // while the data folder cannot be reached), takes the events from the inbox and,
    // once the clock has entered a new second, updates the countdowns.
    void Tick();
    // The feed's way in; Push from any thread.
    OwEventInbox& Inbox() { return inbox_; }

    // A recording starts: PendingEvent = NextEvent, with the camera's fields filled in
    // (written when the recording ends). The pending event's id, none without one.
    std::optional<OwEventId> PrepareRecording(const CameraSnapshot& camera);
    // A recording has ended: ties it to PendingEvent, which is cleared.
    AssignOutcome AssignRecording(const EventRecordingSummary& recording, const RecordingEquipment& equipment);

    // Appends; the caller adds itself once. RemoveListener removes every occurrence.
    void AddListener(IOwEventManagerListener* listener);
    void RemoveListener(IOwEventManagerListener* listener);

    // The shown events in list order (by EventTime when added; file order after a load).
    std::vector<const OwEvent*> Events() const;
    std::size_t Count() const { return events_.size(); }
    const OwEvent* Find(OwEventId id) const;
    const OwEvent* NextEvent() const { return next_.get(); }
    const OwEvent* PendingEvent() const { return pending_.get(); }
    // NextEvent followed by the events after it in list order, at most `count` of them
    // (the recording dialog's "Copy Event(s)").
    std::vector<const OwEvent*> NextEvents(std::size_t count) const;

private:
    using EventPtr = std::shared_ptr<OwEvent>;
    enum class FileStatus { Filed, Duplicate, Failed };
    // A day file as this store last read or wrote it: the base of a merge.
    struct DayFileState {
        std::optional<FileSignature> signature;
        std::vector<OwEvent> events;
    };

    bool IsShown(const EventDate& date) const;
    // Creates the folders on the way; empty (logged and shown) when that fails.
    std::optional<std::string> PrepareDayPath(const EventDate& date);
    // The events of a day file; a damaged file is set aside and rewritten with what was
    // read. Empty when the folder could not be reached.
    std::optional<std::vector<OwEvent>> ReadDay(const EventDate& date);
    bool SetAsideDamaged(const std::string& path, const std::string& problem);
    bool WriteDay(const std::string& path, const std::vector<const OwEvent*>& events);
    // Save for the shown days marked (StartDate, the day after).
    bool SaveShownDays(const std::array<bool, 2>& days);
    void RememberDay(const EventDate& date, const std::string& path, std::vector<OwEvent> events);
    // Before a shown day is written: takes in what another program wrote into its file
    // since this store last read or wrote it. True when the list changed.
    bool MergeOutsideChanges(const EventDate& date, const std::string& path);
    // Writes the event into its own day file (a day that is not shown), replacing an equal
    // event when `replace`, else refusing it as a duplicate.
    FileStatus FileIntoDay(const OwEvent& event, bool replace);
    // The same for events of one day, with one write of its file.
    std::vector<FileStatus> FileIntoDay(const EventDate& date, const std::vector<const OwEvent*>& events,
                                        bool replace);
    void ReportSaveFailure(bool failed);
    void Report(const std::string& text);
    void NotifyEventsChanged();
    EventPtr FindPtr(OwEventId id) const;
    // The same event keeps its id whenever it is shown again.
    OwEventId IdOf(const OwEvent& event);

    std::string dataDirectory_;
    EventClock clock_;
    IUiServices* ui_ = nullptr;
    OwEventInbox inbox_;

    std::vector<EventPtr> events_;
    EventPtr next_;
    EventPtr pending_;  // may be a record no longer in the list (its day is not shown)
    OwEventId lastId_ = 0;
    std::map<std::tuple<std::string, std::string, uint64_t>, OwEventId> knownIds_;
    bool loaded_ = false;
    EventDate startDate_;
    uint64_t lastCountdownSecond_ = 0;
    uint64_t nextLoadAttempt_ = 0;
    bool accessFailureShown_ = false;
    bool saveFailureShown_ = false;
    // Days whose damaged file could not be set aside: never overwritten.
    std::set<int> protectedDays_;
    std::map<int, DayFileState> dayFiles_;  // by DayKey
    std::vector<IOwEventManagerListener*> listeners_;
};

}  // namespace orva
