#pragma once
// What the frame processor needs of a running recording: the recording writers implement
// it, so the frame path reaches them without depending on the recording library.
//
// Threads: once a recording has been started (on the GUI thread) and handed over, only
// the frame processor's thread calls these operations, the last of them StopRecording.

#include "stream/CameraFrame.h"

#include <cstdint>
#include <string>

namespace orva {

class IRecordingSink {
public:
    virtual ~IRecordingSink() = default;

    // Format and depth, e.g. "SER 16-bit".
    virtual std::string GetFormatDescription() const = 0;
    // Frames written since the recording started.
    virtual int32_t GetFrameCount() const = 0;
    // Writes one frame: its pixels (width x height 16-bit samples, top row first), its
    // exposure start and end and its timing record. False when the frame was not written:
    // no recording is running or a write failed (then or earlier).
    virtual bool AddFrame(const CameraFrame& frame) = 0;
    // Completes and closes the files. False when the recording failed to write.
    virtual bool StopRecording() = 0;
    // After a write failure the recording has stopped writing; the message tells the user
    // which file failed and why.
    virtual bool HasFailed() const = 0;
    virtual std::string FailureMessage() const = 0;
};

}  // namespace orva
