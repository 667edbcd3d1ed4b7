#include "station/PictureSnapshot.h"

#include <utility>

namespace orva {

void PictureSnapshot::PrepareDisplay(const DisplayFrame& frame) {
    if (frame.pixels == nullptr || frame.width <= 0 || frame.height <= 0) return;
    FramePicture picture;
    picture.width = frame.width;
    picture.height = frame.height;
    picture.pixels.assign(frame.pixels,
                          frame.pixels + static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height));
    std::lock_guard lock(mutex_);
    picture_ = std::move(picture);
}

std::optional<FramePicture> PictureSnapshot::Take() {
    std::lock_guard lock(mutex_);
    return std::exchange(picture_, std::nullopt);
}

}  // namespace orva
