#pragma once
// Runs a night plan by itself: for each entry, at its pointing time, points and centres
// (unless the station is fixed), waits for its window and records it, then goes on to the
// next. Every change of an entry's state is logged and saved in the plan file at once,
// so that a station started again resumes where it stopped.
//
// Faults never end the night: a pointing that fails or has not finished when the window
// begins records at wherever the telescope points, and says so; a recording that cannot
// start (a full disk) or fails marks its entry and the next entry is tried at its own
// time. Stop ends the current recording cleanly and leaves the rest of the plan pending.
//
//   Idle -> Waiting (for the entry's pointing time) -> Pointing -> Waiting (for its
//   recording window) -> Recording -> Waiting (next entry) ... -> Finished
//
// Threads: the station's (GUI) thread; Tick is its housekeeping call.

#include "station/INightPointing.h"
#include "station/INightRecorder.h"
#include "station/NightPlan.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace orva {

class NightRunner {
public:
    // The recording starts this long before its window by the PC's clock; the frames' own
    // time stamps then decide which are in the window.
    static constexpr uint64_t kPreRollTicks = 2 * 10000000ULL;
    // A recording whose frames never reach the window's end (no GPS time) is stopped by
    // the PC's clock this long after it.
    static constexpr uint64_t kOverrunTicks = 10 * 10000000ULL;

    enum class State { Idle, Waiting, Pointing, Recording, Stopping, Finished };

    // `pointing` null: a fixed station. `now` gives event ticks. `planPath` empty: the plan
    // is not saved.
    NightRunner(NightPlan plan, INightPointing* pointing, INightRecorder& recorder, std::function<uint64_t()> now,
                std::string planPath);

    void Start();
    void Tick();
    // Ends the night: a recording under way is stopped cleanly and its file closed.
    void Stop();

    State GetState() const { return state_; }
    const NightPlan& Plan() const { return plan_; }
    // The entry worked on or waited for; none before the start and after the end.
    std::optional<std::size_t> CurrentEntry() const { return current_; }
    // What the runner does next and in how many seconds, for a progress line.
    std::string NextStepText() const;

private:
    NightPlanEntry& Entry() { return plan_.Entries()[*current_]; }
    void TakeNextEntry();
    void BeginPointing();
    void StepPointing();
    void BeginRecording();
    void StepRecording();
    void FinishRecording();
    // When the recording of the current entry begins by the PC's clock.
    uint64_t RecordingBegins() const;
    void SetEntryState(NightEntryState state);
    void Note(const std::string& text);
    void Save();

    NightPlan plan_;
    INightPointing* pointing_;
    INightRecorder& recorder_;
    std::function<uint64_t()> now_;
    std::string planPath_;
    State state_ = State::Idle;
    std::optional<std::size_t> current_;
    bool pointed_ = false;  // the current entry's pointing has ended, one way or the other
    bool overrunStop_ = false;  // the PC's clock stopped the recording, not the user
    bool saveFailureLogged_ = false;
};

}  // namespace orva
