#include "processing/FrameUnpackStage.h"

#include "common/Log.h"
#include "processing/CameraStatusFromOverlay.h"
#include "processing/FrameTimestamp.h"
#include "processing/FrameUnpack.h"
#include "processing/GpsLog.h"
#include "processing/ParseBinaryOverlay.h"

#include <memory>
#include <span>

namespace orva {

FrameUnpackStage::FrameUnpackStage(FrameWorkerPool& pool, IFrameCameraProvider* cameras, GpsLog& gpsLog)
    : pool_(pool), cameras_(cameras), gpsLog_(gpsLog), image_(static_cast<std::size_t>(kMaxPixels)) {}

bool FrameUnpackStage::Process(CameraFrame& frame) {
    width_ = frame.transferWidth;
    height_ = frame.height;
    const std::shared_ptr<IFrameCamera> camera = cameras_ != nullptr ? cameras_->ActiveCamera() : nullptr;
    if (camera == nullptr) {
        LogMessage("I ConsumeFrame: camera not available");
        return false;
    }
    const bool wantHires = useTimeResolution100us_;

    int width = frame.transferWidth;
    const int height = frame.height;
    const VideoResolution* resolution = camera->ActiveResolution();
    const bool packed = resolution != nullptr && width == resolution->TransferWidth() &&
                        resolution->TransferWidth() < resolution->Width();
    if (packed) width = resolution->Width();
    if (!AcceptFrameSize(width, height, packed, frame.transferWidth)) return false;
    width_ = static_cast<uint16_t>(width);
    uint16_t* image = image_.Data();
    const int64_t pixels = static_cast<int64_t>(width) * height;

    const ImageStatistics stats =
        UnpackFrame(frame.raw, packed, width, height, image, pool_, pool_.PartsFor(width, height));
    frame.width = width;
    frame.packed = packed;
    frame.pixels = image;
    frame.imageMean = stats.Mean();
    frame.hasStatistics = stats.count > 0;

    ParseBinaryOverlay(overlay_, std::span<const uint16_t>(image, static_cast<std::size_t>(pixels)), width, height);
    frame.timing = overlay_;
    frame.status = camera->UpdateStatusFromFrame(OverlayStatusFieldsOf(overlay_), CalendarFields(overlay_.FromTime));
    frame.startTicks = FrameTimestampTicks(overlay_.FromTime);
    frame.endTicks = FrameTimestampTicks(overlay_.ToTime);
    fullFix_ = (overlay_.FixState & 3) == 3;

    if ((frame.status.highTimeResolution != 0) != wantHires) {
        LogMessageInt("I Camera high resolution mode switching to", wantHires ? 1 : 0);
        camera->EnableDisableHires(wantHires);  // logs its own failure; retried next frame
    }

    currentFrameNumber_ = overlay_.FrameNr;
    gpsLog_.WriteIfNewMinute(overlay_, lastLoggedMinute_);
    return true;
}

bool FrameUnpackStage::AcceptFrameSize(int width, int height, bool packed, int transferWidth) {
    const char* problem = nullptr;
    if (width < 1 || height < 1) {
        problem = "E ConsumeFrame: empty frame rejected, width/height:";
    } else if (height > kMaxRows || static_cast<int64_t>(width) * height > kMaxPixels) {
        problem = "E ConsumeFrame: frame exceeds the buffer limits, rejected, width/height:";
    } else if (packed && (!IsUnpackableWidth(width, true) || RawRowBytes(width, true) != 2 * int64_t{transferWidth})) {
        problem = "E ConsumeFrame: packed row length does not match the video mode, rejected, width/height:";
    }
    if (problem == nullptr) {
        rejectedSize_ = -1;
        return true;
    }
    // Once per size, not at the camera's frame rate.
    const int64_t size = static_cast<int64_t>(width) << 32 | static_cast<uint32_t>(height);
    if (size != rejectedSize_) LogMessageInt2(problem, width, height);
    rejectedSize_ = size;
    return false;
}

}  // namespace orva
