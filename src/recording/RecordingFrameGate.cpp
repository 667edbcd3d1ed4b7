#include "recording/RecordingFrameGate.h"

#include <algorithm>

namespace orva {

void RecordingFrameGate::Reset(IRecordingSink& writer, const RecordingGateOptions& options,
                               std::function<void()> onLimitReached) {
    writer_ = &writer;
    options_ = options;
    options_.frameInterval = std::max(options.frameInterval, 1);
    onLimitReached_ = std::move(onLimitReached);
    framesOffered_ = 0;
    firstTimestamp_ = 0;
    framesWritten_ = 0;
    bytesWritten_ = 0;
    limitReached_ = false;
}

bool RecordingFrameGate::AddFrame(const CameraFrame& frame) {
    const uint64_t timestamp = frame.startTicks;
    if (limitReached_.load()) return true;
    if (timestamp != 0 && options_.windowEndTicks != 0 && timestamp >= options_.windowEndTicks) {
        ReachLimit();
        return true;
    }
    if (timestamp != 0 && timestamp < options_.windowStartTicks) return true;
    const bool take = framesOffered_ % options_.frameInterval == 0;
    ++framesOffered_;
    if (!take) return true;
    if (options_.durationTicks != 0) {
        if (framesWritten_.load() == 0) {
            firstTimestamp_ = timestamp;
        } else if (timestamp >= firstTimestamp_ && timestamp - firstTimestamp_ >= options_.durationTicks) {
            ReachLimit();
            return true;
        }
    }
    // A frame the writer refused (a wrong size) does not count.
    const int32_t before = writer_->GetFrameCount();
    const bool written = writer_->AddFrame(frame);
    if (written && writer_->GetFrameCount() > before) {
        bytesWritten_ += frame.PixelBytes();
        const int64_t count = ++framesWritten_;
        if (options_.frameLimit > 0 && count >= options_.frameLimit) ReachLimit();
    }
    return written;
}

void RecordingFrameGate::ReachLimit() {
    if (limitReached_.exchange(true)) return;
    if (onLimitReached_) onLimitReached_();
}

}  // namespace orva
