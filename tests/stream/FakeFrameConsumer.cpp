#include "FakeFrameConsumer.h"

#include "TestFrameSource.h"

namespace orva::test {

void FakeFrameConsumer::SetFrameSize(uint16_t width, uint16_t height) {
    width_.store(width);
    height_.store(height);
}

void FakeFrameConsumer::ConsumeFrame(const uint8_t* data) {
    const uint64_t sequence = TestFrameSource::SequenceOf(data);
    if (onFrame) onFrame(sequence);
    {
        std::lock_guard lock(mutex_);
        sequences_.push_back(sequence);
    }
    consumed_.notify_all();
}

std::vector<uint64_t> FakeFrameConsumer::Sequences() const {
    std::lock_guard lock(mutex_);
    return sequences_;
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
