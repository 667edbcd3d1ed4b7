#pragma once
// What the frame processor needs of a running recording: the recording writers implement
// it, so the frame path reaches them without depending on the recording library.
//
// Threads: once a recording has been started (on the GUI thread) and handed over, only
// the frame processor's thread calls these operations, the last of them StopRecording.

#include "processing/BinaryOverlay.h"

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
    // Writes one frame: pixels are width x height 16-bit samples, top row first;
    // timestamp is the exposure start in 100-ns ticks since 0001-01-01 UTC. False when
    // the frame was not written: no recording is running or a write failed (then or
    // earlier).
    virtual bool AddFrame(const uint16_t* pixels, uint64_t byteCount, uint64_t timestamp,
                          const BinaryOverlay& overlay) = 0;
    // Completes and closes the files. False when the recording failed to write.
    virtual bool StopRecording() = 0;
    // After a write failure the recording has stopped writing; the message tells the user
    // which file failed and why.
    virtual bool HasFailed() const = 0;
    virtual std::string FailureMessage() const = 0;
};

}  // namespace orva
