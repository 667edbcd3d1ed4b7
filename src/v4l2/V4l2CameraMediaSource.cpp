#include "v4l2/V4l2CameraMediaSource.h"

namespace orva {

// The reader options are the Media Foundation reader's; V4L2 delivers the native frames
// unconverted and leaves the device running when the reader goes, so none of them changes
// anything here.
int32_t V4l2CameraMediaSource::CreateReader(const VideoReaderOptions& /*options*/,
                                            std::shared_ptr<IVideoReaderCallback> callback,
                                            std::shared_ptr<IVideoReader>& reader) {
    if (!callback) return kVideoErrorFailed;
    reader = std::make_shared<V4l2VideoReader>(device_, std::move(callback), readerOptions_);
    return kVideoOk;
}

}  // namespace orva
