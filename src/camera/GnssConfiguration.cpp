#include "camera/GnssConfiguration.h"

#include "common/Log.h"

namespace orva {

std::optional<std::size_t> GnssConfiguration::PayloadLength(std::span<const uint8_t> stream, std::string& error) {
    if (stream.size() < kHeaderSize) {
        error = "The GNSS answer of the GPS module is too short.";
        return std::nullopt;
    }
    const std::size_t length = stream[3] | (std::size_t{stream[4]} << 8);
    if (length < kFixedPayloadSize || length > kMaxPayloadLength) {
        error = FormatValueMessage("The GNSS answer of the GPS module has an impossible length (%d bytes).",
                                   static_cast<int>(length));
        return std::nullopt;
    }
    return length;
}

std::optional<GnssConfiguration> GnssConfiguration::Parse(std::span<const uint8_t> stream, std::string& error) {
    const std::optional<std::size_t> length = PayloadLength(stream, error);
    if (!length) return std::nullopt;
    if (kHeaderSize + *length > stream.size()) {
        error = FormatValueMessage("The GNSS answer of the GPS module is incomplete (%d of %d bytes).",
                                   static_cast<int>(stream.size()), static_cast<int>(kHeaderSize + *length));
        return std::nullopt;
    }
    const std::span<const uint8_t> payload = stream.subspan(kHeaderSize, *length);
    GnssConfiguration config;
    config.version = payload[0];
    config.totalChannels = payload[1];
    config.activeChannels = payload[2];
    const std::size_t count = payload[3];
    if (kFixedPayloadSize + kBlockSize * count != payload.size()) {
        error = FormatValueMessage("The GNSS answer of the GPS module has %d configuration blocks in %d bytes.",
                                   static_cast<int>(count), static_cast<int>(payload.size()));
        return std::nullopt;
    }
    std::array<bool, kSystemCount> seen{};
    for (std::size_t n = 0; n < count; ++n) {
        const std::span<const uint8_t> b = payload.subspan(kFixedPayloadSize + kBlockSize * n, kBlockSize);
        if (b[0] >= kSystemCount || seen[b[0]]) {
            error = FormatValueMessage("The GNSS answer of the GPS module names system id %d %s.", b[0],
                                       b[0] >= kSystemCount ? "that is unknown" : "twice");
            return std::nullopt;
        }
        seen[b[0]] = true;
        config.blocks.push_back(GnssBlock{b[0], b[1], b[2], (b[4] & 1) != 0, b[6]});
    }
    return config;
}

std::vector<uint8_t> GnssConfiguration::Payload() const {
    std::vector<uint8_t> out{version, totalChannels, activeChannels, static_cast<uint8_t>(blocks.size())};
    for (const GnssBlock& b : blocks) {
        out.insert(out.end(), {b.systemId, b.minChannels, b.maxChannels, 0, static_cast<uint8_t>(b.enabled ? 1 : 0),
                               0, b.signalMask, 0});
    }
    return out;
}

}  // namespace orva
