#include "station/NightPlan.h"

#include "common/CommandLine.h"
#include "common/IniFile.h"
#include "events/OwEventTime.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>

namespace orva {
namespace {

constexpr const char* kPlanSection = "NightPlan";
constexpr NightEntryState kStates[] = {NightEntryState::Pending,   NightEntryState::Pointing, NightEntryState::Recording,
                                       NightEntryState::Done,      NightEntryState::Skipped,  NightEntryState::Failed,
                                       NightEntryState::Interrupted};

// "hh:mm:ss" UTC, for the conflict texts.
std::string TimeOfDay(uint64_t ticks) {
    const UtcDateTime t = UtcFromEventTicks(ticks);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return text;
}

std::string EntrySection(std::size_t index) { return "Entry" + std::to_string(index + 1); }

// A whole number of the file, 0..max; none when missing or malformed.
std::optional<int64_t> Whole(const std::optional<std::string>& text,
                             int64_t max = std::numeric_limits<int64_t>::max()) {
    return text ? CommandLine::ParseInteger(*text, 0, max) : std::nullopt;
}

std::string Real(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

std::optional<double> ParseReal(const std::optional<std::string>& text) {
    if (!text || text->empty()) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text->c_str(), &end);
    if (end != text->c_str() + text->size()) return std::nullopt;
    return value;
}

}  // namespace

const char* NightEntryStateName(NightEntryState state) {
    switch (state) {
        case NightEntryState::Pending: return "pending";
        case NightEntryState::Pointing: return "pointing";
        case NightEntryState::Recording: return "recording";
        case NightEntryState::Done: return "done";
        case NightEntryState::Skipped: return "skipped";
        case NightEntryState::Failed: return "failed";
        case NightEntryState::Interrupted: return "interrupted";
    }
    return "pending";
}

NightPlan NightPlan::Make(const std::vector<const OwEvent*>& events, const NightPlanOptions& options) {
    NightPlan plan;
    plan.format_ = options.format;
    const uint64_t half = static_cast<uint64_t>(options.durationSeconds) * kEventTicksPerSecond / 2;
    const uint64_t window = 2 * half;
    const uint64_t lead = options.point ? static_cast<uint64_t>(options.leadSeconds) * kEventTicksPerSecond : 0;
    std::vector<NightPlanEntry> candidates;
    for (const OwEvent* event : events) {
        if (event == nullptr || !IsUsableEventTime(event->EventTime) || event->EventTime < half) continue;
        NightPlanEntry e;
        e.title = event->GetTitle();
        e.eventTicks = event->EventTime;
        e.raHours = event->StarRaHours;
        e.decDegrees = event->StarDecDegrees;
        e.startTicks = event->EventTime - half;
        e.endTicks = e.startTicks + window;
        e.pointTicks = e.startTicks >= lead ? e.startTicks - lead : 0;
        e.point = options.point;
        if (e.endTicks <= options.nowTicks) continue;
        candidates.push_back(std::move(e));
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const NightPlanEntry& a, const NightPlanEntry& b) { return a.eventTicks < b.eventTicks; });

    uint64_t busyUntil = 0;  // the end of the last recording kept
    std::string previousTitle;
    bool kept = false;  // an entry before this one is kept
    for (NightPlanEntry& e : candidates) {
        if (kept && e.pointTicks < busyUntil) {
            const std::string overlap =
                e.title + " overlaps " + previousTitle + " (recording until " + TimeOfDay(busyUntil) + " UTC): ";
            if (e.startTicks >= busyUntil) {
                // Only the lead time overlaps: the recording keeps its window, pointing gets less time.
                plan.conflicts_.push_back(overlap + "pointing starts at " + TimeOfDay(busyUntil) + " UTC, " +
                                          std::to_string((e.startTicks - busyUntil) / kEventTicksPerSecond) +
                                          " s before its recording");
            } else if ((e.endTicks - busyUntil) * 2 < window) {
                e.state = NightEntryState::Skipped;
                e.outcome = "overlaps " + previousTitle;
                plan.conflicts_.push_back(overlap + "skipped, less than half its window remains");
                plan.entries_.push_back(std::move(e));
                continue;
            } else {
                plan.conflicts_.push_back(overlap + "recording starts at " + TimeOfDay(busyUntil) + " UTC instead of " +
                                          TimeOfDay(e.startTicks) + " UTC");
                e.startTicks = busyUntil;
            }
            e.pointTicks = busyUntil;
        }
        busyUntil = e.endTicks;
        previousTitle = e.title;
        kept = true;
        plan.entries_.push_back(std::move(e));
    }
    return plan;
}

std::optional<std::size_t> NightPlan::NextEntry(uint64_t nowTicks) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const NightPlanEntry& e = entries_[i];
        const bool open = e.state == NightEntryState::Pending || e.state == NightEntryState::Interrupted;
        if (open && e.endTicks > nowTicks) return i;
    }
    return std::nullopt;
}

void NightPlan::ResumeFrom(const NightPlan& saved) {
    for (NightPlanEntry& e : entries_) {
        const auto it = std::find_if(saved.entries_.begin(), saved.entries_.end(),
                                     [&](const NightPlanEntry& s) { return s.SameEventAs(e); });
        if (it == saved.entries_.end() || it->state == NightEntryState::Pending) continue;
        e.state = it->state;
        e.pointing = it->pointing;
        e.file = it->file;
        e.frames = it->frames;
        e.missed = it->missed;
        e.outcome = it->outcome;
        if (e.state == NightEntryState::Pointing || e.state == NightEntryState::Recording) {
            e.state = NightEntryState::Interrupted;
        }
    }
}

std::string NightPlan::ToText() const { return ToIni().Serialize(); }

IniFile NightPlan::ToIni() const {
    IniFile ini;
    ini.Set(kPlanSection, "Format", format_);
    ini.Set(kPlanSection, "Entries", std::to_string(entries_.size()));
    for (std::size_t i = 0; i < conflicts_.size(); ++i) {
        ini.Set(kPlanSection, "Conflict" + std::to_string(i + 1), conflicts_[i]);
    }
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const NightPlanEntry& e = entries_[i];
        const std::string section = EntrySection(i);
        ini.Set(section, "Event", e.title);
        ini.Set(section, "EventTicks", std::to_string(e.eventTicks));
        ini.Set(section, "RaHours", Real(e.raHours));
        ini.Set(section, "DecDegrees", Real(e.decDegrees));
        ini.Set(section, "PointTicks", std::to_string(e.pointTicks));
        ini.Set(section, "StartTicks", std::to_string(e.startTicks));
        ini.Set(section, "EndTicks", std::to_string(e.endTicks));
        ini.Set(section, "Point", e.point ? "1" : "0");
        ini.Set(section, "State", NightEntryStateName(e.state));
        ini.Set(section, "Pointing", e.pointing);
        ini.Set(section, "File", e.file);
        ini.Set(section, "Frames", std::to_string(e.frames));
        ini.Set(section, "Missed", std::to_string(e.missed));
        ini.Set(section, "Outcome", e.outcome);
    }
    return ini;
}

std::optional<NightPlan> NightPlan::FromText(const std::string& text, std::string& error) {
    IniFile ini;
    if (const std::size_t bad = ini.Parse(text); bad != 0) {
        error = "line " + std::to_string(bad) + " is not a plan line";
        return std::nullopt;
    }
    return FromIni(ini, error);
}

std::optional<NightPlan> NightPlan::FromIni(const IniFile& ini, std::string& error) {
    const auto count = Whole(ini.Get(kPlanSection, "Entries"), 10000);
    if (!count) {
        error = "it has no [NightPlan] section with the number of entries";
        return std::nullopt;
    }
    NightPlan plan;
    plan.format_ = ini.Get(kPlanSection, "Format").value_or("adv");
    for (std::size_t i = 1;; ++i) {
        const auto conflict = ini.Get(kPlanSection, "Conflict" + std::to_string(i));
        if (!conflict) break;
        plan.conflicts_.push_back(*conflict);
    }
    for (std::size_t i = 0; i < static_cast<std::size_t>(*count); ++i) {
        const std::string section = EntrySection(i);
        NightPlanEntry e;
        const auto eventTicks = Whole(ini.Get(section, "EventTicks"));
        const auto pointTicks = Whole(ini.Get(section, "PointTicks"));
        const auto startTicks = Whole(ini.Get(section, "StartTicks"));
        const auto endTicks = Whole(ini.Get(section, "EndTicks"));
        const auto ra = ParseReal(ini.Get(section, "RaHours"));
        const auto dec = ParseReal(ini.Get(section, "DecDegrees"));
        const auto stateName = ini.Get(section, "State");
        const auto state = std::find_if(std::begin(kStates), std::end(kStates), [&](NightEntryState s) {
            return stateName && *stateName == NightEntryStateName(s);
        });
        if (!eventTicks || !pointTicks || !startTicks || !endTicks || !ra || !dec || state == std::end(kStates) ||
            *startTicks > *endTicks) {
            error = "entry " + std::to_string(i + 1) + " is incomplete";
            return std::nullopt;
        }
        e.title = ini.Get(section, "Event").value_or("");
        e.eventTicks = static_cast<uint64_t>(*eventTicks);
        e.raHours = *ra;
        e.decDegrees = *dec;
        e.pointTicks = static_cast<uint64_t>(*pointTicks);
        e.startTicks = static_cast<uint64_t>(*startTicks);
        e.endTicks = static_cast<uint64_t>(*endTicks);
        e.point = ini.Get(section, "Point").value_or("1") != "0";
        e.state = *state;
        e.pointing = ini.Get(section, "Pointing").value_or("");
        e.file = ini.Get(section, "File").value_or("");
        e.frames = Whole(ini.Get(section, "Frames")).value_or(0);
        e.missed = Whole(ini.Get(section, "Missed")).value_or(0);
        e.outcome = ini.Get(section, "Outcome").value_or("");
        plan.entries_.push_back(std::move(e));
    }
    return plan;
}

bool NightPlan::Save(const std::string& path, std::string& error) const { return ToIni().Save(path, error); }

std::optional<NightPlan> NightPlan::Load(const std::string& path, std::string& error) {
    IniFile ini;
    const IniFile::LoadResult result = ini.Load(path);
    if (result.status == IniFile::LoadStatus::Missing) return std::nullopt;
    if (result.status != IniFile::LoadStatus::Loaded) {
        error = path + ": the night plan cannot be read (" + result.detail + ")";
        return std::nullopt;
    }
    auto plan = FromIni(ini, error);
    if (!plan) error = path + ": " + error;
    return plan;
}

}  // namespace orva
