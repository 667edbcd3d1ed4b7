#include "processing/CameraStreamAdapter.h"

#include "common/Log.h"

namespace orva {

bool CameraStreamAdapter::InitWithMediaSource(std::shared_ptr<ICameraMediaSource> source) {
    std::shared_ptr<IVideoSource> video = std::dynamic_pointer_cast<IVideoSource>(source);
    if (!video) {
        LogMessage("E CameraStreamAdapter: the camera's media source has no video stream");
        return false;
    }
    return stream_.InitWithMediaSource(std::move(video));
}

}  // namespace orva
