#pragma once
// The "Create Dark Frame Image" / "Create Flat Field Image" dialog without its widgets:
// the number of frames to average, the optional delay before the capture starts, the
// countdown and the progress. Its 500 ms timer is Tick; Step runs the ticks that are due
// on the injected clock.
//
//   Start -> counting down (two ticks a second) -> the capture is asked to start
//         -> progress follows the frames averaged -> the capture model closes the dialog
//
// Threads: GUI thread only.

#include "common/Clock.h"
#include "processing/FitsRecordingJob.h"

#include <functional>
#include <string>

namespace orva {

class IUiServices;

class DarkFlatDialogModel {
public:
    static constexpr int kDefaultFrames = 16;
    static constexpr int kMaxFrames = 256;
    static constexpr Clock::Duration kTickInterval = std::chrono::milliseconds(500);

    // `job` is the capture's; `requestStart` sets its start request.
    DarkFlatDialogModel(char kind, int delaySeconds, FitsRecordingJob& job, IUiServices& ui, Clock& clock,
                        std::function<void()> requestStart);

    std::string Title() const;
    std::string DelayText() const;  // "Insert %d second delay before recording."

    // The view's inputs.
    std::string framesText = std::to_string(kDefaultFrames);
    bool delayChecked = true;

    // False (and the range message) for a number of frames outside 1..256.
    bool Start();
    void Cancel();
    void Tick();
    void Step();

    bool InputsEnabled() const { return !started_; }
    bool Started() const { return started_; }
    int ProgressMax() const { return progressMax_; }
    int ProgressValue() const { return progressValue_; }
    const std::string& CountdownText() const { return countdownText_; }
    // Shows the frames averaged once the job is active.
    void SetJobActive(bool active) { jobActive_ = active; }

private:
    char kind_;
    int delaySeconds_;
    FitsRecordingJob& job_;
    IUiServices& ui_;
    Clock& clock_;
    std::function<void()> requestStart_;
    bool started_ = false;
    bool jobActive_ = false;
    int countdown_ = 0;  // ticks
    int progressMax_ = 0;
    int progressValue_ = 0;
    std::string countdownText_;
    Clock::TimePoint nextTick_{};
};

}  // namespace orva
