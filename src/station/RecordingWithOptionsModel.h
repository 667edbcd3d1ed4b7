#pragma once
// The "Recording with Options" dialog without its widgets: record every n-th frame, and
// timed recordings centred on up to three UTC times of day, one after the other, each
// with its duration (rows 2 and 3 with their own exposure).
//
//   Idle --Start--> Running (row 1 unchecked: until Stop)
//               \-> Waiting (until centre - duration / 2, UTC) --> Recording
//   Recording --the recording's frames cover the duration--> the next row moves up and
//               waits, or Idle when there is none
//   any --Stop or a recording that failed--> Idle
//
// The duration is measured on the frames' own time stamps, so a timed recording holds
// exactly the frames of its interval; the 1 s timer (Tick) drives the waiting, the
// progress and the countdown. Step runs the ticks that are due on the injected clock.
//
// Threads: GUI thread only.

#include "common/Clock.h"
#include "common/UtcTime.h"
#include "recording/RecordingControl.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace orva {

class CameraPanelModel;
class RecordingCommandsModel;
class Station;

struct RecordingOptionsRow {
    bool checked = false;
    std::string center;    // "HH:MM:SS" UTC
    std::string duration;  // seconds
    std::string exposure;  // ms; rows 2 and 3 only
};

class RecordingWithOptionsModel {
public:
    enum class State { Idle = 0, Running = 1, Waiting = 2, Recording = 3 };

    static constexpr Clock::Duration kTickInterval = std::chrono::seconds(1);
    static constexpr int kMaxDurationSeconds = 86399;

    RecordingWithOptionsModel(Station& station, RecordingCommandsModel& commands, CameraPanelModel& panel,
                              Clock& clock, std::function<UtcDateTime()> utcNow = &UtcNow);

    // The dialog opens: the format from the setting, row 1 at the current UTC time with
    // the default duration, rows 2 and 3 empty.
    void Open();
    // "Copy Event(s)": the next event and the ones after it, as UTC times.
    void CopyEvents(const std::vector<UtcDateTime>& events);
    // The button is shown while the station's event store has a next event.
    bool CanCopyEvents() const;
    // Copies the store's next event and the ones after it.
    void CopyNextEvents();

    // The view's inputs.
    RecordingFormat format = RecordingFormat::Adv;
    bool everyNthChecked = false;
    std::string everyNthText = "1";
    std::array<RecordingOptionsRow, 3> rows;

    // The Start/Stop button.
    bool Start();
    void Stop();
    void Tick();
    void Step();

    State GetState() const { return state_; }
    bool InputsEnabled() const { return state_ == State::Idle; }
    std::string ButtonText() const { return state_ == State::Idle ? "Start" : "Stop"; }
    int Progress() const { return progress_; }
    const std::string& CountdownText() const { return countdownText_; }
    // Second of the UTC day the waiting recording starts at.
    int StartSecond() const { return startSecond_; }

private:
    bool StartRecording();
    void AdvanceRows();
    void Finish();
    int NowSecond() const;
    std::string DefaultDuration() const;

    Station& station_;
    RecordingCommandsModel& commands_;
    CameraPanelModel& panel_;
    Clock& clock_;
    std::function<UtcDateTime()> utcNow_;
    State state_ = State::Idle;
    int32_t frameInterval_ = 1;
    int duration_ = 0;
    int startSecond_ = 0;
    int remaining_ = 0;
    int referenceDelay_ = -1;  // the first delay, -1 until known
    int progress_ = 0;
    std::string countdownText_;
    Clock::TimePoint nextTick_{};
};

}  // namespace orva
