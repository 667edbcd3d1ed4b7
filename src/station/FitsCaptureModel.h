#pragma once
// Single FITS captures from the main window: a light frame, an averaged dark or flat
// frame (through its dialog), and the plate-solving image. Around a capture the camera's
// overlay is switched to the dark record (none for the plate-solving image) and the PC
// time and 1PPS marker are switched off, so that nothing is burnt into the image; the
// panel's choices come back when the capture ends, however it ends.
//
//   Capture -> (dark/flat: the dialog counts down, then asks to start) -> start requested
//   Step    -> active: the frame processor averages the frames
//   Step    -> done when the file is written, the capture failed or was cancelled, or
//              the stream stopped under it; the dialog closes, the controls are restored
//              and a failure is shown.
//
// Threads: GUI thread only. The job is shared with the frame processor's thread through
// its atomics; the frame processor may hold it until its next frame, so the model lives
// as long as the station's frame path (the main window's life).

#include "common/Clock.h"
#include "processing/FitsRecordingJob.h"
#include "station/DarkFlatDialogModel.h"

#include <memory>
#include <optional>
#include <string>

namespace orva {

class CameraPanelModel;
class Station;

class FitsCaptureModel {
public:
    enum class Result { None, Written, Failed, Cancelled };

    static constexpr int kLightFrames = 4;

    FitsCaptureModel(Station& station, CameraPanelModel& panel, Clock& clock);
    ~FitsCaptureModel();

    // A light frame needs a streaming camera; dark and flat frames also no open dialog.
    bool CanCapture(char kind) const;
    // kind 0 (light frame), 'D', 'F' or 'P'. False when nothing started (a message said
    // why where there is one).
    bool Capture(char kind);
    // The status timer's step; also steps the dialog's timer.
    void Step();

    // The open dark/flat dialog, null when none.
    DarkFlatDialogModel* Dialog() { return dialog_.get(); }
    bool Busy() const { return busy_; }
    const std::string& Path() const { return path_; }
    Result LastResult() const { return result_; }

private:
    void Complete(Result result, const std::string& failure);

    Station& station_;
    CameraPanelModel& panel_;
    Clock& clock_;
    FitsRecordingJob job_;
    std::unique_ptr<DarkFlatDialogModel> dialog_;
    std::string path_;
    bool busy_ = false;
    bool active_ = false;
    bool startRequested_ = false;
    int savedOverlay_ = 0;
    bool savedPcTime_ = false;
    bool savedPps_ = false;
    Result result_ = Result::None;
};

}  // namespace orva
