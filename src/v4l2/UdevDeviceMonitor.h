#pragma once
// libudev's monitor on the video4linux subsystem: the add and remove events of video
// device nodes as udev announces them (after its rules ran, so an added node already
// carries the permissions the rules give it).
//
// Threads: one thread calls WaitForEvent; construction and destruction on another while
// that thread is not inside it.

#include "v4l2/IV4l2DeviceMonitor.h"

#include <memory>

struct udev;
struct udev_monitor;

namespace orva {

class UdevDeviceMonitor final : public IV4l2DeviceMonitor {
public:
    // Null (and the reason logged) when udev cannot be reached.
    static std::unique_ptr<UdevDeviceMonitor> Create();
    ~UdevDeviceMonitor() override;
    UdevDeviceMonitor(const UdevDeviceMonitor&) = delete;
    UdevDeviceMonitor& operator=(const UdevDeviceMonitor&) = delete;

    std::optional<V4l2DeviceEvent> WaitForEvent(std::chrono::milliseconds timeout) override;

private:
    UdevDeviceMonitor(udev* context, udev_monitor* monitor) : udev_(context), monitor_(monitor) {}

    udev* udev_;
    udev_monitor* monitor_;
};

}  // namespace orva
