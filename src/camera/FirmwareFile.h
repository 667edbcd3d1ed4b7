#pragma once
// A camera firmware file (".dat"), read whole and checked before anything touches the
// flash: a 16-byte header (a zero version word, then the sizes of the FX3 part and of the
// two FPGA parts, most significant byte first) followed by exactly those three parts. A
// file whose length differs from what its header declares is refused, so a truncated or
// padded file never reaches the camera.
//
// Which FPGA part a camera takes depends on its serial number: below 50 the first, 50 and
// above the second.
//
// Threads: a plain value; no sharing.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orva {

class FirmwareFile {
public:
    static constexpr std::size_t kHeaderSize = 16;
    static constexpr uint32_t kMinFx3Size = 5000;
    static constexpr uint32_t kMaxFx3Size = 500000;
    static constexpr uint32_t kMinFpgaSize = 100000;
    static constexpr uint32_t kMaxFpgaSize = 2000000;
    // FX3-only files may still carry a few bytes of FPGA part.
    static constexpr uint32_t kMaxFx3OnlyFpgaSize = 4;
    static constexpr uint32_t kFirstSerialOfSecondFpga = 50;

    // Reads and checks the file; on failure `error` holds the text to show.
    static std::optional<FirmwareFile> Open(const std::string& path, std::string& error);
    // The same checks on bytes already in memory.
    static std::optional<FirmwareFile> FromBytes(std::vector<uint8_t> bytes, std::string& error);

    uint32_t Fx3Size() const { return fx3Size_; }
    uint32_t FirstFpgaSize() const { return fpga1Size_; }
    uint32_t SecondFpgaSize() const { return fpga2Size_; }
    static bool TakesSecondFpgaPart(uint32_t serialNumber) { return serialNumber >= kFirstSerialOfSecondFpga; }

    std::span<const uint8_t> Fx3Part() const;
    // The FPGA part for a camera with this serial number.
    std::span<const uint8_t> FpgaPart(uint32_t serialNumber) const;

private:
    FirmwareFile(std::vector<uint8_t> bytes, uint32_t fx3, uint32_t fpga1, uint32_t fpga2)
        : bytes_(std::move(bytes)), fx3Size_(fx3), fpga1Size_(fpga1), fpga2Size_(fpga2) {}

    std::vector<uint8_t> bytes_;
    uint32_t fx3Size_;
    uint32_t fpga1Size_;
    uint32_t fpga2Size_;
};

}  // namespace orva
