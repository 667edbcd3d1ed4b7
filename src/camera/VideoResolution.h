#pragma once
// One video mode of the camera. The mode tables are constant; a selected mode is referred
// to by pointer. Immutable, so safe to share between threads.

#include <cstdint>
#include <string>

namespace orva {

class VideoResolution {
public:
    VideoResolution(int32_t width, int32_t transferWidth, int32_t height, int32_t binning)
        : width_(width), transferWidth_(transferWidth), height_(height), binning_(binning) {}
    virtual ~VideoResolution() = default;

    // The mode listed when a camera offers none: "0 x 0".
    static const VideoResolution& Placeholder();

    int32_t Width() const { return width_; }
    // Width of the frame as the camera sends it, in 16-bit YUY2 pixels.
    int32_t TransferWidth() const { return transferWidth_; }
    int32_t Height() const { return height_; }
    int32_t Binning() const { return binning_; }

    // Modes 128 rows high are the fast modes.
    bool IsFast() const { return height_ == 128; }
    // "1920 x 1200", "1920 x 128 (Fast)"
    std::string GetListText() const;

private:
    int32_t width_;
    int32_t transferWidth_;
    int32_t height_;
    int32_t binning_;
};

}  // namespace orva
