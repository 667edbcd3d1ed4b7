#pragma once
// What the stream worker's consumer thread needs of the frame processor.
//
// Threads: the consumer thread calls every operation; the processor's other users (the
// GUI thread) may set the suspended flag and attach recordings at any time, so
// IsSuspended and ActiveRecording must be safe against that. The processor must stay
// alive while it is set on the stream (clear it, or stop streaming, before destroying it).

#include <atomic>
#include <cstdint>

namespace orva {

// The first and last frame times of a recording, in milliseconds of the stream's
// monotonic clock. The first stays -1 until the first frame of the recording arrived.
struct RecordingFrameTimes {
    std::atomic<int64_t> firstFrameMs{-1};
    std::atomic<int64_t> lastFrameMs{-1};
};

class IStreamFrameConsumer {
public:
    virtual ~IStreamFrameConsumer() = default;
    // A suspended processor gets no frames.
    virtual bool IsSuspended() const = 0;
    // The size of the frame that follows; set before every frame.
    virtual void SetFrameSize(uint16_t width, uint16_t height) = 0;
    // The frame times of the attached recording while its writer is recording, else null.
    virtual RecordingFrameTimes* ActiveRecording() = 0;
    // One frame of width × height × 2 bytes, valid during the call only.
    virtual void ConsumeFrame(const uint8_t* data) = 0;
};

}  // namespace orva
