#pragma once
// The video4linux devices as sysfs shows them: for each node its device file, the name
// the driver gives it, the USB interface it belongs to and that USB device's descriptors.
// The roots are given, so tests lay out a folder like sysfs and /dev.
//
// The symbolic link of a device is "usb-" and the USB interface's kernel name (for
// example "usb-1-2.3:1.0": bus 1, port 2 of the root hub, port 3 of the hub behind it,
// configuration 1, interface 0). It names the physical port, stays the same across a
// replug into the same port, and is short enough to be compared on its first 49
// characters.
//
// Threads: no state besides the roots; any thread.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orva {

struct V4l2DeviceInfo {
    std::string kernelName;    // "video0"
    std::string deviceNode;    // "/dev/video0"
    std::string friendlyName;  // the node's name attribute, without the line end
    std::string symbolicLink;  // "usb-1-2.3:1.0"; empty when the node is not on USB
    int nodeIndex = 0;         // the driver's number of the node on its device: 0 = first
    std::vector<uint8_t> usbDescriptors;  // empty when they cannot be read
};

class V4l2SysfsTree {
public:
    explicit V4l2SysfsTree(std::string sysfsRoot = "/sys", std::string deviceRoot = "/dev")
        : sysfsRoot_(std::move(sysfsRoot)), deviceRoot_(std::move(deviceRoot)) {}

    // Every video4linux node, ordered by kernel name (video2 before video10). Nodes whose
    // name cannot be read are left out.
    std::vector<V4l2DeviceInfo> VideoDevices() const;

    // The symbolic link of a device from its sysfs path as a removal event names it
    // (".../1-2.3:1.0/video4linux/video0"); nothing for a path of another shape.
    static std::optional<std::string> SymbolicLinkFromSysPath(const std::string& sysPath);

private:
    std::optional<V4l2DeviceInfo> ReadDevice(const std::string& kernelName) const;

    std::string sysfsRoot_;
    std::string deviceRoot_;
};

}  // namespace orva
