#include "station/RecordingOutcome.h"

namespace orva {

std::string RecordingOutcomeText(RecordingOutcome outcome) {
    switch (outcome) {
        case RecordingOutcome::Running: return "";
        case RecordingOutcome::FrameLimit: return "all frames recorded";
        case RecordingOutcome::DurationReached: return "the duration is recorded";
        case RecordingOutcome::StoppedByUser: return "stopped by the user";
        case RecordingOutcome::WriteFailed: return "a write failed";
        case RecordingOutcome::CameraLost: return "the camera's link was lost and could not be recovered";
        case RecordingOutcome::NoFrames: return "no frames came for the requested duration";
        case RecordingOutcome::DiskSpaceLow: return "the disk is nearly full";
    }
    return "";
}

bool IsCompleteOutcome(RecordingOutcome outcome) {
    return outcome == RecordingOutcome::FrameLimit || outcome == RecordingOutcome::DurationReached ||
           outcome == RecordingOutcome::StoppedByUser;
}

}  // namespace orva
