#include "v4l2/V4l2DeviceHandle.h"

#include <fcntl.h>
#include <linux/videodev2.h>

namespace orva {

std::shared_ptr<V4l2DeviceHandle> V4l2DeviceHandle::Open(std::shared_ptr<IV4l2Kernel> kernel, const std::string& path,
                                                         int& error) {
    const int fd = kernel->Open(path, O_RDWR | O_NONBLOCK);
    if (fd < 0) {
        error = fd;
        return nullptr;
    }
    error = 0;
    return std::shared_ptr<V4l2DeviceHandle>(new V4l2DeviceHandle(std::move(kernel), path, fd));
}

V4l2DeviceHandle::~V4l2DeviceHandle() { kernel_->Close(fd_); }

int V4l2DeviceHandle::QueryStreamingCapture(bool& captures) const {
    v4l2_capability capability{};
    if (const int r = Ioctl(VIDIOC_QUERYCAP, &capability); r < 0) return r;
    // The node's own capabilities, where the driver tells them apart from the device's.
    const uint32_t caps =
        (capability.capabilities & V4L2_CAP_DEVICE_CAPS) ? capability.device_caps : capability.capabilities;
    captures = (caps & V4L2_CAP_VIDEO_CAPTURE) != 0 && (caps & V4L2_CAP_STREAMING) != 0;
    return 0;
}

}  // namespace orva
