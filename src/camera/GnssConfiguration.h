#pragma once
// The GPS receiver's GNSS configuration message as it travels through the camera's
// transfer buffer: a 5-byte header whose bytes 3..4 hold the payload length (little-
// endian), then the payload: version, hardware channels ("Total"), channels to use
// ("Active"), block count, and one 8-byte block per satellite system (id, minimum and
// maximum channels, reserved, four flag bytes: bit 0 of the first = enabled, the third
// = signal mask).
//
// Everything the receiver sends is checked before use: the length against what was read
// and against the largest message the systems allow, the block count against the
// length, and every system id against the known systems (each at most once).
//
// Threads: a plain value.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orva {

struct GnssBlock {
    uint8_t systemId = 0;
    uint8_t minChannels = 0;
    uint8_t maxChannels = 0;
    bool enabled = false;
    uint8_t signalMask = 0;
    bool operator==(const GnssBlock&) const = default;
};

struct GnssConfiguration {
    static constexpr std::size_t kHeaderSize = 5;
    static constexpr std::size_t kFixedPayloadSize = 4;
    static constexpr std::size_t kBlockSize = 8;
    static constexpr int kSystemCount = 7;  // ids 0..6
    static constexpr uint8_t kImesId = 4;
    static constexpr uint8_t kQzssId = 5;
    static constexpr uint8_t kMainSignal = 0x01;
    static constexpr uint8_t kQzssL1s = 0x04;
    static constexpr std::size_t kMaxPayloadLength = kFixedPayloadSize + kBlockSize * kSystemCount;

    uint8_t version = 0;
    uint8_t totalChannels = 0;
    uint8_t activeChannels = 0;
    std::vector<GnssBlock> blocks;

    bool operator==(const GnssConfiguration&) const = default;

    // The payload length announced by the header (needs the first 5 stream bytes); an
    // error text when it is impossible.
    static std::optional<std::size_t> PayloadLength(std::span<const uint8_t> stream, std::string& error);
    // Parses a whole answer (header and payload); an error text when malformed.
    static std::optional<GnssConfiguration> Parse(std::span<const uint8_t> stream, std::string& error);
    // The payload of a write, blocks in the order held.
    std::vector<uint8_t> Payload() const;
};

}  // namespace orva
