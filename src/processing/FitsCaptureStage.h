#pragma once
// FITS captures from the frame path: one frame as it is (no job), or the average of a
// job's frames (darks, flats, lights), written through the capture's sink.
//
// Threads: Start, IsFileCompleted and TakeFailure from any thread; the capture itself on
// the frame path's thread. A started capture is handed over atomically and taken by the
// next frame; the results are locked.

#include "processing/AlignedBuffer.h"
#include "processing/FitsRecordingJob.h"
#include "processing/FrameAverager.h"
#include "processing/IFitsCaptureSink.h"
#include "processing/IFrameStage.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace orva {

class FitsCaptureStage final : public IFrameStage {
public:
    explicit FitsCaptureStage(std::size_t maxPixels);
    ~FitsCaptureStage() override;
    FitsCaptureStage(const FitsCaptureStage&) = delete;
    FitsCaptureStage& operator=(const FitsCaptureStage&) = delete;

    bool Process(CameraFrame& frame) override;

    // The job stays the caller's and must outlive the capture. False for a missing sink
    // or a job asking for 0 or more than FrameAverager::kMaxFrames frames.
    bool Start(FitsRecordingJob* job, std::unique_ptr<IFitsCaptureSink> sink);
    bool IsFileCompleted(const std::string& fileName) const;
    std::optional<std::string> TakeFailure();

private:
    struct Capture {
        FitsRecordingJob* job = nullptr;
        std::unique_ptr<IFitsCaptureSink> sink;
        bool headerWritten = false;
        int width = 0;
        int height = 0;
    };

    void Finish(bool written, const std::string& fileName, const std::string& failure);

    std::atomic<Capture*> pending_{nullptr};  // owned; taken by the frame path
    std::unique_ptr<Capture> capture_;         // the frame path's
    FrameAverager averager_;
    AlignedBuffer<uint16_t> averageImage_;
    mutable std::mutex mutex_;  // guards the two below
    std::map<std::string, int> completedFiles_;
    std::optional<std::string> failure_;
};

}  // namespace orva
