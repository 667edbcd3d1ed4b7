#include "processing/FramePipeline.h"

#include <array>
#include <chrono>

namespace orva {

void FramePipeline::Add(IFrameStage& stage, int performanceSlot) { stages_.push_back({&stage, performanceSlot}); }

bool FramePipeline::Run(CameraFrame& frame) {
    // The clock is read only for the performance line: not at camera rate otherwise.
    const bool timed = performanceLogEnabled_;
    const Clock::TimePoint start = timed ? clock_.Now() : Clock::TimePoint{};
    // Whole milliseconds since the start at the end of each slot; a slot's time is the
    // difference to the slot before, so the truncations do not add up.
    std::array<int64_t, PerformanceAccumulator::kStages> slotEnds{};
    for (const Entry& entry : stages_) {
        if (!entry.stage->Process(frame)) return false;
        if (!timed) continue;
        const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(clock_.Now() - start);
        slotEnds[static_cast<std::size_t>(entry.slot)] = elapsed.count() / 1000;
    }
    if (!timed) return true;
    std::array<int64_t, PerformanceAccumulator::kStages> stageMs{};
    int64_t previous = 0;
    for (std::size_t i = 0; i < stageMs.size(); ++i) {
        stageMs[i] = slotEnds[i] - previous;
        previous = slotEnds[i];
    }
    performance_.Add(stageMs);
    return true;
}

}  // namespace orva
