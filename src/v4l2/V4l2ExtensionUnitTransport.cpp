#include "v4l2/V4l2ExtensionUnitTransport.h"

#include "v4l2/V4l2ResultCode.h"

#include <linux/usb/video.h>
#include <linux/uvcvideo.h>

#include <algorithm>
#include <array>

namespace orva {

int32_t V4l2ExtensionUnitTransport::SetControl(uint8_t selector, std::span<const uint8_t> data) {
    // The query takes a writable buffer even for a write.
    if (data.size() > kMaxBlockSize) return kResultInvalidArgument;
    std::array<uint8_t, kMaxBlockSize> buffer{};
    std::copy(data.begin(), data.end(), buffer.begin());
    return Query(selector, UVC_SET_CUR, std::span<uint8_t>(buffer.data(), data.size()));
}

int32_t V4l2ExtensionUnitTransport::GetControl(uint8_t selector, std::span<uint8_t> data) {
    if (data.size() > kMaxBlockSize) return kResultInvalidArgument;
    return Query(selector, UVC_GET_CUR, data);
}

int32_t V4l2ExtensionUnitTransport::Query(uint8_t selector, uint8_t query, std::span<uint8_t> data) {
    uvc_xu_control_query request{};
    request.unit = unitId_;
    request.selector = selector;
    request.query = query;
    request.size = static_cast<uint16_t>(data.size());
    request.data = data.data();
    return ResultFromErrno(device_->Ioctl(UVCIOC_CTRL_QUERY, &request));
}

}  // namespace orva
