#pragma once
// Counts the frames the camera skipped (from the gaps in its frame numbers) and checks
// each frame's time stamp and counters against the frame before.
//
// Threads: as IFrameStage; the count from any thread.

#include "processing/FrameIntegrityChecker.h"
#include "processing/IFrameStage.h"

#include <atomic>
#include <cstdint>

namespace orva {

class FrameIntegrityStage final : public IFrameStage {
public:
    bool Process(CameraFrame& frame) override;

    int64_t MissedTotal() const { return missedTotal_.load(); }
    void ResetMissedTotal() { missedTotal_ = 0; }

private:
    FrameIntegrityChecker checker_;
    int32_t lastFrameNumber_ = 0;
    std::atomic<int64_t> missedTotal_{0};
};

}  // namespace orva
