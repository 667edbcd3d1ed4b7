#include "processing/RecordingStage.h"

#include "common/Log.h"
#include "processing/FrameTimestamp.h"

namespace orva {
namespace {

RecordingEndpoint EndpointOf(const CalendarTime& time, const BinaryOverlay& o) {
    RecordingEndpoint e;
    e.fileTime = FileTimeOf(time);
    e.timeFlag = o.TimeFlag;
    e.accuracyM = (o.FixState & 1) ? o.AccuracyM : 0;
    return e;
}

}  // namespace

bool RecordingStage::Attach(IRecordingSink* writer) {
    if (writer == nullptr || writer_.load() != nullptr) return false;
    {
        std::lock_guard lock(mutex_);
        summary_ = RecordingSummary{};
        missedFrames_.clear();
        failure_.reset();
    }
    frameTimes_.firstFrameMs = -1;
    frameTimes_.lastFrameMs = -1;
    stopRequested_ = false;  // a request left from before belongs to no recording
    writer_.store(writer);
    return true;
}

std::optional<std::string> RecordingStage::TakeFailure() {
    std::lock_guard lock(mutex_);
    std::optional<std::string> failure = std::move(failure_);
    failure_.reset();
    return failure;
}

RecordingSummary RecordingStage::Summary() const {
    std::lock_guard lock(mutex_);
    return summary_;
}

std::vector<int32_t> RecordingStage::MissedFrameList() const {
    std::lock_guard lock(mutex_);
    return missedFrames_;
}

bool RecordingStage::Process(CameraFrame& frame) {
    // The frame that carries out a stop still counts towards the recording's time span.
    if (writer_.load() != nullptr) {
        if (frameTimes_.firstFrameMs.load() < 0) frameTimes_.firstFrameMs.store(frame.receivedMs);
        frameTimes_.lastFrameMs.store(frame.receivedMs);
    }
    if (stopRequested_.exchange(false)) {
        if (IRecordingSink* writer = writer_.load()) {
            if (!writer->StopRecording() && writer->HasFailed()) {
                std::lock_guard lock(mutex_);
                failure_ = writer->FailureMessage();
            }
            writer_ = nullptr;
        }
    }
    if (IRecordingSink* writer = writer_.load()) Record(*writer, frame);
    lastFrameNumber_ = frame.timing.FrameNr;
    return true;
}

void RecordingStage::Record(IRecordingSink& writer, const CameraFrame& frame) {
    const BinaryOverlay& o = frame.timing;
    const int32_t before = writer.GetFrameCount();
    const bool ok = writer.AddFrame(frame) && !writer.HasFailed();
    // The read-outs count only what reached the file: a frame the gate passes over (every
    // n-th frame, past the end of a timed recording) or the writer refuses is not recorded.
    {
        std::lock_guard lock(mutex_);
        // Frames the camera skipped since the last frame seen, once the recording has begun.
        for (int64_t n = int64_t{lastFrameNumber_} + 1;
             before > 0 && n < o.FrameNr && missedFrames_.size() < kMaxMissedFrameListEntries; ++n) {
            missedFrames_.push_back(static_cast<int32_t>(n));
        }
        if (writer.GetFrameCount() > before) {
            if (before == 0) {
                summary_.recordedFrames = 1;
                missedFrames_.clear();
                summary_.start = EndpointOf(o.FromTime, o);
                summary_.formatDescription = writer.GetFormatDescription();
            } else {
                ++summary_.recordedFrames;
            }
            summary_.end = EndpointOf(o.ToTime, o);
            if (o.FixState & 1) {
                ++summary_.gpsCount;
                summary_.accuracySumM += o.AccuracyM;
                summary_.heightSumM += (int64_t{o.HeightMm} + 500) / 1000;
                summary_.latitudeSum += o.Lat;
                summary_.longitudeSum += o.Lon;
            }
        }
    }
    if (!ok) DetachFailedWriter(writer);
}

void RecordingStage::DetachFailedWriter(IRecordingSink& writer) {
    // The writer has logged the cause; it stops writing, and the frames go on.
    writer.StopRecording();
    writer_ = nullptr;
    std::string message = writer.FailureMessage();
    if (message.empty()) message = "the writer is not recording";
    LogMessageString("E ConsumeFrame: recording stopped after a write failure:", message);
    std::lock_guard lock(mutex_);
    failure_ = message;
}

}  // namespace orva
