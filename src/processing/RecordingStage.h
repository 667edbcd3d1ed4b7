#pragma once
// Hands each frame to the attached recording writer and keeps the recording's read-outs:
// the summary of what reached the file, the camera's skipped frames, the first and last
// frame times, and a write failure. A stop request is carried out at the next frame.
//
// Threads: Attach, RequestStop and the read-outs from any thread (atomic or locked);
// Process, and with it every writer call until the writer is detached, on the frame
// path's thread. Release only while no frame can reach the stage.

#include "processing/IFrameStage.h"
#include "processing/IRecordingSink.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace orva {

// The first and last frame times of a recording, in milliseconds of the stream's
// monotonic clock. The first stays -1 until the first frame of the recording arrived.
struct RecordingFrameTimes {
    std::atomic<int64_t> firstFrameMs{-1};
    std::atomic<int64_t> lastFrameMs{-1};
};

// One end of a recording as the recording's report keeps it.
struct RecordingEndpoint {
    int64_t fileTime = -1;  // platform file time; -1 while unset
    uint8_t timeFlag = 0;
    uint16_t accuracyM = 0;  // 0 without a usable position
};

struct RecordingSummary {
    int32_t recordedFrames = 0;
    RecordingEndpoint start;
    RecordingEndpoint end;
    std::string formatDescription;
    // Frames with a usable position, and the sums of their position accuracy and height
    // (whole metres), latitude and longitude (1e-7 degrees).
    int32_t gpsCount = 0;
    int64_t accuracySumM = 0;
    int64_t heightSumM = 0;
    int64_t latitudeSum = 0;
    int64_t longitudeSum = 0;
};

class RecordingStage final : public IFrameStage {
public:
    // The missed-frame list stops growing here, so that a corrupt frame number cannot
    // exhaust memory.
    static constexpr std::size_t kMaxMissedFrameListEntries = 100000;

    bool Process(CameraFrame& frame) override;

    // Takes a started writer (false while one is attached) and resets the read-outs.
    bool Attach(IRecordingSink* writer);
    void RequestStop() { stopRequested_ = true; }
    bool IsAttached() const { return writer_.load() != nullptr; }
    IRecordingSink* Release() {
        stopRequested_ = false;
        return writer_.exchange(nullptr);
    }
    std::optional<std::string> TakeFailure();

    RecordingFrameTimes* ActiveRecording() { return writer_.load() != nullptr ? &frameTimes_ : nullptr; }
    const RecordingFrameTimes& FrameTimes() const { return frameTimes_; }
    RecordingSummary Summary() const;
    std::vector<int32_t> MissedFrameList() const;

private:
    void Record(IRecordingSink& writer, const CameraFrame& frame);
    void DetachFailedWriter(IRecordingSink& writer);

    std::atomic<IRecordingSink*> writer_{nullptr};
    std::atomic<bool> stopRequested_{false};
    RecordingFrameTimes frameTimes_;
    int32_t lastFrameNumber_ = 0;  // of the frame before, recorded or not
    mutable std::mutex mutex_;  // guards the three below
    RecordingSummary summary_;
    std::vector<int32_t> missedFrames_;
    std::optional<std::string> failure_;
};

}  // namespace orva
