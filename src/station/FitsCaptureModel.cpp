#include "station/FitsCaptureModel.h"

#include "station/CameraPanelModel.h"
#include "station/Station.h"

namespace orva {

FitsCaptureModel::FitsCaptureModel(Station& station, CameraPanelModel& panel, Clock& clock)
    : station_(station), panel_(panel), clock_(clock) {}

FitsCaptureModel::~FitsCaptureModel() {
    if (busy_) job_.state = FitsJobState::CancelRequested;
}

bool FitsCaptureModel::CanCapture(char kind) const {
    const bool streaming = station_.IsConnected() && station_.IsStreaming();
    if (kind == 'D' || kind == 'F') return streaming && dialog_ == nullptr && !busy_;
    return streaming && !busy_;
}

bool FitsCaptureModel::Capture(char kind) {
    if (!CanCapture(kind)) return false;
    const auto path = station_.PrepareCapturePath(kind);
    if (!path) return false;
    path_ = *path;
    job_.kind = FitsRecordingJob::KindOfLetter(kind);

    const CameraPanelState& panel = panel_.State();
    savedOverlay_ = panel.overlayIndex;
    savedPcTime_ = panel.pcTime;
    savedPps_ = panel.pps;
    panel_.SelectOverlay(kind == 'P' ? 0 : 1);
    panel_.SetPcTime(false);
    panel_.SetPps(false);

    active_ = false;
    startRequested_ = false;
    job_.started = false;
    job_.state = FitsJobState::Running;
    const bool darkOrFlat = kind == 'D' || kind == 'F';
    job_.framesToAverage = darkOrFlat ? DarkFlatDialogModel::kDefaultFrames : kLightFrames;
    job_.framesAccumulated = 0;
    result_ = Result::None;
    busy_ = true;
    if (!station_.StartFitsCapture(job_, path_)) {
        Complete(Result::Failed, "The capture could not be started.");
        return false;
    }
    if (darkOrFlat) {
        dialog_ = std::make_unique<DarkFlatDialogModel>(kind, station_.GetSettings().DarkFlatDelaySeconds, job_,
                                                        station_.Ui(), clock_, [this] { startRequested_ = true; });
    } else {
        startRequested_ = true;
    }
    return true;
}

void FitsCaptureModel::Step() {
    if (!busy_) return;
    if (dialog_) dialog_->Step();
    if (!active_ && startRequested_) {
        startRequested_ = false;
        active_ = true;
        job_.started = true;
        if (dialog_) dialog_->SetJobActive(true);
    }
    const FitsJobState state = job_.state.load();
    if (station_.IsFitsFileCompleted(path_)) {
        Complete(Result::Written, {});
    } else if (state == FitsJobState::Failed) {
        Complete(Result::Failed, station_.TakeCaptureFailure().value_or("The FITS file could not be written."));
    } else if (state == FitsJobState::Cancelled) {
        Complete(Result::Cancelled, {});
    } else if (state == FitsJobState::CancelRequested && !active_) {
        // Cancelled before it started: the frame processor never counts for it.
        Complete(Result::Cancelled, {});
    } else if (!station_.IsStreaming()) {
        Complete(Result::Failed, "The camera stopped streaming.");
    }
}

void FitsCaptureModel::Complete(Result result, const std::string& failure) {
    // Whatever the frame processor still holds of this capture drops it at its next frame.
    if (result != Result::Written && result != Result::Cancelled) job_.state = FitsJobState::CancelRequested;
    active_ = false;
    startRequested_ = false;
    busy_ = false;
    dialog_.reset();
    result_ = result;
    panel_.SelectOverlay(savedOverlay_);
    panel_.SetPcTime(savedPcTime_);
    panel_.SetPps(savedPps_);
    if (result == Result::Failed) {
        station_.Ui().ShowMessage("Error", "The FITS capture failed: " + failure, MessageIcon::Error);
    }
}

}  // namespace orva
