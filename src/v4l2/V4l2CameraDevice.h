#pragma once
// One listed V4L2 capture device: its names from sysfs, and the activation that opens
// its node, checks that it captures video by streaming, and finds the camera's extension
// unit in its USB descriptors.
//
// Threads: GUI thread (listing and activation); the reader it activates reports a
// vanished camera to the removal notifier from its own thread.

#include "camera/ICameraDeviceEnumerator.h"
#include "v4l2/IV4l2Kernel.h"
#include "v4l2/V4l2RemovalNotifier.h"
#include "v4l2/V4l2SysfsTree.h"

#include <memory>

namespace orva {

class V4l2CameraDevice final : public ICameraDevice {
public:
    // Capture buffers beyond what the stream's queue may hold (see V4l2ReaderOptions).
    static constexpr uint32_t kMinimumBuffers = 10;

    V4l2CameraDevice(std::shared_ptr<IV4l2Kernel> kernel, V4l2DeviceInfo info, std::shared_ptr<V4l2RemovalNotifier> notifier)
        : kernel_(std::move(kernel)), info_(std::move(info)), notifier_(std::move(notifier)) {}

    std::optional<std::string> FriendlyName() override { return info_.friendlyName; }
    // Nothing for a node that is not on USB.
    std::optional<std::string> SymbolicLink() override;
    // The platform's buffer count is a floor here: V4L2 frames stay in their buffers
    // while queued, so the device takes at least kMinimumBuffers.
    int32_t SetMaxBuffers(uint32_t count) override;
    int32_t ActivateMediaSource(std::shared_ptr<ICameraMediaSource>& source) override;

    const V4l2DeviceInfo& Info() const { return info_; }

private:
    std::shared_ptr<IV4l2Kernel> kernel_;
    const V4l2DeviceInfo info_;
    std::shared_ptr<V4l2RemovalNotifier> notifier_;
    uint32_t bufferCount_ = kMinimumBuffers;
};

}  // namespace orva
