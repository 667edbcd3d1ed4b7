#include "events/OwEventManager.h"

#include "common/DecimalText.h"
#include "common/IUiServices.h"
#include "common/Log.h"
#include "common/SideFileName.h"
#include "events/OwEventFile.h"
#include "processing/FrameTimestamp.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <system_error>
#include <utility>

namespace orva {

namespace fs = std::filesystem;

namespace {

constexpr const char* kErrorTitle = "Error";
constexpr const char* kAccessErrorText = "Failed to access the application data directory.";
constexpr const char* kMismatchTitle = "Time mismatch";
constexpr const char* kMismatchText =
    "The recording doesn't include the start and end time of the event. Do you still want to assign the "
    "recording to the event?";
constexpr uint64_t kMillisecondsPerDay = 86400000;

// Whole seconds from now to the event, truncated toward zero; 0 for an event without a time.
int64_t SecondsUntil(uint64_t now, uint64_t eventTime) {
    if (!IsUsableEventTime(eventTime)) return 0;
    if (eventTime >= now) return static_cast<int64_t>((eventTime - now) / kEventTicksPerSecond);
    return -static_cast<int64_t>((now - eventTime) / kEventTicksPerSecond);
}

// Milliseconds of the UTC day of a file time, rounded to the millisecond (so a time just
// before midnight wraps to 0).
uint64_t MillisecondOfDay(uint64_t fileTime) {
    const uint64_t ms = fileTime / 10000 + (fileTime % 10000 >= 5000 ? 1 : 0);
    return ms % kMillisecondsPerDay;
}

// The event time as a file time; the signed range holds every usable event time, also
// those before 1601.
int64_t EventFileTime(uint64_t eventTime) {
    return static_cast<int64_t>(eventTime) - static_cast<int64_t>(kFileTimeEpochTicks);
}

bool FileTimeAfter(uint64_t fileTime, int64_t reference) {
    return fileTime > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) ||
           static_cast<int64_t>(fileTime) > reference;
}

std::string Dimensions(int a, int b) { return std::to_string(a) + "x" + std::to_string(b); }

bool EarlierTime(const std::shared_ptr<OwEvent>& a, const std::shared_ptr<OwEvent>& b) {
    return a->EventTime < b->EventTime;
}

}  // namespace

OwEventManager::OwEventManager(std::string dataDirectory, EventClock clock)
    : dataDirectory_(std::move(dataDirectory)), clock_(std::move(clock)), startDate_(DateOfTicks(clock_())) {}

std::string OwEventManager::DayFilePath(const EventDate& date) const {
    return dataDirectory_ + "/" + kEventsFolder + "/events_" + std::to_string(DayKey(date)) + ".xml";
}

bool OwEventManager::IsShown(const EventDate& date) const {
    return date == startDate_ || date == AddDays(startDate_, 1);
}

std::optional<std::string> OwEventManager::PrepareDayPath(const EventDate& date) {
    const auto fail = [this](const char* message, int code) {
        LogMessageInt(message, code);
        if (!accessFailureShown_ && ui_ != nullptr) ui_->ShowMessage(kErrorTitle, kAccessErrorText, MessageIcon::Warning);
        accessFailureShown_ = true;
        return std::optional<std::string>();
    };
    if (dataDirectory_.empty()) return fail("E OwEventManager failed to access LocalAppData", ENOENT);
    std::error_code ec;
    const fs::path folder = fs::path(dataDirectory_) / kEventsFolder;
    fs::create_directories(folder, ec);
    if (!ec && !fs::is_directory(folder, ec)) ec = std::make_error_code(std::errc::not_a_directory);
    if (ec) return fail("E OwEventManager failed to access LocalAppData (2)", ec.value());
    accessFailureShown_ = false;
    return DayFilePath(date);
}

bool OwEventManager::SetAsideDamaged(const std::string& path, const std::string& problem) {
    std::error_code ec;
    const std::string aside = SideFileName::FirstFree(path, ".damaged");
    fs::rename(path, aside, ec);
    if (ec) {
        LogMessageString("E OwEventManager could not set aside the damaged events file:", path);
        Report("The events file " + path + " could not be read completely (" + problem +
               ") and could not be set aside. It will not be overwritten.");
        return false;
    }
    LogMessageString("W OwEventManager kept the damaged events file as", aside);
    Report("The events file " + path + " could not be read completely (" + problem + "). It was kept as " + aside +
           "; the events read before the damage are kept.");
    return true;
}

std::optional<std::vector<OwEvent>> OwEventManager::ReadDay(const EventDate& date) {
    const std::optional<std::string> path = PrepareDayPath(date);
    if (!path) return std::nullopt;
    OwEventFile::ReadResult read = OwEventFile::Read(*path);
    if (read.status != OwEventFile::Status::Damaged) return std::move(read.events);

    if (!SetAsideDamaged(*path, read.problem)) {
        protectedDays_.insert(DayKey(date));
        return std::move(read.events);
    }
    protectedDays_.erase(DayKey(date));
    std::vector<const OwEvent*> kept;
    for (const OwEvent& e : read.events) kept.push_back(&e);
    WriteDay(*path, kept);
    return std::move(read.events);
}

void OwEventManager::RememberDay(const EventDate& date, const std::string& path, std::vector<OwEvent> events) {
    dayFiles_[DayKey(date)] = {FileSignature::Of(path), std::move(events)};
}

bool OwEventManager::MergeOutsideChanges(const EventDate& date, const std::string& path) {
    const auto known = dayFiles_.find(DayKey(date));
    const DayFileState base = known != dayFiles_.end() ? known->second : DayFileState{};
    if (FileSignature::Of(path) == base.signature) return false;
    std::optional<std::vector<OwEvent>> disk = ReadDay(date);
    if (!disk) return false;
    LogMessageString("I OwEventManager: the events file was changed by another program, merging:", path);
    bool changed = false;
    for (OwEvent& outside : *disk) {
        const auto inBase = std::find_if(base.events.begin(), base.events.end(),
                                         [&outside](const OwEvent& e) { return e.SameEventAs(outside); });
        const bool wasKnown = inBase != base.events.end();
        const auto mine = std::find_if(events_.begin(), events_.end(),
                                       [&outside](const EventPtr& e) { return e->SameEventAs(outside); });
        if (mine == events_.end()) {
            if (wasKnown) continue;  // deleted here since
            outside.id = IdOf(outside);
            outside.SecondsToEvent = 0;
            const auto added = std::make_shared<OwEvent>(std::move(outside));
            events_.insert(std::upper_bound(events_.begin(), events_.end(), added, EarlierTime), added);
            changed = true;
        } else if (wasKnown && OwEventFile::SameStoredFields(**mine, *inBase) &&
                   !OwEventFile::SameStoredFields(outside, *inBase)) {
            // Edited there only: the record keeps its id, and whoever holds it sees the edit.
            outside.id = (*mine)->id;
            outside.SecondsToEvent = (*mine)->SecondsToEvent;
            **mine = std::move(outside);
            changed = true;
        }
    }
    return changed;
}

bool OwEventManager::WriteDay(const std::string& path, const std::vector<const OwEvent*>& events) {
    if (OwEventFile::Write(path, events)) return true;
    LogMessageString("E OwEventManager failed to save the events file", path);
    return false;
}

void OwEventManager::Report(const std::string& text) {
    if (ui_ != nullptr) ui_->ShowMessage(kErrorTitle, text, MessageIcon::Warning);
}

void OwEventManager::ReportSaveFailure(bool failed) {
    if (failed && !saveFailureShown_) Report("Failed to save the occultation events. Please check the data folder.");
    saveFailureShown_ = failed;
}

bool OwEventManager::Load() {
    std::vector<EventPtr> fresh;
    for (int index = 0; index < 2; ++index) {
        std::optional<std::vector<OwEvent>> day = ReadDay(AddDays(startDate_, index));
        if (!day) {
            loaded_ = false;
            nextLoadAttempt_ = clock_() + kLoadRetryTicks;
            return false;
        }
        for (const OwEvent& e : *day) fresh.push_back(std::make_shared<OwEvent>(e));
        RememberDay(AddDays(startDate_, index), DayFilePath(AddDays(startDate_, index)), std::move(*day));
    }

    // Events seen before keep their ids; a file may hold the same event twice, and only
    // the first keeps the id.
    std::set<OwEventId> used;
    for (EventPtr& e : fresh) {
        // The pending record goes back into the list, with the camera fields the
        // recording's start gave it.
        if (pending_ && !used.contains(pending_->id) && pending_->SameEventAs(*e)) {
            e = pending_;
            used.insert(e->id);
            continue;
        }
        e->id = IdOf(*e);
        if (used.contains(e->id)) e->id = ++lastId_;
        used.insert(e->id);
    }
    events_ = std::move(fresh);
    next_.reset();
    loaded_ = true;
    UpdateTimeToEvent();
    NotifyEventsChanged();
    return true;
}

bool OwEventManager::Save() { return SaveShownDays({true, true}); }

bool OwEventManager::SaveShownDays(const std::array<bool, 2>& days) {
    if (!loaded_) return false;
    bool ok = true;
    bool merged = false;
    for (int index = 0; index < 2; ++index) {
        if (!days[static_cast<std::size_t>(index)]) continue;
        const EventDate date = AddDays(startDate_, index);
        const std::optional<std::string> path = PrepareDayPath(date);
        if (!path) return false;
        merged = MergeOutsideChanges(date, *path) || merged;
        if (protectedDays_.contains(DayKey(date))) {
            ok = false;
            continue;
        }
        std::vector<const OwEvent*> day;
        std::vector<OwEvent> written;
        for (const EventPtr& e : events_) {
            if (DateOfTicks(e->EventTime) != date) continue;
            day.push_back(e.get());
            written.push_back(*e);
        }
        if (WriteDay(*path, day)) {
            RememberDay(date, *path, std::move(written));
        } else {
            ok = false;
        }
    }
    // Events whose day is not shown (a file that held another day's event, an edit that
    // moved one) would otherwise be in no file at all.
    for (const EventPtr& e : events_) {
        if (!IsShown(DateOfTicks(e->EventTime))) ok = FileIntoDay(*e, true) == FileStatus::Filed && ok;
    }
    ReportSaveFailure(!ok);
    if (merged) {
        UpdateTimeToEvent();
        NotifyEventsChanged();
    }
    return ok;
}

OwEventManager::FileStatus OwEventManager::FileIntoDay(const OwEvent& event, bool replace) {
    return FileIntoDay(DateOfTicks(event.EventTime), {&event}, replace).front();
}

std::vector<OwEventManager::FileStatus> OwEventManager::FileIntoDay(const EventDate& date,
                                                                    const std::vector<const OwEvent*>& events,
                                                                    bool replace) {
    std::vector<FileStatus> statuses(events.size(), FileStatus::Failed);
    const std::optional<std::vector<OwEvent>> read = ReadDay(date);
    if (!read || protectedDays_.contains(DayKey(date))) return statuses;
    std::vector<OwEvent> day = *read;
    bool changed = false;
    bool appended = false;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const OwEvent& event = *events[i];
        const auto same =
            std::find_if(day.begin(), day.end(), [&event](const OwEvent& e) { return e.SameEventAs(event); });
        if (same != day.end()) {
            if (!replace) {
                statuses[i] = FileStatus::Duplicate;
                continue;
            }
            *same = event;
        } else {
            day.push_back(event);
            appended = true;
        }
        statuses[i] = FileStatus::Filed;
        changed = true;
    }
    if (!changed) return statuses;
    if (appended) {
        std::stable_sort(day.begin(), day.end(),
                         [](const OwEvent& a, const OwEvent& b) { return a.EventTime < b.EventTime; });
    }
    std::vector<const OwEvent*> toWrite;
    for (const OwEvent& e : day) toWrite.push_back(&e);
    if (!WriteDay(DayFilePath(date), toWrite)) {
        for (FileStatus& status : statuses) {
            if (status == FileStatus::Filed) status = FileStatus::Failed;
        }
        return statuses;
    }
    RememberDay(date, DayFilePath(date), std::move(day));
    return statuses;
}

AddEventResult OwEventManager::AddEvent(OwEvent event) {
    std::vector<OwEvent> one;
    one.push_back(std::move(event));
    return AddEvents(std::move(one)).front();
}

std::vector<AddEventResult> OwEventManager::AddEvents(std::vector<OwEvent> events) {
    std::vector<AddEventResult> results(events.size());
    std::array<bool, 2> changedDays{};
    // Events of days that are not shown, by day: each day file is read and written once.
    std::map<int, std::pair<EventDate, std::vector<std::size_t>>> otherDays;
    for (std::size_t i = 0; i < events.size(); ++i) {
        OwEvent& event = events[i];
        if (!IsUsableEventTime(event.EventTime)) {
            LogMessageString("W OwEventManager refused an event without a valid time:", event.GetTitle());
            results[i].status = AddEventStatus::Rejected;
            continue;
        }
        if (!loaded_ && !Load()) return results;  // the rest stay Failed

        const EventDate date = DateOfTicks(event.EventTime);
        if (IsShown(date)) {
            const bool known = std::any_of(events_.begin(), events_.end(),
                                           [&event](const EventPtr& e) { return e->SameEventAs(event); });
            if (known) {
                results[i].status = AddEventStatus::Duplicate;
                continue;
            }
            event.id = IdOf(event);
            event.SecondsToEvent = 0;
            const auto added = std::make_shared<OwEvent>(std::move(event));
            events_.insert(std::upper_bound(events_.begin(), events_.end(), added, EarlierTime), added);
            results[i] = {AddEventStatus::Added, added->id, false};
            changedDays[date == startDate_ ? 0 : 1] = true;
        } else {
            LogMessageInt("I OwEventManager: Filing new event into the events file of day", DayKey(date));
            event.id = 0;
            auto& day = otherDays[DayKey(date)];
            day.first = date;
            day.second.push_back(i);
        }
    }

    bool changed = false;
    if (changedDays[0] || changedDays[1]) {
        const bool saved = SaveShownDays(changedDays);
        for (AddEventResult& r : results) {
            if (r.status == AddEventStatus::Added) r.saved = saved;
        }
        changed = true;
    }
    for (const auto& [key, day] : otherDays) {
        std::vector<const OwEvent*> toFile;
        for (const std::size_t i : day.second) toFile.push_back(&events[i]);
        const std::vector<FileStatus> statuses = FileIntoDay(day.first, toFile, false);
        for (std::size_t k = 0; k < statuses.size(); ++k) {
            AddEventResult& r = results[day.second[k]];
            switch (statuses[k]) {
                case FileStatus::Filed:
                    r = {AddEventStatus::Filed, 0, true};
                    changed = true;
                    break;
                case FileStatus::Duplicate: r.status = AddEventStatus::Duplicate; break;
                case FileStatus::Failed: ReportSaveFailure(true); break;
            }
        }
    }
    if (changed) {
        UpdateTimeToEvent();
        NotifyEventsChanged();
    }
    return results;
}

EventChange OwEventManager::DeleteEvent(OwEventId id) {
    const auto it = std::find_if(events_.begin(), events_.end(), [id](const EventPtr& e) { return e->id == id; });
    if (it == events_.end()) return EventChange::NotFound;
    if (pending_ == *it) pending_.reset();
    if (next_ == *it) next_.reset();
    events_.erase(it);
    const bool saved = Save();
    NotifyEventsChanged();
    return saved ? EventChange::Saved : EventChange::SaveFailed;
}

EventChange OwEventManager::UpdateEvent(OwEventId id, const std::function<void(OwEvent&)>& edit) {
    const EventPtr event = FindPtr(id);
    if (!event) return EventChange::NotFound;
    OwEvent changed = *event;
    edit(changed);
    if (!IsUsableEventTime(changed.EventTime)) return EventChange::Refused;
    changed.id = id;
    *event = std::move(changed);
    knownIds_.insert_or_assign(std::tie(event->AsteroidName, event->StarName, event->EventTime), id);
    bool saved = false;
    if (IsShown(DateOfTicks(event->EventTime))) {
        std::stable_sort(events_.begin(), events_.end(), EarlierTime);
        saved = Save();
    } else {
        // Its date was edited to a day that is not shown: it is filed under that day and
        // leaves the shown list, as a new event of that day would. Should the filing fail,
        // it stays in the list, so that the next save tries again.
        LogMessageInt("I OwEventManager: Filing the edited event into the events file of day",
                      DayKey(DateOfTicks(event->EventTime)));
        if (FileIntoDay(*event, true) == FileStatus::Filed) {
            if (next_ == event) next_.reset();
            std::erase(events_, event);
            saved = Save();
        } else {
            ReportSaveFailure(true);
        }
    }
    UpdateTimeToEvent();
    NotifyEventsChanged();
    return saved ? EventChange::Saved : EventChange::SaveFailed;
}

bool OwEventManager::SetStartDate(const EventDate& date) {
    if (loaded_ && !Save()) return false;
    startDate_ = date;
    return Load();
}

bool OwEventManager::ShiftStartDate(int days) { return SetStartDate(AddDays(startDate_, days)); }

bool OwEventManager::SetStartDateToday() { return SetStartDate(DateOfTicks(clock_())); }

void OwEventManager::UpdateTimeToEvent() {
    const uint64_t now = clock_();
    lastCountdownSecond_ = now / kEventTicksPerSecond;
    next_.reset();
    for (const EventPtr& e : events_) {
        e->SecondsToEvent = SecondsUntil(now, e->EventTime);
        if (e->SecondsToEvent > 0 && (!next_ || e->SecondsToEvent < next_->SecondsToEvent)) next_ = e;
    }
    const auto listeners = listeners_;
    for (IOwEventManagerListener* l : listeners) l->OnTimeToEventUpdated();
}

void OwEventManager::Tick() {
    const uint64_t now = clock_();
    if (!loaded_ && now >= nextLoadAttempt_) Load();
    if (loaded_) {
        // All that arrived since the last tick is added at once, so a flood of messages
        // writes each day file once per tick, not once per event.
        std::vector<OwEvent> arrived = inbox_.TakeAll();
        std::vector<std::string> titles;
        for (const OwEvent& event : arrived) titles.push_back(event.GetTitle());
        const std::vector<AddEventResult> added = AddEvents(std::move(arrived));
        for (std::size_t i = 0; i < added.size(); ++i) {
            if (added[i].status == AddEventStatus::Duplicate) {
                LogMessageString("I OwEventManager: event from the feed already known:", titles[i]);
            }
        }
    }
    if (clock_() / kEventTicksPerSecond != lastCountdownSecond_) UpdateTimeToEvent();
}

std::optional<OwEventId> OwEventManager::PrepareRecording(const CameraSnapshot& camera) {
    pending_ = next_;
    if (!pending_) return std::nullopt;
    OwEvent& e = *pending_;
    e.CameraGainDb = camera.gainDb;
    e.CameraModelName = camera.modelName;
    e.CameraSerialNr = std::to_string(camera.serialNumber);
    e.CameraSensorName = camera.sensorName;
    if (camera.statusKnown) {
        e.CameraExposureTime = FormatFixed(camera.exposure100us / 10.0, 1) + " ms";
        e.CameraBinning = Dimensions(camera.binningX, camera.binningY);
    }
    if (camera.resolutionKnown) e.CameraWh = Dimensions(camera.width, camera.height);
    return e.id;
}

AssignOutcome OwEventManager::AssignRecording(const EventRecordingSummary& r, const RecordingEquipment& equipment) {
    const EventPtr event = std::move(pending_);
    pending_.reset();
    if (!event) return AssignOutcome::NoPendingEvent;
    if (!r.startValid && !r.endValid) return AssignOutcome::NoTimes;

    const int64_t eventFileTime = EventFileTime(event->EventTime);
    const bool startsAfter = r.startValid && FileTimeAfter(r.startFileTime, eventFileTime);
    const bool endsBefore = r.endValid && !FileTimeAfter(r.endFileTime, eventFileTime - 1);
    if (startsAfter || endsBefore) {
        if (ui_ == nullptr) {
            LogMessageString("W OwEventManager: recording does not include the event time, assigned to",
                             event->GetTitle());
        } else if (!ui_->AskYesNo(kMismatchTitle, kMismatchText)) {
            return AssignOutcome::Declined;
        }
    }

    OwEvent& e = *event;
    e.RecordingStartTimestamp_ms = MillisecondOfDay(r.startFileTime);
    e.RecordingEndTimestamp_ms = MillisecondOfDay(r.endFileTime);
    e.RecordingStartTimestamp_valid = r.startValid ? 1 : 0;
    e.RecordingEndTimestamp_valid = r.endValid ? 1 : 0;
    e.RecordingStartTimestamp_acc_ms = r.startValid ? 1 : 9999;
    e.RecordingEndTimestamp_acc_ms = r.endValid ? 1 : 9999;
    e.RecordingGpsPrecision_m = r.gpsPrecisionM;
    e.RecordingFormat = r.format;
    e.RecordingGpsAvgLatE7 = r.gpsLatE7;
    e.RecordingGpsAvgLonE7 = r.gpsLonE7;
    e.RecordingGpsAvgHeight_m = r.gpsHeightM;
    e.RecordingGpsNofAveragedValues = r.gpsAveragedValues;
    e.RecordingObserver = equipment.observer;
    e.RecordingObservingSite = equipment.observingSite;
    e.RecordingInstrument = equipment.instrument;
    e.RecordingMount = equipment.mount;

    // The shown days may have changed while the recording ran: then the event is written
    // into its own day file.
    const bool shown = std::find(events_.begin(), events_.end(), event) != events_.end();
    bool saved = false;
    if (shown) {
        saved = Save();
    } else {
        saved = FileIntoDay(e, true) == FileStatus::Filed;
        ReportSaveFailure(!saved);
    }
    NotifyEventsChanged();
    return saved ? AssignOutcome::Assigned : AssignOutcome::SaveFailed;
}

void OwEventManager::AddListener(IOwEventManagerListener* listener) { listeners_.push_back(listener); }

void OwEventManager::RemoveListener(IOwEventManagerListener* listener) { std::erase(listeners_, listener); }

void OwEventManager::NotifyEventsChanged() {
    // A listener may remove itself while being told.
    const auto listeners = listeners_;
    for (IOwEventManagerListener* l : listeners) l->OnEventsChanged();
}

std::vector<const OwEvent*> OwEventManager::Events() const {
    std::vector<const OwEvent*> list;
    list.reserve(events_.size());
    for (const EventPtr& e : events_) list.push_back(e.get());
    return list;
}

OwEventId OwEventManager::IdOf(const OwEvent& event) {
    const auto [it, added] = knownIds_.try_emplace(std::tie(event.AsteroidName, event.StarName, event.EventTime), 0);
    if (added) it->second = ++lastId_;
    return it->second;
}

OwEventManager::EventPtr OwEventManager::FindPtr(OwEventId id) const {
    const auto it = std::find_if(events_.begin(), events_.end(), [id](const EventPtr& e) { return e->id == id; });
    return it != events_.end() ? *it : nullptr;
}

const OwEvent* OwEventManager::Find(OwEventId id) const { return FindPtr(id).get(); }

std::vector<const OwEvent*> OwEventManager::NextEvents(std::size_t count) const {
    std::vector<const OwEvent*> list;
    auto it = std::find(events_.begin(), events_.end(), next_);
    for (; it != events_.end() && list.size() < count; ++it) list.push_back(it->get());
    return list;
}

}  // namespace orva
