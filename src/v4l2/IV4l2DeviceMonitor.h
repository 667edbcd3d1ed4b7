#pragma once
// Where the backend hears of video devices coming and going: udev's monitor on the
// system (UdevDeviceMonitor), a scripted queue in tests.
//
// Threads: WaitForEvent is called from one thread (the enumerator's monitor thread).

#include <chrono>
#include <optional>
#include <string>

namespace orva {

struct V4l2DeviceEvent {
    enum class Action { Added, Removed };
    Action action = Action::Removed;
    // The video4linux device's sysfs path, e.g.
    // "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/video4linux/video0".
    std::string sysPath;
};

class IV4l2DeviceMonitor {
public:
    virtual ~IV4l2DeviceMonitor() = default;
    // The next event, or nothing when none came within `timeout`.
    virtual std::optional<V4l2DeviceEvent> WaitForEvent(std::chrono::milliseconds timeout) = 0;
};

}  // namespace orva
