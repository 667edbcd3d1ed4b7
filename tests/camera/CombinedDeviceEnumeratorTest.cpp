#include "camera/CombinedDeviceEnumerator.h"

#include "CameraFakes.h"
#include "support/LogCapture.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

// The simulated camera's layer beside the system's: one list, removals from both.
TEST(CombinedDeviceEnumerator, ListsEveryLayerAndPassesEveryRemoval) {
    test::ManualClock clock;
    test::FakeDeviceEnumerator simulated;
    test::FakeDeviceEnumerator system;
    simulated.devices.push_back(std::make_shared<test::FakeCameraDevice>(clock, "ORVA+CAM", "sim#1"));
    system.devices.push_back(std::make_shared<test::FakeCameraDevice>(clock, "ORVA+CAM", "usb-1-2:1.0"));
    system.devices.push_back(std::make_shared<test::FakeCameraDevice>(clock, "FX3 USB device", "usb-1-3:1.0"));
    CombinedDeviceEnumerator all({&simulated, &system});

    const auto devices = all.EnumerateVideoCaptureDevices();
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0]->SymbolicLink(), std::optional<std::string>("sim#1"));
    EXPECT_EQ(devices[2]->SymbolicLink(), std::optional<std::string>("usb-1-3:1.0"));

    std::vector<std::string> removed;
    const int id = all.SubscribeRemovals([&](const DeviceChangeNotification& n) { removed.push_back(n.deviceName); });
    ASSERT_NE(id, 0);
    simulated.listener({DeviceChangeNotification::kDeviceTypeInterface, "sim#1"});
    system.listener({DeviceChangeNotification::kDeviceTypeInterface, "usb-1-2:1.0"});
    EXPECT_EQ(removed, (std::vector<std::string>{"sim#1", "usb-1-2:1.0"}));

    all.UnsubscribeRemovals(id);
    EXPECT_FALSE(simulated.listener);
    EXPECT_FALSE(system.listener);
}

// A system layer that cannot list leaves the simulated camera usable; only when every
// layer fails does the listing fail.
TEST(CombinedDeviceEnumerator, AFailingLayerIsLeftOut) {
    test::LogCapture log;
    test::ManualClock clock;
    test::FakeDeviceEnumerator simulated;
    test::FakeDeviceEnumerator system;
    simulated.devices.push_back(std::make_shared<test::FakeCameraDevice>(clock, "ORVA+CAM", "sim#1"));
    system.failWith = "no video devices";
    CombinedDeviceEnumerator all({&simulated, &system});
    EXPECT_EQ(all.EnumerateVideoCaptureDevices().size(), 1u);
    EXPECT_TRUE(log.Contains("W CombinedDeviceEnumerator: a camera layer could not be listed: no video devices"));
    simulated.failWith = "gone";
    EXPECT_THROW(all.EnumerateVideoCaptureDevices(), std::runtime_error);
}

}  // namespace
}  // namespace orva
