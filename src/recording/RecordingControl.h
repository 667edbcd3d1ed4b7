#pragma once
// Starting and stopping recordings, as the main window's record commands and the
// headless station do it:
//
//   PrepareRecording: refuses while a recording runs ("Already recording"), does nothing
//   without a streaming camera, checks the format's folder (a message names a missing
//   one), makes the FITS sequence's own sub-folder and names the recording and its GPS
//   status CSV. The caller then opens its concrete writer with those names.
//   StartRecording: the camera's recording marker (SetRecording on), the ADV object
//   name, the writer's StartRecording, and the hand-over to the frame processor through
//   the frame gate (every n-th frame, optional end after frames or a duration).
//   StopRecording: asks the frame processor to stop the writer at its next frame and
//   clears the camera's recording marker.
//
// PrepareCapturePath names single FITS captures (light, dark, flat, plate-solving image)
// in their folders and claims the name with an empty file. No name is ever taken twice: a
// recording, its CSV, a capture or a FITS sequence folder whose name exists gets "_2",
// "_3", ... (the writers number recordings and CSV files when they create them).
//
// Threads: GUI thread only. The gate is handed to the frame processor's thread with the
// writer; see RecordingFrameGate.

#include "common/IUiServices.h"
#include "common/Settings.h"
#include "common/UtcTime.h"
#include "processing/FrameProcessor.h"
#include "recording/BaseWriter.h"
#include "recording/RecordingFileName.h"
#include "recording/RecordingCameraSnapshot.h"
#include "recording/RecordingFrameGate.h"

#include <optional>
#include <string>

namespace orva {

class CameraExtensionUnit;

enum class RecordingFormat { Ser, Adv, FitsSequence };

// The active camera as the main window knows it.
struct RecordingCamera {
    bool connected = false;
    bool streaming = false;
    std::optional<RecordingCameraSnapshot> snapshot;  // for the writers' headers; none when unknown
    CameraExtensionUnit* extensionUnit = nullptr;  // null: the camera cannot be reached
    int width = 0;
    int height = 0;
    std::string gainText;      // the "Gain" box
    std::string exposureText;  // the "Exp (ms)" field
};

struct RecordingTarget {
    std::string recordingPath;  // for FITS sequences the template with "[FRAMENR]"
    std::string statusCsvPath;  // empty when CreateStatusCsvFile is not "TRUE"
};

class RecordingControl {
public:
    RecordingControl(const Settings& settings, FrameProcessor& processor, IUiServices& ui,
                     UtcDateTime (*utcNow)() = &UtcNow);

    std::optional<RecordingTarget> PrepareRecording(RecordingFormat format, const RecordingCamera& camera);
    // `objectName` is given to ADV recordings only. False when nothing was started (the
    // camera could not be reached, or the writer could not start; both logged).
    bool StartRecording(BaseWriter& writer, const RecordingCamera& camera, const std::optional<std::string>& objectName,
                        const RecordingGateOptions& gate = {});
    void StopRecording(const RecordingCamera& camera);

    // kind 0 (light frame), 'D', 'F' or 'P': the path of the claimed (empty) file. Empty
    // when the folder does not exist or the file cannot be created (the message is shown).
    std::optional<std::string> PrepareCapturePath(char kind, const RecordingCamera& camera);

    // Set by StopRecording; the caller clears it once the frame processor let the writer go.
    bool StopPending() const { return stopPending_; }
    void ClearStopPending() { stopPending_ = false; }
    const RecordingFrameGate& Gate() const { return gate_; }

private:
    RecordingNameParts NameParts(const RecordingCamera& camera) const;

    const Settings& settings_;
    FrameProcessor& processor_;
    IUiServices& ui_;
    UtcDateTime (*utcNow_)();
    RecordingFrameGate gate_;
    bool stopPending_ = false;
};

}  // namespace orva
