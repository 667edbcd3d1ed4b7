#include "simcam/SimFirmwareImage.h"

#include <algorithm>

namespace orva {
namespace {

std::vector<uint8_t> Filler(std::size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    uint32_t x = seed * 2654435761u + 1u;
    for (uint8_t& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<uint8_t>(x >> 11);
    }
    return bytes;
}

void AppendBigEndian32(std::vector<uint8_t>& out, std::size_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

}  // namespace

std::vector<uint8_t> SimFirmwareImage::Fx3Part(SimFirmwareVersion version, std::size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes = Filler(std::max(size, kVersionedPrefix), seed);
    std::copy(kMarker.begin(), kMarker.end(), bytes.begin());
    bytes[kMarker.size()] = version.major;
    bytes[kMarker.size() + 1] = version.minor;
    bytes[kMarker.size() + 2] = version.patch;
    return bytes;
}

std::vector<uint8_t> SimFirmwareImage::FpgaPart(std::size_t size, uint32_t seed) { return Filler(size, seed); }

std::vector<uint8_t> SimFirmwareImage::File(std::span<const uint8_t> fx3, std::span<const uint8_t> fpga1,
                                            std::span<const uint8_t> fpga2) {
    std::vector<uint8_t> out{0, 0, 0, 0};
    AppendBigEndian32(out, fx3.size());
    AppendBigEndian32(out, fpga1.size());
    AppendBigEndian32(out, fpga2.size());
    out.insert(out.end(), fx3.begin(), fx3.end());
    out.insert(out.end(), fpga1.begin(), fpga1.end());
    out.insert(out.end(), fpga2.begin(), fpga2.end());
    return out;
}

std::optional<SimFirmwareVersion> SimFirmwareImage::VersionOf(std::span<const uint8_t> imageStart) {
    if (imageStart.size() < kVersionedPrefix || !std::equal(kMarker.begin(), kMarker.end(), imageStart.begin())) {
        return std::nullopt;
    }
    return SimFirmwareVersion{imageStart[kMarker.size()], imageStart[kMarker.size() + 1],
                              imageStart[kMarker.size() + 2]};
}

}  // namespace orva
