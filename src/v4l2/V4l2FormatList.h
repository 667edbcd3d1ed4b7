#pragma once
// The camera's formats as media types: every pixel format (VIDIOC_ENUM_FMT), every frame
// size of it (VIDIOC_ENUM_FRAMESIZES) and, per size, the shortest frame interval
// (VIDIOC_ENUM_FRAMEINTERVALS) as the frame rate. The camera's YUYV packing is named
// YUY2, as the stream worker looks for it; other formats keep their own FourCC.
//
// Threads: one caller at a time per device (the stream's producer thread).

#include "stream/VideoSource.h"
#include "v4l2/V4l2DeviceHandle.h"

#include <cstdint>
#include <vector>

namespace orva {

struct V4l2MediaType {
    VideoMediaType type;
    uint32_t pixelFormat = 0;  // the V4L2 FourCC
};

class V4l2FormatList {
public:
    // Fills `types` in the driver's order. Returns a result code (an enumeration that
    // fails other than by reaching its end).
    static int32_t Enumerate(const V4l2DeviceHandle& device, std::vector<V4l2MediaType>& types);

    static uint32_t SubtypeOf(uint32_t pixelFormat);
};

}  // namespace orva
