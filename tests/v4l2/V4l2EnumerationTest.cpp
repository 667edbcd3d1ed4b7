// Listing cameras through the V4L2 backend, the camera family filter of the camera
// manager over it, and removals reaching the listeners once, from udev or a reader.
#include "V4l2TestRig.h"
#include "camera/CameraManager.h"
#include "camera/ICameraStream.h"
#include "stream/VideoSource.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <condition_variable>
#include <mutex>

namespace orva {
namespace {

using namespace std::chrono_literals;

class NullStream final : public ICameraStream {
public:
    bool InitWithMediaSource(std::shared_ptr<ICameraMediaSource>) override { return true; }
    void DeInit() override {}
    bool IsStreaming() override { return false; }
    void StartStreamingBlocking() override {}
    void StopStreamingBlocking() override {}
    uint32_t GetNofSamplesCounter() override { return 0; }
};

// Collects notifications from whichever thread delivers them.
class Notifications {
public:
    ICameraDeviceEnumerator::RemovalListener Listener() {
        return [this](const DeviceChangeNotification& n) {
            std::lock_guard lock(mutex_);
            names_.push_back(n.deviceName);
            changed_.notify_all();
        };
    }
    std::vector<std::string> WaitFor(std::size_t count) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, 10s, [&] { return names_.size() >= count; });
        return names_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> names_;
};

TEST(V4l2EnumerationTest, ListsCaptureNodesOnlyWithTheirNamesAndLinks) {
    test::V4l2TestRig rig;
    const auto devices = rig.enumerator->EnumerateVideoCaptureDevices();
    ASSERT_EQ(devices.size(), 1u);  // the metadata node video1 does not capture video
    EXPECT_EQ(devices[0]->FriendlyName(), "ORVA+CAM");
    EXPECT_EQ(devices[0]->SymbolicLink(), test::kCameraLink);
    EXPECT_EQ(rig.kernel->OpenDescriptors(), 0);  // asked and closed again
}

TEST(V4l2EnumerationTest, TheCameraManagerKeepsOnlyTheCameraFamily) {
    test::LogCapture log;
    test::V4l2TestRig rig;
    const auto descriptors =
        test::UvcCameraDescriptors(test::FakeV4l2Kernel::kUnitId, UvcDescriptorReader::kOrvaExtensionUnitGuid);
    const std::pair<const char*, const char*> others[] = {
        {"video2", "FX3 USB device"}, {"video3", "My FX3"}, {"video4", "orva cam"}};
    int port = 3;
    for (const auto& [node, name] : others) {
        SimCameraConfig config;
        config.identity.friendlyName = name;
        rig.sysfs.AddUsbNode(node, "1-" + std::to_string(port), "1-" + std::to_string(port) + ":1.0", name, 0,
                             descriptors);
        rig.kernel->AddNode(rig.sysfs.DevRoot() + "/" + node, std::make_shared<SimulatedCamera>(config, rig.cameraClock));
        ++port;
    }
    rig.sysfs.AddPlatformNode("video5", "ORVA on no bus");  // no USB link: skipped
    NullStream stream;
    CameraManager manager(*rig.enumerator, stream);
    const auto cameras = manager.EnumerateCameras();
    ASSERT_EQ(cameras.size(), 2u);
    EXPECT_EQ(cameras[0]->FriendlyName(), "ORVA+CAM");
    EXPECT_EQ(cameras[0]->SymbolicLink(), "usb-1-2:1.0");
    EXPECT_EQ(cameras[1]->FriendlyName(), "FX3 USB device");
    EXPECT_EQ(cameras[1]->SymbolicLink(), "usb-1-3:1.0");
    EXPECT_TRUE(log.Contains("I Enumerated cameras: 2"));
}

TEST(V4l2EnumerationTest, ANodeThatMayNotBeOpenedIsListedWhenItIsTheCaptureNode) {
    test::LogCapture log;
    test::V4l2TestRig rig;
    rig.kernel->FailNext("open", EACCES);  // video0
    rig.kernel->FailNext("open", EACCES);  // video1
    const auto devices = rig.enumerator->EnumerateVideoCaptureDevices();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0]->FriendlyName(), "ORVA+CAM");
    const std::string node = rig.sysfs.DevRoot() + "/video0";
    EXPECT_TRUE(log.Contains("W V4l2CameraDeviceEnumerator: " + node + " open failed: -2147024891"));
    // Connecting then fails with the reason in the log.
    std::shared_ptr<ICameraMediaSource> source;
    rig.kernel->FailNext("open", EACCES);
    EXPECT_EQ(devices[0]->ActivateMediaSource(source), -2147024891);
    EXPECT_EQ(source, nullptr);
    EXPECT_TRUE(log.Contains("E V4l2CameraDevice: " + node + " open failed: -2147024891"));
}

TEST(V4l2EnumerationTest, ActivationFindsTheExtensionUnitOrLeavesItOut) {
    test::V4l2TestRig rig;
    rig.sysfs.AddUsbNode("video2", "1-4", "1-4:1.0", "ORVA+CAM", 0,
                         test::UvcCameraDescriptors(3, UvcDescriptorReader::Guid{}));
    rig.kernel->AddNode(rig.sysfs.DevRoot() + "/video2", rig.camera);
    const auto devices = rig.enumerator->EnumerateVideoCaptureDevices();
    ASSERT_EQ(devices.size(), 2u);
    std::shared_ptr<ICameraMediaSource> withUnit;
    std::shared_ptr<ICameraMediaSource> withoutUnit;
    ASSERT_EQ(devices[0]->ActivateMediaSource(withUnit), 0);
    ASSERT_EQ(devices[1]->ActivateMediaSource(withoutUnit), 0);
    EXPECT_NE(withUnit->ExtensionUnitTransport(), nullptr);
    EXPECT_EQ(withoutUnit->ExtensionUnitTransport(), nullptr);  // the camera unit's Create then fails
    EXPECT_NE(std::dynamic_pointer_cast<IVideoSource>(withUnit), nullptr);
    EXPECT_EQ(rig.kernel->OpenDescriptors(), 2);
    withUnit.reset();
    withoutUnit.reset();
    EXPECT_EQ(rig.kernel->OpenDescriptors(), 0);
}

TEST(V4l2EnumerationTest, UdevRemovalsAndArrivalsReachTheListenersOncePerUnplug) {
    test::V4l2TestRig rig;
    Notifications removals;
    Notifications arrivals;
    rig.enumerator->SubscribeRemovals(removals.Listener());
    rig.enumerator->SubscribeArrivals(arrivals.Listener());
    const std::string path = rig.sysfs.SysPath("video0");
    using Action = V4l2DeviceEvent::Action;
    rig.monitor->Push({Action::Removed, "/sys/devices/platform/vivid.0/video4linux/video7"});  // not a camera
    rig.monitor->Push({Action::Removed, path});
    rig.monitor->Push({Action::Removed, rig.sysfs.SysPath("video1")});  // the same camera's metadata node
    rig.monitor->Push({Action::Added, path});
    rig.monitor->Push({Action::Removed, path});
    EXPECT_EQ(arrivals.WaitFor(1), std::vector<std::string>{test::kCameraLink});
    EXPECT_EQ(removals.WaitFor(2), (std::vector<std::string>{test::kCameraLink, test::kCameraLink}));
}

}  // namespace
}  // namespace orva
