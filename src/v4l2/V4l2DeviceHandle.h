#pragma once
// One open V4L2 device node, shared by everything that works on it (the extension-unit
// transport, the video reader, its buffers and the frames that are still out). The node
// is closed when the last of them lets go, so a frame still in the station's queue never
// points into a closed device.
//
// Threads: Ioctl may be called from any thread at the same time (the driver serialises);
// the descriptor does not change while the handle lives. The handle keeps the kernel
// interface alive: a reader's delivery thread may outlive everything else by a moment.

#include "v4l2/IV4l2Kernel.h"

#include <atomic>
#include <memory>
#include <string>

namespace orva {

class V4l2DeviceHandle {
public:
    // Opens the node read-write and non-blocking. Null with `error` (-errno) on failure.
    static std::shared_ptr<V4l2DeviceHandle> Open(std::shared_ptr<IV4l2Kernel> kernel, const std::string& path,
                                                  int& error);
    ~V4l2DeviceHandle();
    V4l2DeviceHandle(const V4l2DeviceHandle&) = delete;
    V4l2DeviceHandle& operator=(const V4l2DeviceHandle&) = delete;

    // 0 or -errno.
    int Ioctl(unsigned long request, void* argument) const { return kernel_->Ioctl(fd_, request, argument); }
    // Asks the node (VIDIOC_QUERYCAP) whether it captures video by streaming. 0 with
    // `captures` set, or -errno.
    int QueryStreamingCapture(bool& captures) const;
    // Which buffer set owns the driver's buffers now. A set that is released after a newer
    // one took over must not free the newer one's buffers.
    void SetBufferOwner(const void* owner) { bufferOwner_.store(owner); }
    // True (and no owner after) when `owner` still owns them.
    bool ReleaseBufferOwner(const void* owner) { return bufferOwner_.compare_exchange_strong(owner, nullptr); }
    IV4l2Kernel& Kernel() const { return *kernel_; }
    int Descriptor() const { return fd_; }
    const std::string& Path() const { return path_; }

private:
    V4l2DeviceHandle(std::shared_ptr<IV4l2Kernel> kernel, std::string path, int fd)
        : kernel_(std::move(kernel)), path_(std::move(path)), fd_(fd) {}

    const std::shared_ptr<IV4l2Kernel> kernel_;
    const std::string path_;
    const int fd_;
    std::atomic<const void*> bufferOwner_{nullptr};
};

}  // namespace orva
