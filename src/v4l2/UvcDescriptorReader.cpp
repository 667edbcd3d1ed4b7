#include "v4l2/UvcDescriptorReader.h"

#include <algorithm>

namespace orva {
namespace {

constexpr uint8_t kTypeInterface = 0x04;
constexpr uint8_t kTypeClassInterface = 0x24;
constexpr uint8_t kClassVideo = 0x0E;
constexpr uint8_t kSubclassVideoControl = 0x01;
constexpr uint8_t kSubtypeExtensionUnit = 0x06;
// bLength, bDescriptorType, bDescriptorSubtype, bUnitID, guidExtensionCode[16]
constexpr std::size_t kExtensionUnitMinimumLength = 20;

}  // namespace

std::optional<uint8_t> UvcDescriptorReader::FindExtensionUnit(std::span<const uint8_t> descriptors, const Guid& guid) {
    bool inVideoControl = false;
    std::size_t at = 0;
    while (at + 2 <= descriptors.size()) {
        const std::size_t length = descriptors[at];
        if (length < 2 || at + length > descriptors.size()) break;
        const std::span<const uint8_t> d = descriptors.subspan(at, length);
        if (d[1] == kTypeInterface) {
            // bInterfaceClass and bInterfaceSubClass at offsets 5 and 6.
            inVideoControl = length >= 7 && d[5] == kClassVideo && d[6] == kSubclassVideoControl;
        } else if (inVideoControl && d[1] == kTypeClassInterface && length >= 3 && d[2] == kSubtypeExtensionUnit) {
            if (length >= kExtensionUnitMinimumLength && std::equal(guid.begin(), guid.end(), d.begin() + 4)) {
                return d[3];
            }
        }
        at += length;
    }
    return std::nullopt;
}

}  // namespace orva
