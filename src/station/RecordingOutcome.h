#pragma once
// Why a recording ended, as its session reports it.

#include <string>

namespace orva {

enum class RecordingOutcome {
    Running,          // not ended yet
    FrameLimit,       // the requested number of frames is in the file
    DurationReached,  // the frames cover the requested time
    StoppedByUser,
    WriteFailed,      // a write failed (full disk, removed drive): what was written is kept
    CameraLost,       // the camera's link was lost and could not be recovered
    NoFrames,         // no frame came for much longer than asked: the safety stop
    DiskSpaceLow,     // stopped while the disk still had room to close the file
};

// "stopped by the user", "the camera's link was lost and could not be recovered", ...;
// empty for Running.
std::string RecordingOutcomeText(RecordingOutcome outcome);
// The recording ended as asked (limit, duration or the user).
bool IsCompleteOutcome(RecordingOutcome outcome);

}  // namespace orva
