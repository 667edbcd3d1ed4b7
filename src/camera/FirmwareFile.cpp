#include "camera/FirmwareFile.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace orva {
namespace {

constexpr const char* kOpenFailed = "Failed to open the firmware file.";
constexpr const char* kOldVersion = "Please select a valid version 1.0 or newer firmware file.";
constexpr const char* kLengthMismatch =
    "Error: The firmware file is incomplete or damaged: its length does not match the sizes in its header.";

// The largest file a valid header can describe.
constexpr uint64_t kMaxFileSize = FirmwareFile::kHeaderSize + uint64_t{FirmwareFile::kMaxFx3Size} +
                                  2 * uint64_t{FirmwareFile::kMaxFpgaSize};

uint32_t BigEndian32(const std::vector<uint8_t>& b, std::size_t at) {
    return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
}

}  // namespace

std::optional<FirmwareFile> FirmwareFile::Open(const std::string& path, std::string& error) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    std::ifstream in(path, std::ios::binary);
    if (ec || !in) {
        error = kOpenFailed;
        return std::nullopt;
    }
    // Never read more than any valid file can hold; the length check refuses it anyway.
    std::vector<uint8_t> bytes(static_cast<std::size_t>(std::min<uint64_t>(size, kMaxFileSize + 1)));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::size_t>(in.gcount()) != bytes.size()) {
        error = kOpenFailed;
        return std::nullopt;
    }
    if (size > kMaxFileSize) bytes.push_back(0);  // keeps the length check failing
    return FromBytes(std::move(bytes), error);
}

std::optional<FirmwareFile> FirmwareFile::FromBytes(std::vector<uint8_t> bytes, std::string& error) {
    if (bytes.size() < 4 || bytes[0] != 0 || bytes[1] != 0 || bytes[2] != 0 || bytes[3] != 0) {
        error = bytes.size() < 4 ? kLengthMismatch : kOldVersion;
        return std::nullopt;
    }
    if (bytes.size() < kHeaderSize) {
        error = kLengthMismatch;
        return std::nullopt;
    }
    const uint32_t fx3 = BigEndian32(bytes, 4);
    const uint32_t fpga1 = BigEndian32(bytes, 8);
    const uint32_t fpga2 = BigEndian32(bytes, 12);
    // 64-bit: three 32-bit sizes may not overflow into a plausible total.
    const uint64_t declared = kHeaderSize + uint64_t{fx3} + fpga1 + fpga2;
    if (declared != bytes.size()) {
        error = kLengthMismatch;
        return std::nullopt;
    }
    return FirmwareFile(std::move(bytes), fx3, fpga1, fpga2);
}

std::span<const uint8_t> FirmwareFile::Fx3Part() const {
    return std::span<const uint8_t>(bytes_).subspan(kHeaderSize, fx3Size_);
}

std::span<const uint8_t> FirmwareFile::FpgaPart(uint32_t serialNumber) const {
    const std::span<const uint8_t> all(bytes_);
    if (TakesSecondFpgaPart(serialNumber)) return all.subspan(kHeaderSize + fx3Size_ + fpga1Size_, fpga2Size_);
    return all.subspan(kHeaderSize + fx3Size_, fpga1Size_);
}

}  // namespace orva
