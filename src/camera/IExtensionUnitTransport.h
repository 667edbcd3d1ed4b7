#pragma once
// The byte mover under the camera's vendor extension unit: reads or writes one control
// (a selector) with a byte buffer. It knows nothing of the blocks it carries; the
// protocol lives in CameraExtensionUnit. The simulated camera and the V4L2 backend each
// implement it.
//
// Threads: CameraExtensionUnit calls a transport from one thread at a time, so an
// implementation needs no lock of its own for these two calls.

#include <cstdint>
#include <span>

namespace orva {

// Platform result codes: negative means failure.
inline constexpr int32_t kResultOk = 0;
inline constexpr int32_t kResultFailed = static_cast<int32_t>(0x80004005u);
inline constexpr int32_t kResultInvalidArgument = static_cast<int32_t>(0x80070057u);

class IExtensionUnitTransport {
public:
    virtual ~IExtensionUnitTransport() = default;

    // Writes all bytes of `data` to control `selector`. Returns a result code.
    virtual int32_t SetControl(uint8_t selector, std::span<const uint8_t> data) = 0;

    // Reads control `selector` into all of `data`; a reply shorter than `data` is a
    // failure. Returns a result code; on failure the content of `data` is unspecified.
    virtual int32_t GetControl(uint8_t selector, std::span<uint8_t> data) = 0;
};

}  // namespace orva
