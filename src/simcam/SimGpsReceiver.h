#pragma once
// The GPS receiver inside the camera, reached through the transfer buffer: it answers
// the version query with "hardware;firmware", answers a GNSS configuration poll with a
// header and the stored configuration, and stores a written configuration so that the
// next poll returns it.
//
// Not thread-safe: the extension unit serialises all access.

#include "simcam/SimCameraConfig.h"
#include "simcam/SimTransferBuffer.h"

#include <cstdint>
#include <vector>

namespace orva {

class SimGpsReceiver {
public:
    explicit SimGpsReceiver(const SimGnssReceiverConfig& config);

    // A message passed on by the camera's GPS command. The payload of a write is read
    // from the transfer buffer; answers replace the buffer's content. Returns a result
    // code; a malformed configuration is refused and the stored one kept.
    int32_t HandleMessage(uint8_t id1, uint8_t id2, uint8_t payloadLength, SimTransferBuffer& buffer);

    // The configuration message the receiver holds (payload only).
    const std::vector<uint8_t>& GnssConfiguration() const { return gnss_; }
    int WriteCount() const { return writeCount_; }

private:
    std::string versionText_;
    std::vector<uint8_t> gnss_;
    int writeCount_ = 0;
};

}  // namespace orva
