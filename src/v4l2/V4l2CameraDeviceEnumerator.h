#pragma once
// The camera devices of a Linux system: the video4linux nodes that capture video by
// streaming (asked with VIDIOC_QUERYCAP), named from sysfs (V4l2SysfsTree), and their
// removals and arrivals as udev's monitor announces them. A camera that vanishes while
// streaming is also reported by its reader; each removal reaches the listeners once.
// The camera family filter stays with the camera manager, as for every backend.
//
// Threads: enumeration and subscription from the GUI thread. A monitor thread of the
// enumerator's own waits for udev's events and calls the listeners; it ends with the
// enumerator (within one wait slice).

#include "camera/ICameraDeviceEnumerator.h"
#include "v4l2/IV4l2DeviceMonitor.h"
#include "v4l2/IV4l2Kernel.h"
#include "v4l2/V4l2RemovalNotifier.h"
#include "v4l2/V4l2SysfsTree.h"

#include <atomic>
#include <memory>
#include <thread>

namespace orva {

class V4l2CameraDeviceEnumerator final : public ICameraDeviceEnumerator {
public:
    static constexpr std::chrono::milliseconds kMonitorSlice{100};

    // The system's devices: the real kernel, /sys and /dev, and udev's monitor (without
    // removal notifications, and logged, when udev cannot be reached).
    static std::unique_ptr<V4l2CameraDeviceEnumerator> CreateForSystem();

    // `monitor` may be null (no notifications but those of the readers).
    V4l2CameraDeviceEnumerator(std::shared_ptr<IV4l2Kernel> kernel, V4l2SysfsTree tree,
                               std::unique_ptr<IV4l2DeviceMonitor> monitor);
    ~V4l2CameraDeviceEnumerator() override;
    V4l2CameraDeviceEnumerator(const V4l2CameraDeviceEnumerator&) = delete;
    V4l2CameraDeviceEnumerator& operator=(const V4l2CameraDeviceEnumerator&) = delete;

    std::vector<std::shared_ptr<ICameraDevice>> EnumerateVideoCaptureDevices() override;
    int SubscribeRemovals(RemovalListener listener) override;
    void UnsubscribeRemovals(int id) override;

    // A device came (for a refresh of the camera list before the next timer tick).
    int SubscribeArrivals(RemovalListener listener) { return notifier_->SubscribeArrivals(std::move(listener)); }
    void UnsubscribeArrivals(int id) { notifier_->Unsubscribe(id); }

private:
    bool CapturesVideo(const V4l2DeviceInfo& info);
    void WatchDevices();

    std::shared_ptr<IV4l2Kernel> kernel_;
    V4l2SysfsTree tree_;
    std::shared_ptr<V4l2RemovalNotifier> notifier_ = std::make_shared<V4l2RemovalNotifier>();
    std::unique_ptr<IV4l2DeviceMonitor> monitor_;
    std::atomic<bool> stop_{false};
    std::thread monitorThread_;
};

}  // namespace orva
