#pragma once
// The camera's two ways of sending 12-bit samples. Normal: two bytes per pixel, the
// upper 8 bits first, then the lower 4 bits in the low nibble of the second byte.
// Packed: eight pixels in twelve bytes (six little-endian 16-bit words), used when the
// mode's transfer width is below its image width.

#include <cstdint>
#include <span>

namespace orva {

// `samples` are 12-bit values (0..4095); `out` receives 2 bytes per sample.
void PackSimRowNormal(std::span<const uint16_t> samples, std::span<uint8_t> out);
// `samples.size()` must be a multiple of 8; `out` receives 12 bytes per 8 samples.
void PackSimRow12(std::span<const uint16_t> samples, std::span<uint8_t> out);

}  // namespace orva
