#pragma once
// The simulator's own firmware images. A real camera's image is the maker's and opaque to
// the station; the simulated camera needs only to know which version it boots, so its FX3
// parts begin with a marker and the version bytes (major, minor, patch), followed by
// filler. Files are built in the station's ".dat" layout: a zero version word, the three
// part sizes most significant byte first, then the FX3 part and the two FPGA parts.
//
// Threads: plain functions of their arguments.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace orva {

struct SimFirmwareVersion {
    uint8_t major = 0;
    uint8_t minor = 0;
    uint8_t patch = 0;
    bool operator==(const SimFirmwareVersion&) const = default;
};

class SimFirmwareImage {
public:
    static constexpr std::array<uint8_t, 8> kMarker{'O', 'R', 'V', 'A', 'S', 'I', 'M', '1'};
    static constexpr std::size_t kVersionedPrefix = kMarker.size() + 3;

    // An FX3 part of `size` bytes (at least the prefix) carrying the version; the filler
    // follows from the seed.
    static std::vector<uint8_t> Fx3Part(SimFirmwareVersion version, std::size_t size, uint32_t seed);
    // Filler bytes for an FPGA part.
    static std::vector<uint8_t> FpgaPart(std::size_t size, uint32_t seed);
    // A whole firmware file of the three parts.
    static std::vector<uint8_t> File(std::span<const uint8_t> fx3, std::span<const uint8_t> fpga1,
                                     std::span<const uint8_t> fpga2);
    // The version an image starting with these bytes boots; nothing for a foreign,
    // erased or damaged image.
    static std::optional<SimFirmwareVersion> VersionOf(std::span<const uint8_t> imageStart);
};

}  // namespace orva
