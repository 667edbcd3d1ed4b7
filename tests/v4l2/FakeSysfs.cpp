#include "FakeSysfs.h"

#include "support/TempDir.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace orva::test {
namespace {

void Append(std::vector<uint8_t>& out, std::initializer_list<uint8_t> bytes) { out.insert(out.end(), bytes); }

std::string UsbDevicePath(const std::string& usbDevice) {
    const std::string bus = usbDevice.substr(0, usbDevice.find('-'));
    return "devices/pci0000:00/0000:00:14.0/usb" + bus + "/" + usbDevice;
}

}  // namespace

std::vector<uint8_t> UvcCameraDescriptors(uint8_t unitId, const UvcDescriptorReader::Guid& guid, bool unitInStreaming) {
    std::vector<uint8_t> d;
    // Device: USB 2.0, miscellaneous class (interface association), vendor 04B4 product 00F1.
    Append(d, {18, 0x01, 0x00, 0x02, 0xEF, 0x02, 0x01, 64, 0xB4, 0x04, 0xF1, 0x00, 0x00, 0x01, 1, 2, 0, 1});
    // Configuration (total length not checked by the reader).
    Append(d, {9, 0x02, 0x00, 0x00, 2, 1, 0, 0x80, 250});
    // Interface association: video, two interfaces.
    Append(d, {8, 0x0B, 0, 2, 0x0E, 0x03, 0x00, 0});
    // Interface 0: video control.
    Append(d, {9, 0x04, 0, 0, 1, 0x0E, 0x01, 0x00, 0});
    Append(d, {13, 0x24, 0x01, 0x10, 0x01, 0x50, 0x00, 0x00, 0x6C, 0xDC, 0x02, 1, 1});  // header
    Append(d, {18, 0x24, 0x02, 1, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0});  // camera terminal
    std::vector<uint8_t> unit = {0, 0x24, 0x06, unitId};
    unit.insert(unit.end(), guid.begin(), guid.end());
    // bNumControls, bNrInPins, baSourceID, bControlSize, bmControls (selectors 1, 4, 5, 7, 8), iExtension
    Append(unit, {5, 1, 1, 1, 0xD9, 0});
    unit[0] = static_cast<uint8_t>(unit.size());
    if (!unitInStreaming) d.insert(d.end(), unit.begin(), unit.end());
    Append(d, {9, 0x24, 0x03, 4, 0x01, 0x01, 0, unitId, 0});  // output terminal
    Append(d, {7, 0x05, 0x81, 0x03, 16, 0, 8});               // interrupt endpoint
    // Interface 1: video streaming.
    Append(d, {9, 0x04, 1, 0, 1, 0x0E, 0x02, 0x00, 0});
    if (unitInStreaming) d.insert(d.end(), unit.begin(), unit.end());
    Append(d, {7, 0x05, 0x82, 0x02, 0x00, 0x02, 0});
    return d;
}

FakeSysfs::FakeSysfs(const std::string& root) : root_(root) {
    fs::create_directories(SysRoot() + "/class/video4linux");
    fs::create_directories(DevRoot());
}

void FakeSysfs::AddUsbNode(const std::string& node, const std::string& usbDevice, const std::string& interface,
                           const std::string& name, int index, const std::vector<uint8_t>& descriptors) {
    const std::string usb = SysRoot() + "/" + UsbDevicePath(usbDevice);
    const std::string nodeDir = usb + "/" + interface + "/video4linux/" + node;
    fs::create_directories(nodeDir);
    WriteFile(usb + "/descriptors", std::string(descriptors.begin(), descriptors.end()));
    WriteFile(nodeDir + "/name", name + "\n");
    WriteFile(nodeDir + "/index", std::to_string(index) + "\n");
    fs::create_directory_symlink("../../../" + interface, nodeDir + "/device");
    LinkClassEntry(node, "../../" + UsbDevicePath(usbDevice) + "/" + interface + "/video4linux/" + node);
}

void FakeSysfs::AddPlatformNode(const std::string& node, const std::string& name) {
    const std::string nodeDir = SysRoot() + "/devices/platform/vivid.0/video4linux/" + node;
    fs::create_directories(nodeDir);
    WriteFile(nodeDir + "/name", name + "\n");
    fs::create_directory_symlink("../../../vivid.0", nodeDir + "/device");
    LinkClassEntry(node, "../../devices/platform/vivid.0/video4linux/" + node);
}

void FakeSysfs::LinkClassEntry(const std::string& node, const std::string& target) {
    fs::create_directory_symlink(target, SysRoot() + "/class/video4linux/" + node);
    WriteFile(DevRoot() + "/" + node, "");
}

void FakeSysfs::RemoveNode(const std::string& node) {
    const fs::path entry = SysRoot() + "/class/video4linux/" + node;
    fs::remove_all(fs::canonical(entry));
    fs::remove(entry);
    fs::remove(DevRoot() + "/" + node);
}

std::string FakeSysfs::SysPath(const std::string& node) const {
    return fs::canonical(SysRoot() + "/class/video4linux/" + node).string();
}

void FakeDeviceMonitor::Push(V4l2DeviceEvent event) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
    pushed_.notify_all();
}

std::optional<V4l2DeviceEvent> FakeDeviceMonitor::WaitForEvent(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!pushed_.wait_for(lock, timeout, [&] { return !events_.empty(); })) return std::nullopt;
    V4l2DeviceEvent event = std::move(events_.front());
    events_.pop_front();
    return event;
}

}  // namespace orva::test
