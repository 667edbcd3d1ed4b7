// The parts of the V4L2 backend that read outside input without a device: the USB
// descriptors, sysfs, and the mapping of kernel errors to result codes.
#include "FakeSysfs.h"
#include "support/TempDir.h"
#include "v4l2/UvcDescriptorReader.h"
#include "v4l2/V4l2ResultCode.h"
#include "v4l2/V4l2SysfsTree.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace orva {
namespace {

using test::UvcCameraDescriptors;
constexpr auto kGuid = UvcDescriptorReader::kOrvaExtensionUnitGuid;

TEST(UvcDescriptorReaderTest, FindsTheCamerasUnitOnlyInsideVideoControl) {
    UvcDescriptorReader::Guid other = kGuid;
    other[15] ^= 0xFF;
    EXPECT_EQ(UvcDescriptorReader::FindExtensionUnit(UvcCameraDescriptors(3, kGuid), kGuid), std::optional<uint8_t>(3));
    EXPECT_EQ(UvcDescriptorReader::FindExtensionUnit(UvcCameraDescriptors(9, kGuid), kGuid), std::optional<uint8_t>(9));
    EXPECT_EQ(UvcDescriptorReader::FindExtensionUnit(UvcCameraDescriptors(3, other), kGuid), std::nullopt);
    EXPECT_EQ(UvcDescriptorReader::FindExtensionUnit(UvcCameraDescriptors(3, kGuid, true), kGuid), std::nullopt);
}

TEST(UvcDescriptorReaderTest, DamagedDescriptorsEndTheWalkWithoutReadingPastTheEnd) {
    const std::vector<uint8_t> good = UvcCameraDescriptors(3, kGuid);
    // Every cut of the bytes: the unit is found only when its whole descriptor is there.
    const std::size_t unitEnd = 18 + 9 + 8 + 9 + 13 + 18 + 26;
    for (std::size_t n = 0; n <= good.size(); ++n) {
        const std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_EQ(UvcDescriptorReader::FindExtensionUnit(cut, kGuid).has_value(), n >= unitEnd) << n;
    }
    std::vector<uint8_t> zeroLength = good;
    zeroLength[18] = 0;  // the configuration descriptor claims 0 bytes
    EXPECT_EQ(UvcDescriptorReader::FindExtensionUnit(zeroLength, kGuid), std::nullopt);
    std::vector<uint8_t> shortUnit = good;
    shortUnit[unitEnd - 26] = 12;  // a unit descriptor too short for its GUID
    EXPECT_EQ(UvcDescriptorReader::FindExtensionUnit(shortUnit, kGuid), std::nullopt);
}

TEST(V4l2ResultCodeTest, KernelErrorsBecomeTheCodesTheLogShows) {
    const std::pair<int, int32_t> cases[] = {
        {0, 0},
        {5, 0},
        {-ENODEV, -2147023729},  // 0x8007048F
        {-ENXIO, -2147023729},
        {-EBUSY, -2147024726},   // 0x800700AA
        {-EIO, -2147023779},     // 0x8007045D
        {-EPROTO, -2147023779},
        {-EPIPE, -2147023779},
        {-EACCES, -2147024891},  // 0x80070005
        {-EPERM, -2147024891},
        {-ETIMEDOUT, -2147023436},
        {-ENOMEM, -2147024882},
        {-ENOBUFS, -2147024809},
        {-EINVAL, -2147024809},
        {-ENOENT, -2147024894},
        {-ENOTTY, -2147467259},  // 0x80004005, anything else
    };
    for (const auto& [err, code] : cases) EXPECT_EQ(ResultFromErrno(err), code) << err;
}

TEST(V4l2SysfsTreeTest, ListsEveryNodeWithNameLinkIndexAndDescriptors) {
    test::TempDir dir;
    test::FakeSysfs sysfs(dir.Path());
    const std::vector<uint8_t> descriptors = UvcCameraDescriptors(3, kGuid);
    sysfs.AddUsbNode("video10", "3-1.4", "3-1.4:1.0", "FX3 USB device", 0, descriptors);
    sysfs.AddUsbNode("video2", "1-2", "1-2:1.0", "ORVA+CAM", 0, descriptors);
    sysfs.AddUsbNode("video3", "1-2", "1-2:1.0", "ORVA+CAM", 1, descriptors);
    sysfs.AddPlatformNode("video0", "vivid");

    const auto devices = V4l2SysfsTree(sysfs.SysRoot(), sysfs.DevRoot()).VideoDevices();
    ASSERT_EQ(devices.size(), 4u);
    EXPECT_EQ(devices[0].kernelName, "video0");
    EXPECT_EQ(devices[0].friendlyName, "vivid");
    EXPECT_EQ(devices[0].symbolicLink, "");
    EXPECT_TRUE(devices[0].usbDescriptors.empty());
    EXPECT_EQ(devices[1].kernelName, "video2");
    EXPECT_EQ(devices[1].deviceNode, sysfs.DevRoot() + "/video2");
    EXPECT_EQ(devices[1].friendlyName, "ORVA+CAM");
    EXPECT_EQ(devices[1].symbolicLink, "usb-1-2:1.0");
    EXPECT_EQ(devices[1].nodeIndex, 0);
    EXPECT_EQ(devices[1].usbDescriptors, descriptors);
    EXPECT_EQ(devices[2].nodeIndex, 1);
    EXPECT_EQ(devices[3].kernelName, "video10");
    EXPECT_EQ(devices[3].symbolicLink, "usb-3-1.4:1.0");
}

TEST(V4l2SysfsTreeTest, NoVideoClassIsNoDevice) {
    test::TempDir dir;
    EXPECT_TRUE(V4l2SysfsTree(dir.Path(), dir.Path()).VideoDevices().empty());
}

TEST(V4l2SysfsTreeTest, SymbolicLinkFromARemovalEventsPath) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/video4linux/video0", "usb-1-2:1.0"},
        {"/sys/devices/pci0000:00/0000:00:14.0/usb3/3-1/3-1.4/3-1.4:1.0/video4linux/video12", "usb-3-1.4:1.0"},
        {"/sys/devices/platform/vivid.0/video4linux/video0", std::nullopt},
        {"/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [path, link] : cases) EXPECT_EQ(V4l2SysfsTree::SymbolicLinkFromSysPath(path), link) << path;
}

}  // namespace
}  // namespace orva
