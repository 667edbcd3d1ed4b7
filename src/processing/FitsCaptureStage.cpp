#include "processing/FitsCaptureStage.h"

#include "common/Log.h"

#include <exception>

namespace orva {

FitsCaptureStage::FitsCaptureStage(std::size_t maxPixels) : averager_(maxPixels), averageImage_(maxPixels) {}

FitsCaptureStage::~FitsCaptureStage() { delete pending_.exchange(nullptr); }

bool FitsCaptureStage::Start(FitsRecordingJob* job, std::unique_ptr<IFitsCaptureSink> sink) {
    if (sink == nullptr) return false;
    if (job != nullptr) {
        const int32_t frames = job->framesToAverage.load();
        if (frames < 1 || frames > FrameAverager::kMaxFrames) return false;
        job->framesAccumulated = 0;
        job->state = FitsJobState::Running;
    }
    {
        // A file of this name written earlier (and removed since) does not complete this one.
        std::lock_guard lock(mutex_);
        completedFiles_.erase(sink->GetFileName());
    }
    auto* capture = new Capture{job, std::move(sink)};
    // A capture that the frame path has not taken yet is replaced.
    delete pending_.exchange(capture);
    return true;
}

bool FitsCaptureStage::IsFileCompleted(const std::string& fileName) const {
    std::lock_guard lock(mutex_);
    const auto it = completedFiles_.find(fileName);
    return it != completedFiles_.end() && it->second == 1;
}

std::optional<std::string> FitsCaptureStage::TakeFailure() {
    std::lock_guard lock(mutex_);
    std::optional<std::string> failure = std::move(failure_);
    failure_.reset();
    return failure;
}

bool FitsCaptureStage::Process(CameraFrame& frame) {
    if (Capture* incoming = pending_.exchange(nullptr)) capture_.reset(incoming);
    if (capture_ == nullptr) return true;
    Capture& capture = *capture_;
    IFitsCaptureSink& sink = *capture.sink;
    const int width = frame.width;
    const int height = frame.height;

    if (capture.job == nullptr) {
        const std::string fileName = sink.GetFileName();
        try {
            // The header is filled with the size of the frame actually written.
            sink.FillStaticHeader(width, height);
            sink.WriteDynamicHeader(frame.timing);
            sink.WriteFile(frame.pixels);
            Finish(true, fileName, {});
        } catch (const std::exception& e) {
            Finish(false, fileName, e.what());
        }
        return true;
    }

    FitsRecordingJob& job = *capture.job;
    if (!job.started) return true;
    if (job.state == FitsJobState::CancelRequested) {
        job.state = FitsJobState::Cancelled;
        capture_.reset();
        return true;
    }
    const int32_t wanted = job.framesToAverage;
    try {
        if (!capture.headerWritten) {
            sink.FillStaticHeader(width, height);
            sink.WriteDynamicHeader(frame.timing);
            const FitsFrameKind kind = job.kind;
            if (kind == FitsFrameKind::Dark || kind == FitsFrameKind::Flat) {
                sink.SetHeaderValue("IMAGETYP", kind == FitsFrameKind::Dark ? "Dark Frame" : "Flat Frame");
                sink.SetHeaderValue("HISTORY", "AVG_" + std::to_string(wanted));
            } else {
                sink.SetHeaderValue("IMAGETYP", "Light Frame");
            }
            capture.headerWritten = true;
            capture.width = width;
            capture.height = height;
            averager_.Start(frame.PixelCount());
        }
        if (width != capture.width || height != capture.height) {
            job.state = FitsJobState::Failed;
            Finish(false, sink.GetFileName(), "The frame size changed during the capture.");
            return true;
        }
        averager_.Add(frame.pixels);
        job.framesAccumulated = averager_.Count();
        if (averager_.Count() < wanted) return true;
        averager_.Average(averageImage_.Data());
        const std::string fileName = sink.GetFileName();
        sink.WriteFile(averageImage_.Data());
        Finish(true, fileName, {});
    } catch (const std::exception& e) {
        job.state = FitsJobState::Failed;
        Finish(false, sink.GetFileName(), e.what());
    }
    return true;
}

void FitsCaptureStage::Finish(bool written, const std::string& fileName, const std::string& failure) {
    capture_.reset();
    std::lock_guard lock(mutex_);
    if (written) {
        completedFiles_[fileName] = 1;
        return;
    }
    LogMessageString("E ConsumeFrame: FITS capture failed:", fileName + ": " + failure);
    failure_ = failure;
}

}  // namespace orva
