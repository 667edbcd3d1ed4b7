#include "FakeFrameConsumer.h"

#include "TestFrameSource.h"

namespace orva::test {

void FakeFrameConsumer::ConsumeFrame(CameraFrame& frame) {
    width_.store(frame.transferWidth);
    height_.store(frame.height);
    const uint64_t sequence = TestFrameSource::SequenceOf(frame.raw);
    if (onFrame) onFrame(sequence);
    {
        std::lock_guard lock(mutex_);
        sequences_.push_back(sequence);
        received_.push_back({frame.receivedMs, frame.sequence, frame.discontinuity});
    }
    consumed_.notify_all();
}

std::vector<uint64_t> FakeFrameConsumer::Sequences() const {
    std::lock_guard lock(mutex_);
    return sequences_;
}

std::vector<FakeFrameConsumer::Received> FakeFrameConsumer::ReceivedFrames() const {
    std::lock_guard lock(mutex_);
    return received_;
}

uint64_t FakeFrameConsumer::FramesConsumed() const {
    std::lock_guard lock(mutex_);
    return sequences_.size();
}

bool FakeFrameConsumer::WaitForFrames(uint64_t count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return consumed_.wait_for(lock, timeout, [&] { return sequences_.size() >= count; });
}

}  // namespace orva::test
