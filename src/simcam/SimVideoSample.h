#pragma once
// One frame of the simulated camera as the video reader delivers it, with the camera's
// ground truth for that frame attached (tests reach it by casting the sample).
//
// Threads: immutable after delivery; Lock/Unlock from the one consumer that holds it.

#include "simcam/SimulatedCamera.h"
#include "stream/VideoSource.h"

#include <vector>

namespace orva {

class SimVideoSample final : public VideoSample {
public:
    SimVideoSample(std::vector<uint8_t> bytes, const SimFrameTruth& truth, bool discontinuity)
        : bytes_(std::move(bytes)), truth_(truth), discontinuity_(discontinuity) {}

    bool IsDiscontinuity() const override { return discontinuity_; }
    int32_t Lock(const uint8_t** data, std::size_t* length) override {
        *data = bytes_.data();
        *length = bytes_.size();
        return kVideoOk;
    }
    void Unlock() override {}

    const SimFrameTruth& Truth() const { return truth_; }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    SimFrameTruth truth_;
    bool discontinuity_;
};

}  // namespace orva
