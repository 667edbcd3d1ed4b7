#pragma once
// Averages the frame path's seven stage times over 100 frames and writes them as one
// "I PERF" log line.
//
// Threads: used by the frame path's thread only.

#include <array>
#include <cstdint>

namespace orva {

class PerformanceAccumulator {
public:
    static constexpr int kStages = 7;
    static constexpr int kFramesPerLine = 100;

    // Stage durations of one frame in whole milliseconds. Writes the line and starts over
    // when 100 frames are in.
    void Add(const std::array<int64_t, kStages>& stageMs);
    int FrameCount() const { return frames_; }

private:
    std::array<int64_t, kStages> sums_{};
    int frames_ = 0;
};

}  // namespace orva
