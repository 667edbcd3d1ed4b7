#include "station/NightRunner.h"

#include "common/Log.h"
#include "events/OwEventTime.h"

#include <algorithm>

namespace orva {
namespace {

// Whole seconds from `now` to `then`, 0 once it has come.
int64_t SecondsUntil(uint64_t now, uint64_t then) {
    return then > now ? static_cast<int64_t>((then - now + kEventTicksPerSecond - 1) / kEventTicksPerSecond) : 0;
}

}  // namespace

NightRunner::NightRunner(NightPlan plan, INightPointing* pointing, INightRecorder& recorder,
                         std::function<uint64_t()> now, std::string planPath)
    : plan_(std::move(plan)),
      pointing_(pointing),
      recorder_(recorder),
      now_(std::move(now)),
      planPath_(std::move(planPath)) {}

void NightRunner::Start() {
    if (state_ != State::Idle) return;
    LogMessageInt("I NightPlan: starting, entries:", static_cast<int>(plan_.Entries().size()));
    for (const std::string& conflict : plan_.Conflicts()) LogMessageString("W NightPlan:", conflict);
    Save();
    TakeNextEntry();
}

void NightRunner::TakeNextEntry() {
    current_ = plan_.NextEntry(now_());
    pointed_ = false;
    if (!current_) {
        state_ = State::Finished;
        LogMessage("I NightPlan: no entry left, the night is over");
        return;
    }
    state_ = State::Waiting;
    LogMessageString("I NightPlan: next entry:", Entry().title);
}

void NightRunner::Tick() {
    switch (state_) {
        case State::Idle:
        case State::Finished:
            return;
        case State::Pointing:
            StepPointing();
            return;
        case State::Recording:
        case State::Stopping:
            StepRecording();
            return;
        case State::Waiting:
            break;
    }
    const NightPlanEntry& e = Entry();
    const uint64_t now = now_();
    if (now >= e.endTicks) {
        Note("its window passed before it could be recorded");
        SetEntryState(NightEntryState::Skipped);
        TakeNextEntry();
    } else if (now >= RecordingBegins()) {
        BeginRecording();
    } else if (!pointed_ && e.point && pointing_ != nullptr && now >= e.pointTicks) {
        BeginPointing();
    }
}

void NightRunner::BeginPointing() {
    const NightPlanEntry& e = Entry();
    LogMessageString("I NightPlan: pointing at", e.title);
    pointing_->Start(e.raHours, e.decDegrees);
    state_ = State::Pointing;
    SetEntryState(NightEntryState::Pointing);
}

void NightRunner::StepPointing() {
    NightPlanEntry& e = Entry();
    std::string result;
    const INightPointing::Status status = pointing_->Step(result);
    if (status == INightPointing::Status::Running) {
        if (now_() < RecordingBegins()) return;
        pointing_->Abort();
        e.pointing = "not finished when the window began";
        Note("pointing had not finished when the window began: recorded where the telescope points");
    } else if (status == INightPointing::Status::Done) {
        e.pointing = result;
        LogMessageString("I NightPlan: pointed:", result);
    } else {
        e.pointing = "failed: " + result;
        Note("pointing failed (" + result + "): recorded at the nominal pointing");
    }
    pointed_ = true;
    state_ = State::Waiting;
    Save();
    Tick();
}

uint64_t NightRunner::RecordingBegins() const {
    const uint64_t start = plan_.Entries()[*current_].startTicks;
    return start > kPreRollTicks ? start - kPreRollTicks : 0;
}

void NightRunner::BeginRecording() {
    NightPlanEntry& e = Entry();
    std::string error;
    if (!recorder_.Start(e, plan_.Format(), error)) {
        Note("not recorded: " + error);
        SetEntryState(NightEntryState::Failed);
        TakeNextEntry();
        return;
    }
    LogMessageString("I NightPlan: recording", e.title);
    state_ = State::Recording;
    SetEntryState(NightEntryState::Recording);
}

void NightRunner::StepRecording() {
    if (!recorder_.Step()) {
        FinishRecording();
        return;
    }
    if (state_ == State::Recording && now_() >= Entry().endTicks + kOverrunTicks) {
        Note("the frames' time stamps never reached the window's end: stopped by the PC's clock");
        recorder_.Stop();
        state_ = State::Stopping;
        overrunStop_ = true;
    }
}

void NightRunner::FinishRecording() {
    NightPlanEntry& e = Entry();
    const NightRecordingResult r = recorder_.Result();
    e.file = r.file;
    e.frames = r.frames;
    e.missed = r.missed;
    const bool complete = IsCompleteOutcome(r.outcome);
    if (!complete || (r.outcome == RecordingOutcome::StoppedByUser && !overrunStop_)) {
        Note(RecordingOutcomeText(r.outcome) + (r.failure.empty() ? "" : ": " + r.failure));
    }
    SetEntryState(complete && e.frames > 0 ? NightEntryState::Done : NightEntryState::Failed);
    LogMessageString("I NightPlan: recorded", e.title + ": " + std::to_string(e.frames) + " frames, " +
                                                  std::to_string(e.missed) + " missed, " + e.file);
    if (state_ == State::Stopping && !overrunStop_) {
        state_ = State::Finished;
        current_.reset();
        return;
    }
    overrunStop_ = false;
    TakeNextEntry();
}

void NightRunner::Stop() {
    switch (state_) {
        case State::Recording:
            LogMessage("I NightPlan: stopped by the user, closing the recording");
            recorder_.Stop();
            state_ = State::Stopping;
            return;
        case State::Pointing:
            pointing_->Abort();
            SetEntryState(NightEntryState::Pending);
            break;
        case State::Idle:
        case State::Waiting:
            break;
        case State::Stopping:
        case State::Finished:
            return;
    }
    LogMessage("I NightPlan: stopped by the user");
    state_ = State::Finished;
    current_.reset();
}

std::string NightRunner::NextStepText() const {
    if (!current_) return state_ == State::Finished ? "night over" : "not started";
    const NightPlanEntry& e = plan_.Entries()[*current_];
    const uint64_t now = now_();
    switch (state_) {
        case State::Pointing:
            return "pointing at " + e.title + ", recording in " + std::to_string(SecondsUntil(now, e.startTicks)) + " s";
        case State::Recording:
            return "recording " + e.title + ", " + std::to_string(SecondsUntil(now, e.endTicks)) + " s left";
        case State::Stopping:
            return "closing the recording of " + e.title;
        case State::Waiting:
            if (!pointed_ && e.point && pointing_ != nullptr && now < e.pointTicks) {
                return "pointing at " + e.title + " in " + std::to_string(SecondsUntil(now, e.pointTicks)) + " s";
            }
            return "recording " + e.title + " in " + std::to_string(SecondsUntil(now, e.startTicks)) + " s";
        case State::Idle:
        case State::Finished:
            break;
    }
    return "night over";
}

void NightRunner::SetEntryState(NightEntryState state) {
    Entry().state = state;
    Save();
}

void NightRunner::Note(const std::string& text) {
    NightPlanEntry& e = Entry();
    LogMessageString("W NightPlan:", e.title + ": " + text);
    e.outcome = e.outcome.empty() ? text : e.outcome + "; " + text;
}

void NightRunner::Save() {
    if (planPath_.empty()) return;
    std::string error;
    if (plan_.Save(planPath_, error)) {
        saveFailureLogged_ = false;
        return;
    }
    // Once per run of failures, not on every change.
    if (!saveFailureLogged_) LogMessageString("E NightPlan: the plan could not be saved:", error);
    saveFailureLogged_ = true;
}

}  // namespace orva
