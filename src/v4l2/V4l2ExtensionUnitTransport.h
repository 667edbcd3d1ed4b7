#pragma once
// The camera's vendor extension unit through the uvcvideo driver: one control query
// (UVCIOC_CTRL_QUERY) per access, UVC_SET_CUR to write and UVC_GET_CUR to read, on the
// unit found in the device's descriptors. Only moves bytes; kernel errors become result
// codes (V4l2ResultCode).
//
// Threads: CameraExtensionUnit calls it one call at a time; the device handle may be
// used by the video reader at the same time.

#include "camera/IExtensionUnitTransport.h"
#include "v4l2/V4l2DeviceHandle.h"

#include <memory>

namespace orva {

class V4l2ExtensionUnitTransport final : public IExtensionUnitTransport {
public:
    // The longest block the camera's controls carry (firmware frames are 34 bytes).
    static constexpr std::size_t kMaxBlockSize = 64;

    V4l2ExtensionUnitTransport(std::shared_ptr<V4l2DeviceHandle> device, uint8_t unitId)
        : device_(std::move(device)), unitId_(unitId) {}

    int32_t SetControl(uint8_t selector, std::span<const uint8_t> data) override;
    int32_t GetControl(uint8_t selector, std::span<uint8_t> data) override;

    uint8_t UnitId() const { return unitId_; }

private:
    int32_t Query(uint8_t selector, uint8_t query, std::span<uint8_t> data);

    std::shared_ptr<V4l2DeviceHandle> device_;
    const uint8_t unitId_;
};

}  // namespace orva
