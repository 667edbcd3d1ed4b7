#pragma once
// Runs the frame path's stages in order and times them. Each stage belongs to one of the
// seven slots of the performance log line; a slot's time is that of its stages together.
//
// Threads: Add before the first frame; Run on the frame path's thread only; the log
// switch from any thread.

#include "common/Clock.h"
#include "processing/IFrameStage.h"
#include "processing/PerformanceAccumulator.h"

#include <atomic>
#include <vector>

namespace orva {

class FramePipeline {
public:
    explicit FramePipeline(Clock& clock) : clock_(clock) {}

    // Slots ascend with the order of the stages: 0 .. PerformanceAccumulator::kStages - 1.
    void Add(IFrameStage& stage, int performanceSlot);
    // False when a stage ended the frame's pass.
    bool Run(CameraFrame& frame);
    void SetPerformanceLogEnabled(bool on) { performanceLogEnabled_ = on; }

private:
    struct Entry {
        IFrameStage* stage;
        int slot;
    };

    Clock& clock_;
    std::vector<Entry> stages_;
    std::atomic<bool> performanceLogEnabled_{false};
    PerformanceAccumulator performance_;
};

}  // namespace orva
