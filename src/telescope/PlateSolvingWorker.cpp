#include "telescope/PlateSolvingWorker.h"

#include <utility>

namespace orva {

PlateSolvingWorker::PlateSolvingWorker(PlateSolvingResult& result, IPlateSolvingCapture& capture, Clock& clock)
    : result_(result), capture_(&capture), clock_(clock) {}

PlateSolvingWorker::~PlateSolvingWorker() { Stop(); }

void PlateSolvingWorker::Stop() {
    {
        // Under the lock, so a worker about to wait cannot miss the wake-up.
        std::lock_guard lock(mutex_);
        quit_ = true;
        stopRequested_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool PlateSolvingWorker::SetCapture(IPlateSolvingCapture& capture) {
    if (thread_.joinable()) return false;
    capture_ = &capture;
    return true;
}

void PlateSolvingWorker::StartThread() {
    if (thread_.joinable() || quit_) return;
    thread_ = std::thread([this] {
        while (!quit_) RunPass();
    });
}

bool PlateSolvingWorker::Start(std::unique_ptr<IPlateSolvingStrategy> strategy, std::string filePath) {
    if (step_ != PlateSolvingStep::Idle || !strategy) return false;
    {
        std::lock_guard lock(mutex_);
        // The previous run's strategy goes first (a solver it left running ends with it).
        strategy_ = std::move(strategy);
        recordNewFile_ = filePath.empty();
        filePath_ = std::move(filePath);
        statusText_.clear();
        stopRequested_ = false;
        step_ = PlateSolvingStep::LogIn;
    }
    wake_.notify_all();
    return true;
}

void PlateSolvingWorker::RequestStop() {
    if (step_ == PlateSolvingStep::Idle) return;
    stopRequested_ = true;
    wake_.notify_all();
}

std::string PlateSolvingWorker::StatusText() const {
    std::lock_guard lock(mutex_);
    return statusText_;
}

std::deque<PlateSolvingEvent> PlateSolvingWorker::TakeEvents() {
    std::lock_guard lock(mutex_);
    return std::exchange(events_, {});
}

void PlateSolvingWorker::Post(int32_t code, std::optional<double> solvedScale) {
    std::lock_guard lock(mutex_);
    events_.push_back({code, statusText_, solvedScale});
}

void PlateSolvingWorker::Finish(int32_t code) {
    step_ = PlateSolvingStep::Idle;
    Post(code);
}

void PlateSolvingWorker::Pause(Clock::Duration duration) { clock_.SleepFor(duration); }

void PlateSolvingWorker::RunPass() {
    if (stopRequested_) {
        if (step_ != PlateSolvingStep::Idle) {
            step_ = PlateSolvingStep::Idle;
            {
                std::lock_guard lock(mutex_);
                statusText_.clear();
            }
            Post(kPlateSolvingWorking);
        }
        stopRequested_ = false;
    }
    switch (step_.load()) {
        case PlateSolvingStep::Idle: {
            std::unique_lock lock(mutex_);
            wake_.wait_for(lock, kIdlePause, [this] { return quit_ || step_ != PlateSolvingStep::Idle; });
            return;
        }
        case PlateSolvingStep::LogIn:
            if (strategy_->Login() != 0) return Finish(kPlateSolvingLoginFailed);
            step_ = recordNewFile_ ? PlateSolvingStep::RecordFile : PlateSolvingStep::LoadFile;
            return Post(kPlateSolvingWorking);
        case PlateSolvingStep::RecordFile:
            return WaitForCapture();
        case PlateSolvingStep::LoadFile:
            step_ = PlateSolvingStep::SendFile;
            return Post(kPlateSolvingWorking);
        case PlateSolvingStep::SendFile:
            if (strategy_->Submit(filePath_) != 0) return Finish(kPlateSolvingUploadFailed);
            step_ = PlateSolvingStep::WaitForResult;
            return Post(kPlateSolvingWorking);
        case PlateSolvingStep::WaitForResult:
            return PollUntilDone();
    }
}

void PlateSolvingWorker::WaitForCapture() {
    const auto path = capture_->StartCapture();
    if (!path) return Finish(kPlateSolvingNoFitsFile);
    {
        std::lock_guard lock(mutex_);
        filePath_ = *path;
    }
    // A long exposure or a capture of many frames takes longer than the fixed margin.
    const Clock::Duration limit = kCaptureMargin + capture_->CaptureDuration();
    const Clock::TimePoint start = clock_.Now();
    while (!stopRequested_) {
        Pause(kCapturePause);
        if (capture_->IsCaptureComplete(*path)) {
            if (stopRequested_) break;
            step_ = PlateSolvingStep::SendFile;
            return Post(kPlateSolvingWorking);
        }
        if (clock_.Now() - start >= limit) return Finish(kPlateSolvingNoFitsFile);
    }
    Post(kPlateSolvingWorking);
}

void PlateSolvingWorker::PollUntilDone() {
    while (step_ == PlateSolvingStep::WaitForResult) {
        Pause(kPollPause);
        if (step_ != PlateSolvingStep::WaitForResult) return;
        std::string status;
        const int32_t code = strategy_->Poll(status);
        {
            std::lock_guard lock(mutex_);
            statusText_ = status;
        }
        std::optional<double> solvedScale;
        if (code != kPlateSolvingWorking) {
            step_ = PlateSolvingStep::Idle;
            if (code >= kPlateSolvingJobFailed) {
                if (IPlateSolvingCompletedListener* listener = result_.Listener()) listener->OnPlateSolvingCompleted();
            }
            const PlateSolution solution = result_.Read();
            if (code == kPlateSolvingSolved && solution.pixelScaleValid) solvedScale = solution.pixelScaleArcsec;
        }
        Post(code, solvedScale);
        if (stopRequested_) return;
    }
}

}  // namespace orva
