#pragma once
// The frame path's first stage: takes the raw frame into the working image (unpacking
// 12-bit packed rows, measuring the image statistics on the worker pool), decodes the
// timing record of the last row, feeds the camera status, keeps the camera's time
// resolution in line with the setting and writes the minute's GPS log line. Frames the
// buffers cannot hold are rejected with one log line per size.
//
// Threads: as IFrameStage; the read-outs are atomic.

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

    AlignedBuffer<uint16_t> image_;
    // Kept from frame to frame: the record search starts where the last record was.
    BinaryOverlay overlay_;
    int lastLoggedMinute_ = 0;
    int64_t rejectedSize_ = -1;  // the rejected size logged last, to log it once
};

}  // namespace orva
