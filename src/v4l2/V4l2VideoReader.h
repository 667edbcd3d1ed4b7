#pragma once
// The camera's asynchronous reader over V4L2: the native media types (V4l2FormatList),
// the format and frame interval set on the device (VIDIOC_S_FMT, VIDIOC_S_PARM), the
// stream selected by starting memory-mapped streaming (V4l2BufferSet) and deselected by
// stopping it, and one frame per request dequeued (VIDIOC_DQBUF) by a delivery thread of
// its own. Each frame keeps the driver's sequence number and time stamp; a frame that
// does not follow its predecessor's sequence number (the driver dropped frames, or one
// was corrupt) is marked as a discontinuity. A failed dequeue ends the stream: the
// request completes with the error flag, and a camera that left the bus (ENODEV) is
// reported as removed.
//
// Threads: operations are safe from any thread, also from inside a callback. Callbacks
// come from the delivery thread, never from inside the call that caused them. Destroying
// the reader does not wait for that thread: it stops at its next wake-up (at most one
// poll slice later), and no callback starts after the destructor returned.

#include "stream/VideoSource.h"
#include "v4l2/V4l2DeviceHandle.h"

#include <functional>
#include <memory>

namespace orva {

struct V4l2ReaderOptions {
    // Capture buffers to ask for: the stream's queue (7), the frame being processed, and
    // two the driver fills meanwhile, so that the fastest mode loses nothing.
    uint32_t bufferCount = 10;
    // How long the delivery thread waits in the kernel before it looks at its requests
    // again.
    int pollSliceMs = 50;
    // Called once (on the delivery thread) when a dequeue reports the camera gone.
    std::function<void()> onDeviceGone;
};

class V4l2VideoReader final : public IVideoReader {
public:
    V4l2VideoReader(std::shared_ptr<V4l2DeviceHandle> device, std::shared_ptr<IVideoReaderCallback> callback,
                    V4l2ReaderOptions options);
    ~V4l2VideoReader() override;
    V4l2VideoReader(const V4l2VideoReader&) = delete;
    V4l2VideoReader& operator=(const V4l2VideoReader&) = delete;

    int32_t GetNativeMediaType(uint32_t index, VideoMediaType& type) override;
    int32_t SetCurrentMediaType(const VideoMediaType& type) override;
    int32_t GetStreamSelection(bool& selected) override;
    int32_t SetStreamSelection(bool selected) override;
    int32_t ReadSample() override;
    int32_t Flush() override;

private:
    struct Shared;
    static void Deliver(std::shared_ptr<Shared> shared);

    std::shared_ptr<Shared> shared_;
};

}  // namespace orva
