#pragma once
// The unattended night's plan: one entry per event still ahead, in time order, each with
// the star to point at, the recording window centred on the event time and the lead time
// before it for pointing and centring.
//
// Overlaps are settled when the plan is made, and said: the earlier event keeps its whole
// window; a later one whose window (with its lead time) begins before the earlier one
// ends starts its pointing when the earlier ends, and is skipped when less than half of
// its recording window would remain.
//
// The plan is kept in a small INI file in the data folder, saved (atomically) after each
// change of state, so that a station started again after a crash or a power cut resumes
// at the next entry that has not ended and never records an entry twice.
//
// Plain data with no clock and no threads: times are event ticks (100 ns since
// 0001-01-01 UTC) given by the caller.

#include "common/IniFile.h"
#include "events/OwEvent.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orva {

enum class NightEntryState {
    Pending,      // not begun
    Pointing,     // slewing and centring
    Recording,
    Done,         // recorded
    Skipped,      // left out: an overlap, no disk space, stopped by the user
    Failed,       // could not record
    Interrupted,  // the station stopped during the entry (a crash, a power cut)
};

const char* NightEntryStateName(NightEntryState state);

struct NightPlanEntry {
    // The event.
    std::string title;
    uint64_t eventTicks = 0;
    double raHours = 0.0;
    double decDegrees = 0.0;
    // Pointing begins at pointTicks; the recording runs from startTicks to endTicks.
    uint64_t pointTicks = 0;
    uint64_t startTicks = 0;
    uint64_t endTicks = 0;
    bool point = true;  // false: a fixed station, nothing is slewed

    // What was done.
    NightEntryState state = NightEntryState::Pending;
    std::string pointing;  // the pointing result, e.g. the offset left after centring
    std::string file;      // the recording file
    int64_t frames = 0;
    int64_t missed = 0;
    std::string outcome;   // why it was skipped or failed, or what went wrong along the way

    // The same event as `other` (time and title).
    bool SameEventAs(const NightPlanEntry& other) const {
        return eventTicks == other.eventTicks && title == other.title;
    }
};

struct NightPlanOptions {
    uint64_t nowTicks = 0;
    int durationSeconds = 60;  // of each recording, centred on the event time
    int leadSeconds = 180;     // pointing and centring before the recording
    bool point = true;         // false: a fixed station
    std::string format = "adv";
};

class NightPlan {
public:
    // Every event whose recording window has not ended at options.nowTicks, in time order,
    // with overlaps settled and said in Conflicts().
    static NightPlan Make(const std::vector<const OwEvent*>& events, const NightPlanOptions& options);

    const std::vector<NightPlanEntry>& Entries() const { return entries_; }
    std::vector<NightPlanEntry>& Entries() { return entries_; }
    // One sentence per overlap, with the choice the plan took.
    const std::vector<std::string>& Conflicts() const { return conflicts_; }
    const std::string& Format() const { return format_; }

    // The entry to work on at `nowTicks`: the first one not yet begun (or interrupted)
    // whose recording window has not ended; none when the night is over.
    std::optional<std::size_t> NextEntry(uint64_t nowTicks) const;

    // Takes over what a saved plan of the same night records: the entries of the same
    // events keep their state and results; an entry that was under way when the saved
    // plan was written is marked as interrupted.
    void ResumeFrom(const NightPlan& saved);

    std::string ToText() const;
    // False, with the reason, for a file that is not a night plan.
    static std::optional<NightPlan> FromText(const std::string& text, std::string& error);
    bool Save(const std::string& path, std::string& error) const;
    // None when there is no such file; error says why when it cannot be read.
    static std::optional<NightPlan> Load(const std::string& path, std::string& error);

private:
    IniFile ToIni() const;
    static std::optional<NightPlan> FromIni(const IniFile& ini, std::string& error);

    std::vector<NightPlanEntry> entries_;
    std::vector<std::string> conflicts_;
    std::string format_ = "adv";
};

}  // namespace orva
