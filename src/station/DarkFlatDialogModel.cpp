#include "station/DarkFlatDialogModel.h"

#include "common/IUiServices.h"

#include <cstdio>
#include <cstdlib>

namespace orva {

DarkFlatDialogModel::DarkFlatDialogModel(char kind, int delaySeconds, FitsRecordingJob& job, IUiServices& ui,
                                         Clock& clock, std::function<void()> requestStart)
    : kind_(kind),
      delaySeconds_(delaySeconds),
      job_(job),
      ui_(ui),
      clock_(clock),
      requestStart_(std::move(requestStart)),
      nextTick_(clock.Now() + kTickInterval) {}

std::string DarkFlatDialogModel::Title() const {
    return kind_ == 'F' ? "Create Flat Field Image" : "Create Dark Frame Image";
}

std::string DarkFlatDialogModel::DelayText() const {
    char text[96];
    std::snprintf(text, sizeof(text), "Insert %d second delay before recording.", delaySeconds_);
    return text;
}

bool DarkFlatDialogModel::Start() {
    char* end = nullptr;
    const long frames = std::strtol(framesText.c_str(), &end, 10);
    if (end == framesText.c_str() || *end != '\0' || frames < 1 || frames > kMaxFrames) {
        ui_.ShowMessage("Error", "The number of frames needs to be in the range from 1 to 256.", MessageIcon::Error);
        return false;
    }
    const int delayTicks = delayChecked && delaySeconds_ > 0 ? 2 * delaySeconds_ : 0;
    countdown_ = delayTicks > 1 ? delayTicks : 1;
    job_.framesToAverage = static_cast<int32_t>(frames);
    job_.framesAccumulated = 0;
    started_ = true;
    progressMax_ = static_cast<int>(frames);
    progressValue_ = 0;
    nextTick_ = clock_.Now() + kTickInterval;
    return true;
}

void DarkFlatDialogModel::Cancel() {
    job_.state = FitsJobState::CancelRequested;
    countdown_ = 0;
}

void DarkFlatDialogModel::Tick() {
    if (!started_) return;
    if (countdown_ >= 2) {
        --countdown_;
        char text[32];
        std::snprintf(text, sizeof(text), "%d s", countdown_ / 2);
        countdownText_ = text;
    } else if (countdown_ == 1) {
        countdown_ = 0;
        countdownText_.clear();
        requestStart_();
    } else if (jobActive_) {
        progressValue_ = job_.framesAccumulated.load();
    }
}

void DarkFlatDialogModel::Step() {
    const Clock::TimePoint now = clock_.Now();
    while (now >= nextTick_) {
        nextTick_ += kTickInterval;
        Tick();
    }
}

}  // namespace orva
