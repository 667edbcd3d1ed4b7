#include "v4l2/V4l2CameraDevice.h"

#include "common/Log.h"
#include "v4l2/UvcDescriptorReader.h"
#include "v4l2/V4l2CameraMediaSource.h"
#include "v4l2/V4l2DeviceHandle.h"
#include "v4l2/V4l2ExtensionUnitTransport.h"
#include "v4l2/V4l2ResultCode.h"

#include <algorithm>

namespace orva {

std::optional<std::string> V4l2CameraDevice::SymbolicLink() {
    if (info_.symbolicLink.empty()) return std::nullopt;
    return info_.symbolicLink;
}

int32_t V4l2CameraDevice::SetMaxBuffers(uint32_t count) {
    bufferCount_ = std::max(count, kMinimumBuffers);
    return kResultOk;
}

int32_t V4l2CameraDevice::ActivateMediaSource(std::shared_ptr<ICameraMediaSource>& source) {
    const std::string who = "E V4l2CameraDevice: " + info_.deviceNode;
    int error = 0;
    std::shared_ptr<V4l2DeviceHandle> device = V4l2DeviceHandle::Open(kernel_, info_.deviceNode, error);
    if (!device) return LogKernelFailure(who, "open", error);

    bool captures = false;
    if (const int r = device->QueryStreamingCapture(captures); r < 0) return LogKernelFailure(who, "VIDIOC_QUERYCAP", r);
    if (!captures) {
        LogMessage(who + " cannot stream video");
        return kResultFailed;
    }

    // Without the unit the transport stays null, and the camera unit's activation fails
    // where it creates the extension unit.
    std::shared_ptr<IExtensionUnitTransport> transport;
    if (const auto unit =
            UvcDescriptorReader::FindExtensionUnit(info_.usbDescriptors, UvcDescriptorReader::kOrvaExtensionUnitGuid)) {
        transport = std::make_shared<V4l2ExtensionUnitTransport>(device, *unit);
    }

    V4l2ReaderOptions options;
    options.bufferCount = bufferCount_;
    std::weak_ptr<V4l2RemovalNotifier> notifier = notifier_;
    options.onDeviceGone = [notifier, link = info_.symbolicLink] {
        if (auto n = notifier.lock(); n && !link.empty()) n->NotifyRemoved(link);
    };
    source = std::make_shared<V4l2CameraMediaSource>(std::move(device), std::move(transport), std::move(options));
    return kResultOk;
}

}  // namespace orva
