#include "v4l2/V4l2FormatList.h"

#include "v4l2/V4l2ResultCode.h"

#include <linux/videodev2.h>

#include <cerrno>
#include <optional>

namespace orva {
namespace {

// Past the last entry the enumerations answer EINVAL.
constexpr int kEndOfList = -EINVAL;

// The shortest interval of one size, or nothing when the driver lists none.
int ShortestInterval(const V4l2DeviceHandle& device, uint32_t pixelFormat, uint32_t width, uint32_t height,
                     std::optional<v4l2_fract>& shortest) {
    for (uint32_t index = 0;; ++index) {
        v4l2_frmivalenum interval{};
        interval.index = index;
        interval.pixel_format = pixelFormat;
        interval.width = width;
        interval.height = height;
        const int result = device.Ioctl(VIDIOC_ENUM_FRAMEINTERVALS, &interval);
        if (result == kEndOfList) return 0;
        if (result < 0) return result;
        const v4l2_fract f =
            interval.type == V4L2_FRMIVAL_TYPE_DISCRETE ? interval.discrete : interval.stepwise.min;
        // a/b < c/d without division.
        if (f.numerator != 0 && f.denominator != 0 &&
            (!shortest || uint64_t{f.numerator} * shortest->denominator < uint64_t{shortest->numerator} * f.denominator)) {
            shortest = f;
        }
        if (interval.type != V4L2_FRMIVAL_TYPE_DISCRETE) return 0;
    }
}

int AddSize(const V4l2DeviceHandle& device, uint32_t pixelFormat, uint32_t width, uint32_t height,
            std::vector<V4l2MediaType>& types) {
    std::optional<v4l2_fract> interval;
    if (const int result = ShortestInterval(device, pixelFormat, width, height, interval); result < 0) return result;
    V4l2MediaType t;
    t.pixelFormat = pixelFormat;
    t.type.subtype = V4l2FormatList::SubtypeOf(pixelFormat);
    t.type.width = width;
    t.type.height = height;
    t.type.hasFrameRate = interval.has_value();
    if (interval) {
        // A frame interval of n/d seconds is d/n frames per second.
        t.type.frameRateNumerator = interval->denominator;
        t.type.frameRateDenominator = interval->numerator;
    }
    types.push_back(t);
    return 0;
}

}  // namespace

uint32_t V4l2FormatList::SubtypeOf(uint32_t pixelFormat) {
    return pixelFormat == V4L2_PIX_FMT_YUYV ? kVideoSubtypeYuy2 : pixelFormat;
}

int32_t V4l2FormatList::Enumerate(const V4l2DeviceHandle& device, std::vector<V4l2MediaType>& types) {
    types.clear();
    for (uint32_t f = 0;; ++f) {
        v4l2_fmtdesc format{};
        format.index = f;
        format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        int result = device.Ioctl(VIDIOC_ENUM_FMT, &format);
        if (result == kEndOfList) return kResultOk;
        if (result < 0) return ResultFromErrno(result);
        for (uint32_t s = 0;; ++s) {
            v4l2_frmsizeenum size{};
            size.index = s;
            size.pixel_format = format.pixelformat;
            result = device.Ioctl(VIDIOC_ENUM_FRAMESIZES, &size);
            if (result == kEndOfList) break;
            if (result < 0) return ResultFromErrno(result);
            if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
                result = AddSize(device, format.pixelformat, size.discrete.width, size.discrete.height, types);
            } else {
                // A range: the camera's modes are its largest size.
                result = AddSize(device, format.pixelformat, size.stepwise.max_width, size.stepwise.max_height, types);
            }
            if (result < 0) return ResultFromErrno(result);
            if (size.type != V4L2_FRMSIZE_TYPE_DISCRETE) break;
        }
    }
}

}  // namespace orva
