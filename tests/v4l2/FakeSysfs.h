#pragma once
// Ours: a folder laid out like sysfs and /dev for the video4linux nodes of USB cameras
// (and of a device that is not on USB), with the USB descriptors of a UVC camera; and a
// device monitor that plays scripted udev events.

#include "v4l2/IV4l2DeviceMonitor.h"
#include "v4l2/UvcDescriptorReader.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace orva::test {

// A UVC camera's descriptors: device, configuration, VideoControl interface with header,
// input terminal, the extension unit (`unitId`, `guid`) and output terminal, then a
// VideoStreaming interface. With `unitInStreaming` the unit descriptor is placed after
// the VideoStreaming interface instead (where it does not count).
std::vector<uint8_t> UvcCameraDescriptors(uint8_t unitId, const UvcDescriptorReader::Guid& guid,
                                          bool unitInStreaming = false);

class FakeSysfs {
public:
    // Creates "<root>/sys" and "<root>/dev".
    explicit FakeSysfs(const std::string& root);

    // /sys/devices/pci0000:00/0000:00:14.0/usb<bus>/<usbDevice>/<interface>/video4linux/<node>
    void AddUsbNode(const std::string& node, const std::string& usbDevice, const std::string& interface,
                    const std::string& name, int index, const std::vector<uint8_t>& descriptors);
    // /sys/devices/platform/vivid.0/video4linux/<node>
    void AddPlatformNode(const std::string& node, const std::string& name);
    void RemoveNode(const std::string& node);

    std::string SysRoot() const { return root_ + "/sys"; }
    std::string DevRoot() const { return root_ + "/dev"; }
    // The node's sysfs path as udev names it.
    std::string SysPath(const std::string& node) const;

private:
    void LinkClassEntry(const std::string& node, const std::string& target);

    std::string root_;
};

class FakeDeviceMonitor final : public IV4l2DeviceMonitor {
public:
    void Push(V4l2DeviceEvent event);
    std::optional<V4l2DeviceEvent> WaitForEvent(std::chrono::milliseconds timeout) override;

private:
    std::mutex mutex_;
    std::condition_variable pushed_;
    std::deque<V4l2DeviceEvent> events_;
};

}  // namespace orva::test
