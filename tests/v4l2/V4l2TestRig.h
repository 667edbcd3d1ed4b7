#pragma once
// A simulated camera plugged into the fake kernel as /dev/video0 (its metadata node as
// /dev/video1) on USB port 1-2, with the enumerator of the V4L2 backend over both.

#include "FakeSysfs.h"
#include "FakeV4l2Kernel.h"
#include "simcam/SimulatedCamera.h"
#include "support/ManualClock.h"
#include "support/TempDir.h"
#include "v4l2/V4l2CameraDeviceEnumerator.h"

#include <memory>

namespace orva::test {

inline constexpr const char* kCameraLink = "usb-1-2:1.0";

struct V4l2TestRig {
    explicit V4l2TestRig(uint8_t sensorCode = 7, int modeIndex = 2, bool withMonitor = true) {
        SimCameraConfig config;
        config.identity.sensorCode = sensorCode;
        config.pacing = SimPacing::AsFastAsRequested;
        camera = std::make_shared<SimulatedCamera>(config, cameraClock);
        camera->SelectMode(modeIndex);
        sysfs.AddUsbNode("video0", "1-2", "1-2:1.0", camera->FriendlyName(), 0,
                         UvcCameraDescriptors(FakeV4l2Kernel::kUnitId, UvcDescriptorReader::kOrvaExtensionUnitGuid));
        sysfs.AddUsbNode("video1", "1-2", "1-2:1.0", camera->FriendlyName(), 1,
                         UvcCameraDescriptors(FakeV4l2Kernel::kUnitId, UvcDescriptorReader::kOrvaExtensionUnitGuid));
        kernel->AddNode(sysfs.DevRoot() + "/video0", camera);
        kernel->AddNode(sysfs.DevRoot() + "/video1", nullptr);
        std::unique_ptr<FakeDeviceMonitor> fakeMonitor;
        if (withMonitor) {
            fakeMonitor = std::make_unique<FakeDeviceMonitor>();
            monitor = fakeMonitor.get();
        }
        enumerator = std::make_unique<V4l2CameraDeviceEnumerator>(
            kernel, V4l2SysfsTree(sysfs.SysRoot(), sysfs.DevRoot()), std::move(fakeMonitor));
    }

    ManualClock cameraClock;
    TempDir dir;
    FakeSysfs sysfs{dir.Path()};
    // Shared: a reader's delivery thread may hold it a moment past the test.
    std::shared_ptr<FakeV4l2Kernel> kernel = std::make_shared<FakeV4l2Kernel>();
    std::shared_ptr<SimulatedCamera> camera;
    FakeDeviceMonitor* monitor = nullptr;
    std::unique_ptr<V4l2CameraDeviceEnumerator> enumerator;
};

}  // namespace orva::test
