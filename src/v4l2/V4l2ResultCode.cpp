#include "v4l2/V4l2ResultCode.h"

#include "camera/IExtensionUnitTransport.h"
#include "common/Log.h"

#include <cerrno>
#include <string>

namespace orva {

int32_t ResultFromErrno(int negatedErrno) {
    if (negatedErrno >= 0) return kResultOk;
    switch (-negatedErrno) {
    case ENODEV:
    case ENXIO:
        return kResultV4l2DeviceGone;
    case EBUSY:
        return kResultV4l2Busy;
    case EIO:
    case EPROTO:
    case EPIPE:
        return kResultV4l2IoError;
    case EACCES:
    case EPERM:
        return kResultV4l2AccessDenied;
    case ETIMEDOUT:
        return kResultV4l2Timeout;
    case ENOMEM:
        return kResultV4l2OutOfMemory;
    case ENOBUFS:
    case ENOSPC:
    case EINVAL:
    case ERANGE:
        return kResultV4l2InvalidArgument;
    case ENOENT:
        return kResultV4l2NotFound;
    default:
        return kResultFailed;
    }
}

int32_t LogKernelFailure(std::string_view who, std::string_view call, int negatedErrno) {
    const int32_t code = ResultFromErrno(negatedErrno);
    LogMessageInt(std::string(who) + " " + std::string(call) + " failed:", code);
    return code;
}

}  // namespace orva
