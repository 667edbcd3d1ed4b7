#pragma once
// A frame processor stand-in: records the sequence numbers of the frames it is given and
// runs an optional hook per frame (to take time, block or throw).
//
// Threads: the stream's consumer thread calls it; the test reads it from its own thread.

#include "stream/IStreamFrameConsumer.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace orva::test {

class FakeFrameConsumer final : public IStreamFrameConsumer {
public:
    bool IsSuspended() const override { return suspended.load(); }
    void ConsumeFrame(CameraFrame& frame) override;

    // The test source's sequence number written into each frame's bytes.
    std::vector<uint64_t> Sequences() const;
    // What the stream put into each frame besides its bytes.
    struct Received {
        int64_t receivedMs;
        uint64_t streamSequence;
        bool discontinuity;
    };
    std::vector<Received> ReceivedFrames() const;
    uint64_t FramesConsumed() const;
    bool WaitForFrames(uint64_t count, std::chrono::milliseconds timeout);
    uint16_t Width() const { return width_.load(); }
    uint16_t Height() const { return height_.load(); }

    std::atomic<bool> suspended{false};
    // Called with each frame's sequence number; set before streaming starts.
    std::function<void(uint64_t)> onFrame;

private:
    std::atomic<uint16_t> width_{0};
    std::atomic<uint16_t> height_{0};
    mutable std::mutex mutex_;
    std::condition_variable consumed_;
    std::vector<uint64_t> sequences_;  // guarded by mutex_
    std::vector<Received> received_;   // guarded by mutex_
};

}  // namespace orva::test
