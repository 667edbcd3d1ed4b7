#include "simcam/SimGpsReceiver.h"

#include "camera/IExtensionUnitTransport.h"

namespace orva {

namespace {

constexpr uint8_t kVersionId1 = 0x01;
constexpr uint8_t kVersionId2 = 0xFF;
constexpr uint8_t kGnssId1 = 0x3E;
constexpr uint8_t kGnssId2 = 0x06;
constexpr std::size_t kBlockSize = 8;

struct GnssBlock {
    uint8_t systemId, minChannels, maxChannels;
    bool enabled;
    uint8_t signalMask;
};

// GPS, SBAS, Galileo, BeiDou, IMES, QZSS (with L1S), GLONASS.
constexpr GnssBlock kDefaultBlocks[] = {
    {0, 8, 16, true, 0x01}, {1, 1, 3, true, 0x01},  {2, 4, 8, true, 0x01},   {3, 8, 16, false, 0x01},
    {4, 0, 8, false, 0x01}, {5, 0, 3, true, 0x05}, {6, 8, 14, true, 0x01},
};

bool IsWellFormed(const std::vector<uint8_t>& payload) {
    if (payload.size() < 4) return false;
    const std::size_t blocks = payload[3];
    if (blocks == 0 || blocks > 7 || payload.size() != 4 + kBlockSize * blocks) return false;
    for (std::size_t n = 0; n < blocks; ++n) {
        if (payload[4 + kBlockSize * n] > 6) return false;
    }
    return true;
}

}  // namespace

SimGpsReceiver::SimGpsReceiver(const SimGnssReceiverConfig& config) : versionText_(config.versionText) {
    gnss_ = {0, config.totalChannels, config.activeChannels, 0};
    for (const GnssBlock& b : kDefaultBlocks) {
        if (b.systemId == 4 && !config.withImes) continue;
        gnss_.insert(gnss_.end(),
                     {b.systemId, b.minChannels, b.maxChannels, 0, static_cast<uint8_t>(b.enabled ? 1 : 0), 0,
                      b.signalMask, 0});
        ++gnss_[3];
    }
}

int32_t SimGpsReceiver::HandleMessage(uint8_t id1, uint8_t id2, uint8_t payloadLength, SimTransferBuffer& buffer) {
    if (id1 == kVersionId1 && id2 == kVersionId2 && payloadLength == 0) {
        // Length byte, text, and a zero byte that ends the host's reading.
        std::vector<uint8_t> answer;
        answer.push_back(static_cast<uint8_t>(versionText_.size()));
        answer.insert(answer.end(), versionText_.begin(), versionText_.end());
        answer.push_back(0);
        buffer.SetStream(answer);
        return kResultOk;
    }
    if (id1 == kGnssId1 && id2 == kGnssId2) {
        if (payloadLength == 0) {
            std::vector<uint8_t> answer{0x01, 0x06, 0x3E, static_cast<uint8_t>(gnss_.size()),
                                        static_cast<uint8_t>(gnss_.size() >> 8)};
            answer.insert(answer.end(), gnss_.begin(), gnss_.end());
            buffer.SetStream(answer);
            return kResultOk;
        }
        std::vector<uint8_t> payload = buffer.StreamBytes(payloadLength);
        if (!IsWellFormed(payload)) return kResultInvalidArgument;
        gnss_ = std::move(payload);
        ++writeCount_;
        return kResultOk;
    }
    return kResultInvalidArgument;
}

}  // namespace orva
