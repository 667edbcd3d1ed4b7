#include "v4l2/UdevDeviceMonitor.h"

#include "common/Log.h"

#include <libudev.h>
#include <poll.h>

#include <cerrno>
#include <string_view>

namespace orva {

std::unique_ptr<UdevDeviceMonitor> UdevDeviceMonitor::Create() {
    udev* context = udev_new();
    if (!context) {
        LogMessage("E UdevDeviceMonitor: udev is not available");
        return nullptr;
    }
    udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
    if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor, "video4linux", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
        LogMessage("E UdevDeviceMonitor: cannot listen to udev's device events");
        if (monitor) udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    return std::unique_ptr<UdevDeviceMonitor>(new UdevDeviceMonitor(context, monitor));
}

UdevDeviceMonitor::~UdevDeviceMonitor() {
    udev_monitor_unref(monitor_);
    udev_unref(udev_);
}

std::optional<V4l2DeviceEvent> UdevDeviceMonitor::WaitForEvent(std::chrono::milliseconds timeout) {
    pollfd entry{udev_monitor_get_fd(monitor_), POLLIN, 0};
    if (::poll(&entry, 1, static_cast<int>(timeout.count())) <= 0) return std::nullopt;
    udev_device* device = udev_monitor_receive_device(monitor_);
    if (!device) return std::nullopt;
    std::optional<V4l2DeviceEvent> event;
    const char* action = udev_device_get_action(device);
    const char* sysPath = udev_device_get_syspath(device);
    if (action && sysPath) {
        const std::string_view a(action);
        if (a == "add" || a == "remove") {
            event = V4l2DeviceEvent{a == "add" ? V4l2DeviceEvent::Action::Added : V4l2DeviceEvent::Action::Removed, sysPath};
        }
    }
    udev_device_unref(device);
    return event;
}

}  // namespace orva
