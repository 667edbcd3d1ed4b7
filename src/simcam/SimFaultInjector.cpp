#include "simcam/SimFaultInjector.h"

#include <algorithm>
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

void SimFaultInjector::FailExtensionUnitCalls(int32_t code, int32_t count, int32_t after) {
    std::lock_guard lock(mutex_);
    failCode_ = code;
    failCount_ = count;
    failAfter_ = after;
}

void SimFaultInjector::ClearExtensionUnitFailure() {
    std::lock_guard lock(mutex_);
    failCount_ = 0;
}

void SimFaultInjector::ClearAll() {
    std::lock_guard lock(mutex_);
    ClearFrameFaults();
    failCount_ = 0;
}

void SimFaultInjector::ClearFrameFaults() {
    dropFrames_ = 0;
    repeat_ = false;
    freezeComm_ = freezeFrameStart_ = corruptLane_ = 0;
    sizeError_ = 0;
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
    if (planStarted_) {
        f.planFrame = planFrame_;
        f.plannedOccultation = plan_.Occults(planFrame_);
    }
    return f;
}

void SimFaultInjector::SetPlan(SimFaultPlan plan) {
    std::lock_guard lock(mutex_);
    plan_ = std::move(plan);
    planStarted_ = false;
    planFrame_ = 0;
}

SimDeliveryFaults SimFaultInjector::RestartPlan() {
    std::lock_guard lock(mutex_);
    ClearFrameFaults();
    planStarted_ = true;
    planFrame_ = 1;
    return ArmPlannedFrame();
}

SimDeliveryFaults SimFaultInjector::ArmNextPlannedFrame() {
    std::lock_guard lock(mutex_);
    if (!planStarted_) return {};
    ++planFrame_;
    return ArmPlannedFrame();
}

SimDeliveryFaults SimFaultInjector::ArmPlannedFrame() {
    // The camera skips dropped frames: the one it makes next comes after them, and what
    // was planned for a skipped frame does not happen.
    for (bool dropped = true; dropped;) {
        dropped = false;
        const int64_t frame = planFrame_;
        for (const SimFault& fault : plan_.faults) {
            if (fault.frame != frame || fault.kind != SimFault::Kind::Drop) continue;
            dropFrames_ += static_cast<int32_t>(fault.value);
            planFrame_ += fault.value;
            dropped = true;
        }
    }
    SimDeliveryFaults delivery;
    for (const SimFault& fault : plan_.faults) {
        if (fault.frame != planFrame_) continue;
        switch (fault.kind) {
        case SimFault::Kind::Drop:
            break;
        case SimFault::Kind::Repeat:
            repeat_ = true;
            break;
        case SimFault::Kind::FreezeIrq:
            freezeComm_ = std::max(freezeComm_, 1);
            freezeFrameStart_ = std::max(freezeFrameStart_, 1);
            break;
        case SimFault::Kind::Corrupt:
            corruptLane_ = std::max(corruptLane_, 1);
            break;
        case SimFault::Kind::Stall:
            delivery.stall = std::max(delivery.stall.value_or(std::chrono::milliseconds(0)),
                                      std::chrono::milliseconds(fault.value));
            break;
        case SimFault::Kind::Unplug:
            delivery.unplugFor = std::chrono::milliseconds(fault.value);
            break;
        }
    }
    return delivery;
}

std::optional<int32_t> SimFaultInjector::TakeExtensionUnitFailure() {
    std::lock_guard lock(mutex_);
    if (failCount_ == 0) return std::nullopt;
    if (failAfter_ > 0) {
        --failAfter_;
        return std::nullopt;
    }
    if (failCount_ > 0) --failCount_;
    return failCode_;
}

}  // namespace orva
