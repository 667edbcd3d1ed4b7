#pragma once
// Stands between the frame processor and the recording writer: passes every n-th frame
// on, keeps to a window of frame time, and ends the recording after a number of written
// frames or once the frames' time stamps have covered a duration. Frames past the end are not written; the gate asks for
// the stop, which the frame processor carries out at its next frame.
//
// Threads: Reset on the GUI thread while the gate is not attached; the IRecordingSink
// operations on the frame processor's thread; the read-outs (atomic) from any thread.

#include "processing/IRecordingSink.h"

#include <atomic>
#include <cstdint>
#include <functional>

namespace orva {

struct RecordingGateOptions {
    int32_t frameInterval = 1;   // every n-th frame; values below 1 count as 1
    int64_t frameLimit = 0;      // 0: no limit
    uint64_t durationTicks = 0;  // 100-ns ticks of exposure starts after the first frame; 0: no limit
    // A window of frame time (exposure starts, 100-ns ticks since 0001-01-01 UTC; 0: open):
    // frames before it are passed over, the first frame at or after its end ends the
    // recording. A frame without a time stamp (0) cannot be placed and is written.
    uint64_t windowStartTicks = 0;
    uint64_t windowEndTicks = 0;
};

class RecordingFrameGate final : public IRecordingSink {
public:
    // `onLimitReached` runs once, on the frame processor's thread, when the recording is
    // complete; it must only request the stop.
    void Reset(IRecordingSink& writer, const RecordingGateOptions& options, std::function<void()> onLimitReached);

    std::string GetFormatDescription() const override { return writer_->GetFormatDescription(); }
    int32_t GetFrameCount() const override { return writer_->GetFrameCount(); }
    bool AddFrame(const CameraFrame& frame) override;
    bool StopRecording() override { return writer_->StopRecording(); }
    bool HasFailed() const override { return writer_->HasFailed(); }
    std::string FailureMessage() const override { return writer_->FailureMessage(); }

    // Read-outs.
    int64_t FramesWritten() const { return framesWritten_.load(); }
    uint64_t BytesWritten() const { return bytesWritten_.load(); }
    bool LimitReached() const { return limitReached_.load(); }

private:
    void ReachLimit();

    IRecordingSink* writer_ = nullptr;
    RecordingGateOptions options_;
    std::function<void()> onLimitReached_;
    int64_t framesOffered_ = 0;
    uint64_t firstTimestamp_ = 0;
    std::atomic<int64_t> framesWritten_{0};
    std::atomic<uint64_t> bytesWritten_{0};
    std::atomic<bool> limitReached_{false};
};

}  // namespace orva
