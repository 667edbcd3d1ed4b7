#include "station/PlateSolvingCaptureBridge.h"

#include "common/Log.h"

namespace orva {

PlateSolvingCaptureBridge::PlateSolvingCaptureBridge(Calls calls, int framesAveraged,
                                                     std::chrono::milliseconds startWait)
    : calls_(std::move(calls)), framesAveraged_(framesAveraged), startWait_(startWait) {}

std::optional<std::string> PlateSolvingCaptureBridge::StartCapture() {
    std::unique_lock lock(mutex_);
    request_ = Request::Waiting;
    ++requestNumber_;
    path_.reset();
    if (!answered_.wait_for(lock, startWait_, [this] { return request_ == Request::Done; })) {
        // Not taken in time (the window is gone or busy): the request is withdrawn.
        request_ = Request::None;
        LogMessage("E PlateSolvingCaptureBridge: the capture was not started in time");
        return std::nullopt;
    }
    request_ = Request::None;
    return path_;
}

bool PlateSolvingCaptureBridge::IsCaptureComplete(const std::string& path) { return calls_.complete(path); }

Clock::Duration PlateSolvingCaptureBridge::CaptureDuration() const {
    std::lock_guard lock(mutex_);
    return std::chrono::duration_cast<Clock::Duration>(frameTime_ * framesAveraged_);
}

void PlateSolvingCaptureBridge::Step() {
    uint64_t taken = 0;
    {
        std::lock_guard lock(mutex_);
        if (request_ != Request::Waiting) return;
        taken = requestNumber_;
    }
    // Started without the lock: the start may take a while and shows messages.
    std::optional<std::string> path = calls_.start();
    {
        std::lock_guard lock(mutex_);
        // Withdrawn meanwhile, or already a newer request: this answer is nobody's.
        if (request_ != Request::Waiting || requestNumber_ != taken) return;
        path_ = std::move(path);
        request_ = Request::Done;
    }
    answered_.notify_all();
}

void PlateSolvingCaptureBridge::SetFrameTime(std::chrono::microseconds frameTime) {
    std::lock_guard lock(mutex_);
    frameTime_ = frameTime;
}

}  // namespace orva
