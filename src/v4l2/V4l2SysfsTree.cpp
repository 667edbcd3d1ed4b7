#include "v4l2/V4l2SysfsTree.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

namespace orva {
namespace {

constexpr const char* kLinkPrefix = "usb-";

std::optional<std::string> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::optional<std::string> ReadText(const fs::path& path) {
    std::optional<std::string> text = ReadBytes(path);
    if (!text) return std::nullopt;
    while (!text->empty() && (text->back() == '\n' || text->back() == '\r')) text->pop_back();
    return text;
}

// "video10" after "video2".
bool ByNodeNumber(const V4l2DeviceInfo& a, const V4l2DeviceInfo& b) {
    if (a.kernelName.size() != b.kernelName.size()) return a.kernelName.size() < b.kernelName.size();
    return a.kernelName < b.kernelName;
}

// A USB interface's kernel name: "<bus>-<ports>:<configuration>.<interface>".
bool IsUsbInterfaceName(const std::string& name) {
    const auto colon = name.find(':');
    const auto dash = name.find('-');
    return dash != std::string::npos && colon != std::string::npos && dash < colon && name.find('.', colon) != std::string::npos;
}

}  // namespace

std::vector<V4l2DeviceInfo> V4l2SysfsTree::VideoDevices() const {
    std::vector<V4l2DeviceInfo> devices;
    std::error_code ec;
    const fs::path classDir = fs::path(sysfsRoot_) / "class" / "video4linux";
    for (fs::directory_iterator it(classDir, ec), end; !ec && it != end; it.increment(ec)) {
        if (auto device = ReadDevice(it->path().filename().string())) devices.push_back(std::move(*device));
    }
    std::sort(devices.begin(), devices.end(), ByNodeNumber);
    return devices;
}

std::optional<V4l2DeviceInfo> V4l2SysfsTree::ReadDevice(const std::string& kernelName) const {
    const fs::path node = fs::path(sysfsRoot_) / "class" / "video4linux" / kernelName;
    V4l2DeviceInfo info;
    info.kernelName = kernelName;
    info.deviceNode = (fs::path(deviceRoot_) / kernelName).string();
    const std::optional<std::string> name = ReadText(node / "name");
    if (!name) return std::nullopt;
    info.friendlyName = *name;
    if (const auto index = ReadText(node / "index")) info.nodeIndex = std::atoi(index->c_str());

    // "device" leads to the USB interface; its parent folder is the USB device.
    std::error_code ec;
    const fs::path interfaceDir = fs::canonical(node / "device", ec);
    if (ec || !IsUsbInterfaceName(interfaceDir.filename().string())) return info;
    info.symbolicLink = kLinkPrefix + interfaceDir.filename().string();
    if (const auto descriptors = ReadBytes(interfaceDir.parent_path() / "descriptors")) {
        info.usbDescriptors.assign(descriptors->begin(), descriptors->end());
    }
    return info;
}

std::optional<std::string> V4l2SysfsTree::SymbolicLinkFromSysPath(const std::string& sysPath) {
    const fs::path path(sysPath);
    const fs::path classDir = path.parent_path();
    if (classDir.filename() != "video4linux") return std::nullopt;
    const std::string interfaceName = classDir.parent_path().filename().string();
    if (!IsUsbInterfaceName(interfaceName)) return std::nullopt;
    return kLinkPrefix + interfaceName;
}

}  // namespace orva
