#pragma once
// The station's result codes (negative = failure, logged in decimal) for the errno values
// the V4L2 and UVC calls report. The codes are those the Windows build would log for the
// same condition, so one log reads the same on both platforms.
//
// Pure functions; any thread.

#include "camera/IExtensionUnitTransport.h"

#include <cstdint>
#include <string_view>

namespace orva {

// The camera left the bus (ENODEV, ENXIO).
inline constexpr int32_t kResultV4l2DeviceGone = static_cast<int32_t>(0x8007048Fu);
// Another program streams from the camera (EBUSY).
inline constexpr int32_t kResultV4l2Busy = static_cast<int32_t>(0x800700AAu);
// The transfer failed on the bus (EIO, EPROTO, EPIPE).
inline constexpr int32_t kResultV4l2IoError = static_cast<int32_t>(0x8007045Du);
// The device node may not be opened (EACCES, EPERM): the udev rule is missing.
inline constexpr int32_t kResultV4l2AccessDenied = static_cast<int32_t>(0x80070005u);
// No reply in time (ETIMEDOUT).
inline constexpr int32_t kResultV4l2Timeout = static_cast<int32_t>(0x800705B4u);
// Out of memory for buffers (ENOMEM).
inline constexpr int32_t kResultV4l2OutOfMemory = static_cast<int32_t>(0x8007000Eu);
// A block length the control does not have (ENOBUFS, ENOSPC) or a bad argument (EINVAL, ERANGE).
inline constexpr int32_t kResultV4l2InvalidArgument = static_cast<int32_t>(0x80070057u);
// A device node that is not there (ENOENT).
inline constexpr int32_t kResultV4l2NotFound = static_cast<int32_t>(0x80070002u);

// `negatedErrno` is a kernel call's result (-errno); 0 and positive values give kResultOk.
// Unknown errno values give the generic failure code.
int32_t ResultFromErrno(int negatedErrno);

// Logs "<who> <call> failed: <code>" (format "%s %d") and returns the code.
int32_t LogKernelFailure(std::string_view who, std::string_view call, int negatedErrno);

}  // namespace orva
