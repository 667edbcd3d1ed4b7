#pragma once
// The frame path's first stage: takes the raw frame into the working image (unpacking
// 12-bit packed rows, measuring the image statistics on the worker pool), decodes the
// timing record of the last row, feeds the camera status and writes the minute's GPS log
// line. Frames the buffers cannot hold are rejected with one log line per size.
//
// The stage sends the camera nothing: a command could stall the frame path behind the
// camera's control channel. What the frames show the camera needs, the station's tick
// sends (SendCameraCommands).
//
// Threads: as IFrameStage; SendCameraCommands on the station's (GUI) thread; the
// read-outs are atomic.

#include "processing/AlignedBuffer.h"
#include "processing/FrameWorkerPool.h"
#include "processing/IFrameCamera.h"
#include "processing/IFrameStage.h"

#include <atomic>
#include <cstdint>

namespace orva {

class GpsLog;

class FrameUnpackStage final : public IFrameStage {
public:
    // Buffer limits: frames beyond them are rejected with a log line.
    static constexpr int64_t kMaxPixels = 16777216;
    static constexpr int kMaxRows = 4096;

    FrameUnpackStage(FrameWorkerPool& pool, IFrameCameraProvider* cameras, GpsLog& gpsLog);

    bool Process(CameraFrame& frame) override;

    void SetUseTimeResolution100us(bool on) { useTimeResolution100us_ = on; }
    // Switches the camera's time resolution when the last frame's record shows another
    // one than the setting asks for; sent again on a later call only after another frame
    // came in, until a record shows the change.
    void SendCameraCommands();

    // Read-outs: the last frame's size (its transferred width while it is rejected), its
    // frame number and whether its record had a full fix.
    uint16_t Width() const { return width_.load(); }
    uint16_t Height() const { return height_.load(); }
    int32_t CurrentFrameNumber() const { return currentFrameNumber_.load(); }
    bool FullFix() const { return fullFix_.load(); }

private:
    bool AcceptFrameSize(int width, int height, bool packed, int transferWidth);

    FrameWorkerPool& pool_;
    IFrameCameraProvider* cameras_;
    GpsLog& gpsLog_;
    std::atomic<bool> useTimeResolution100us_{false};
    std::atomic<uint16_t> width_{0};
    std::atomic<uint16_t> height_{0};
    std::atomic<int32_t> currentFrameNumber_{0};
    std::atomic<bool> fullFix_{false};
    // The last frame's time resolution: -1 before any frame, else 0 or 1; and the frames
    // counted so far, so that a command is not repeated before the camera could answer.
    std::atomic<int> frameHighTimeResolution_{-1};
    std::atomic<int64_t> framesDecoded_{0};
    int64_t framesAtLastCommand_ = -1;  // the station's thread only

    AlignedBuffer<uint16_t> image_;
    // Kept from frame to frame: the record search starts where the last record was.
    BinaryOverlay overlay_;
    int lastLoggedMinute_ = 0;
    int64_t rejectedSize_ = -1;  // the rejected size logged last, to log it once
};

}  // namespace orva
