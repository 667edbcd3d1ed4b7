#pragma once
// The stream's counters as the camera panel and link recovery read them. All counters
// are 32-bit and count from zero for the life of the stream facade.

#include <cstdint>

namespace orva {

class IOrvaMediaStreamStatistics {
public:
    virtual ~IOrvaMediaStreamStatistics() = default;
    // Every sample offered to the frame queue.
    virtual uint32_t GetNofSamplesCounter() const = 0;
    // Samples dropped because the queue was full.
    virtual uint32_t GetNofFifoFullCounter() const = 0;
    // Frames whose processing took, relative to the expected frame time T: below T/4 (0),
    // below T/2 (1), below 3T/4 (2), below T (3), T or more (4). Other indexes log and give 0.
    virtual uint32_t GetProcessingTimeCounter(int index) const = 0;
    // Samples inserted when `index` (0..7) frames were already queued. Other indexes log
    // and give 0.
    virtual uint32_t GetNofUsedBuffersAtInsertCounter(int index) const = 0;
};

}  // namespace orva
