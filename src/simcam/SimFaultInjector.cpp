#include "simcam/SimFaultInjector.h"

#include <utility>

namespace orva {

void SimFaultInjector::DropFrames(int32_t count) {
    std::lock_guard lock(mutex_);
    if (count > 0) dropFrames_ += count;
}

void SimFaultInjector::RepeatFrameNumber() {
    std::lock_guard lock(mutex_);
    repeat_ = true;
}

void SimFaultInjector::FreezeCommIrqCounter(int32_t frames) {
    std::lock_guard lock(mutex_);
    freezeComm_ = frames;
}

void SimFaultInjector::FreezeFrameStartIrqCounter(int32_t frames) {
    std::lock_guard lock(mutex_);
    freezeFrameStart_ = frames;
}

void SimFaultInjector::CorruptCheckLane(int32_t frames) {
    std::lock_guard lock(mutex_);
    corruptLane_ = frames;
}

void SimFaultInjector::DeliverWrongSize(int64_t bytes) {
    std::lock_guard lock(mutex_);
    sizeError_ = bytes;
}

void SimFaultInjector::FailExtensionUnitCalls(int32_t code, int32_t count) {
    std::lock_guard lock(mutex_);
    failCode_ = code;
    failCount_ = count;
}

void SimFaultInjector::ClearExtensionUnitFailure() {
    std::lock_guard lock(mutex_);
    failCount_ = 0;
}

void SimFaultInjector::ClearAll() {
    std::lock_guard lock(mutex_);
    dropFrames_ = 0;
    repeat_ = false;
    freezeComm_ = freezeFrameStart_ = corruptLane_ = 0;
    sizeError_ = 0;
    failCount_ = 0;
}

SimFrameFaults SimFaultInjector::TakeFrameFaults() {
    std::lock_guard lock(mutex_);
    SimFrameFaults f;
    f.dropFrames = std::exchange(dropFrames_, 0);
    f.repeatFrameNumber = std::exchange(repeat_, false);
    if (freezeComm_ > 0) {
        f.freezeCommIrq = true;
        --freezeComm_;
    }
    if (freezeFrameStart_ > 0) {
        f.freezeFrameStartIrq = true;
        --freezeFrameStart_;
    }
    if (corruptLane_ > 0) {
        f.corruptCheckLane = true;
        --corruptLane_;
    }
    f.sizeErrorBytes = std::exchange(sizeError_, 0);
    return f;
}

std::optional<int32_t> SimFaultInjector::TakeExtensionUnitFailure() {
    std::lock_guard lock(mutex_);
    if (failCount_ == 0) return std::nullopt;
    if (failCount_ > 0) --failCount_;
    return failCode_;
}

}  // namespace orva
