#pragma once
// What the camera manager needs of the platform's camera devices: the list of video
// capture devices with their names, an activation object per device, the activated
// media source with its extension-unit transport, and removal notifications. The
// simulated camera and the V4L2 backend implement it.
//
// The media source is opaque here: the camera library hands it, unopened, to the stream
// (ICameraStream), whose adapter knows the video side of it.
//
// Threads: enumeration and activation run on the GUI thread. Removal listeners may be
// called on any thread; the receiver posts them to the GUI thread.

#include "camera/IExtensionUnitTransport.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orva {

// An activated camera: the video source (for the stream) and the extension unit.
class ICameraMediaSource {
public:
    virtual ~ICameraMediaSource() = default;
    // Null when the device offers no extension unit.
    virtual std::shared_ptr<IExtensionUnitTransport> ExtensionUnitTransport() = 0;
};

// The platform's activation object of one listed device.
class ICameraDevice {
public:
    virtual ~ICameraDevice() = default;
    // Nothing when the name cannot be read.
    virtual std::optional<std::string> FriendlyName() = 0;
    // The device interface path; nothing when it cannot be read.
    virtual std::optional<std::string> SymbolicLink() = 0;
    // How many frame buffers the source may keep. Returns a result code.
    virtual int32_t SetMaxBuffers(uint32_t count) = 0;
    // Activates the media source. Returns a result code; on success `source` is set.
    virtual int32_t ActivateMediaSource(std::shared_ptr<ICameraMediaSource>& source) = 0;
};

// A device removal: the notification's device type (5 = device interface) and name.
struct DeviceChangeNotification {
    static constexpr uint32_t kDeviceTypeInterface = 5;
    uint32_t deviceType = kDeviceTypeInterface;
    std::string deviceName;
};

class ICameraDeviceEnumerator {
public:
    using RemovalListener = std::function<void(const DeviceChangeNotification&)>;

    virtual ~ICameraDeviceEnumerator() = default;
    // The video capture devices attached now. Throws std::exception when the platform's
    // enumeration fails.
    virtual std::vector<std::shared_ptr<ICameraDevice>> EnumerateVideoCaptureDevices() = 0;
    // Registers for device-removal notifications; returns an id (0 when refused).
    virtual int SubscribeRemovals(RemovalListener listener) = 0;
    virtual void UnsubscribeRemovals(int id) = 0;
};

}  // namespace orva
