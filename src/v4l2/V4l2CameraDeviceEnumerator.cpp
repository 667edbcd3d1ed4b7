#include "v4l2/V4l2CameraDeviceEnumerator.h"

#include "common/Log.h"
#include "v4l2/UdevDeviceMonitor.h"
#include "v4l2/V4l2CameraDevice.h"
#include "v4l2/V4l2DeviceHandle.h"
#include "v4l2/V4l2Kernel.h"
#include "v4l2/V4l2ResultCode.h"

namespace orva {

std::unique_ptr<V4l2CameraDeviceEnumerator> V4l2CameraDeviceEnumerator::CreateForSystem() {
    return std::make_unique<V4l2CameraDeviceEnumerator>(std::make_shared<V4l2Kernel>(), V4l2SysfsTree(),
                                                        UdevDeviceMonitor::Create());
}

V4l2CameraDeviceEnumerator::V4l2CameraDeviceEnumerator(std::shared_ptr<IV4l2Kernel> kernel, V4l2SysfsTree tree,
                                                       std::unique_ptr<IV4l2DeviceMonitor> monitor)
    : kernel_(std::move(kernel)), tree_(std::move(tree)), monitor_(std::move(monitor)) {
    if (monitor_) monitorThread_ = std::thread([this] { WatchDevices(); });
}

V4l2CameraDeviceEnumerator::~V4l2CameraDeviceEnumerator() {
    stop_.store(true);
    if (monitorThread_.joinable()) monitorThread_.join();
}

std::vector<std::shared_ptr<ICameraDevice>> V4l2CameraDeviceEnumerator::EnumerateVideoCaptureDevices() {
    std::vector<std::shared_ptr<ICameraDevice>> devices;
    for (V4l2DeviceInfo& info : tree_.VideoDevices()) {
        if (!CapturesVideo(info)) continue;
        if (!info.symbolicLink.empty()) notifier_->MarkPresent(info.symbolicLink);
        devices.push_back(std::make_shared<V4l2CameraDevice>(kernel_, std::move(info), notifier_));
    }
    return devices;
}

// Asks the node itself. A node that may not be opened is listed when it is its driver's
// first node (a camera's capture node), so that connecting it fails with the reason.
bool V4l2CameraDeviceEnumerator::CapturesVideo(const V4l2DeviceInfo& info) {
    int error = 0;
    const auto device = V4l2DeviceHandle::Open(kernel_, info.deviceNode, error);
    if (!device) {
        LogKernelFailure("W V4l2CameraDeviceEnumerator: " + info.deviceNode, "open", error);
        return info.nodeIndex == 0;
    }
    bool captures = false;
    return device->QueryStreamingCapture(captures) == 0 && captures;
}

int V4l2CameraDeviceEnumerator::SubscribeRemovals(RemovalListener listener) {
    return notifier_->SubscribeRemovals(std::move(listener));
}

void V4l2CameraDeviceEnumerator::UnsubscribeRemovals(int id) { notifier_->Unsubscribe(id); }

void V4l2CameraDeviceEnumerator::WatchDevices() {
    while (!stop_.load()) {
        const std::optional<V4l2DeviceEvent> event = monitor_->WaitForEvent(kMonitorSlice);
        if (!event) continue;
        const std::optional<std::string> link = V4l2SysfsTree::SymbolicLinkFromSysPath(event->sysPath);
        if (!link) continue;  // not a USB camera
        if (event->action == V4l2DeviceEvent::Action::Removed) {
            notifier_->NotifyRemoved(*link);
        } else {
            notifier_->NotifyArrived(*link);
        }
    }
}

}  // namespace orva
