#pragma once
// One calibrated picture of the stream for a front end without a live view (the command
// line picks its guiding star in it): put on the frame path in the live view's place, it
// copies the next frame the frame processor hands it.
//
// Threads: PrepareDisplay on the frame path's thread; Take on the station's thread. One
// lock guards the picture.

#include "processing/IDisplayTarget.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

namespace orva {

struct FramePicture {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> pixels;  // width x height, row by row
};

class PictureSnapshot final : public IDisplayTarget {
public:
    void PrepareDisplay(const DisplayFrame& frame) override;
    // The picture that arrived since the last call, or none.
    std::optional<FramePicture> Take();

private:
    std::mutex mutex_;
    std::optional<FramePicture> picture_;
};

}  // namespace orva
