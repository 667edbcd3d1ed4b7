#pragma once
// Finds the camera's vendor extension unit in the USB descriptors of a video-class device
// (the bytes of sysfs's "descriptors" file: the device descriptor, then the configuration
// descriptors with their interface and class-specific descriptors, one after the other).
// The unit is the VideoControl interface's extension-unit descriptor whose extension code
// is the camera's GUID; the driver addresses it by that descriptor's unit id.
//
// Outside input: a descriptor of length 0, one that runs past the end, or a truncated
// extension-unit descriptor ends the walk; nothing is read out of bounds.
//
// Pure functions; any thread.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace orva {

class UvcDescriptorReader {
public:
    using Guid = std::array<uint8_t, 16>;

    // The camera's extension-unit GUID {6665DD78-D30C-11E8-A8D5-F2801F1B9FD1}, in the byte
    // order the descriptor stores it.
    static constexpr Guid kOrvaExtensionUnitGuid = {0x78, 0xDD, 0x65, 0x66, 0x0C, 0xD3, 0xE8, 0x11,
                                                    0xA8, 0xD5, 0xF2, 0x80, 0x1F, 0x1B, 0x9F, 0xD1};

    // The unit id of the first extension unit with that GUID inside a VideoControl
    // interface; nothing when there is none.
    static std::optional<uint8_t> FindExtensionUnit(std::span<const uint8_t> descriptors, const Guid& guid);
};

}  // namespace orva
