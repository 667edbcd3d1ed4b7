#include "station/StationPlateSolvingCapture.h"

#include "common/Log.h"
#include "station/FitsCaptureModel.h"
#include "station/Station.h"

#include <cmath>

namespace orva {

StationPlateSolvingCapture::StationPlateSolvingCapture(Station& station, std::chrono::milliseconds startWait)
    : station_(station),
      bridge_({[this] { return Start(); },
               [this](const std::string& path) { return station_.IsFitsFileCompleted(path); }},
              FitsCaptureModel::kLightFrames, startWait) {}

StationPlateSolvingCapture::~StationPlateSolvingCapture() {
    if (!path_.empty()) job_.state = FitsJobState::CancelRequested;
}

std::optional<std::string> StationPlateSolvingCapture::Start() {
    if (!station_.IsConnected() || !station_.IsStreaming()) {
        LogMessage("E StationPlateSolvingCapture: the camera is not streaming");
        return std::nullopt;
    }
    // The frame processor takes one capture at a time; one still running (its worker gave
    // up waiting) keeps the job, and this request fails.
    if (!path_.empty()) {
        LogMessage("E StationPlateSolvingCapture: a capture is still running");
        return std::nullopt;
    }
    const auto path = station_.PrepareCapturePath('P');
    if (!path) return std::nullopt;
    job_.kind = FitsFrameKind::Light;
    job_.framesToAverage = FitsCaptureModel::kLightFrames;
    job_.framesAccumulated = 0;
    job_.state = FitsJobState::Running;
    job_.started = false;
    if (!station_.StartFitsCapture(job_, *path)) {
        LogMessage("E StationPlateSolvingCapture: the capture could not be started");
        return std::nullopt;
    }
    job_.started = true;
    path_ = *path;
    return path;
}

void StationPlateSolvingCapture::Step() {
    if (!path_.empty()) {
        const FitsJobState state = job_.state.load();
        if (state == FitsJobState::Failed) {
            LogMessageString("E StationPlateSolvingCapture: ",
                             station_.TakeCaptureFailure().value_or("the FITS file could not be written"));
            path_.clear();
        } else if (state == FitsJobState::Cancelled || station_.IsFitsFileCompleted(path_)) {
            path_.clear();
        } else if (!station_.IsStreaming()) {
            // Nothing will come; the frame processor drops the job at its next frame.
            job_.state = FitsJobState::CancelRequested;
            path_.clear();
        }
    }
    bridge_.SetFrameTime(std::chrono::microseconds(std::llround(station_.CameraSettings().exposureMs * 1000.0)));
    bridge_.Step();
}

}  // namespace orva
