#include "processing/PerformanceAccumulator.h"

#include "common/Log.h"

#include <cstdio>

namespace orva {

void PerformanceAccumulator::Add(const std::array<int64_t, kStages>& stageMs) {
    for (int i = 0; i < kStages; ++i) sums_[static_cast<std::size_t>(i)] += stageMs[static_cast<std::size_t>(i)];
    if (++frames_ < kFramesPerLine) return;
    double avg[kStages];
    for (int i = 0; i < kStages; ++i) avg[i] = static_cast<double>(sums_[static_cast<std::size_t>(i)]) / frames_;
    char line[160];
    std::snprintf(line, sizeof line, "I PERF %4.1f %4.1f %4.1f %4.1f %4.1f %4.1f %4.1f", avg[0], avg[1], avg[2],
                  avg[3], avg[4], avg[5], avg[6]);
    LogMessage(line);
    sums_ = {};
    frames_ = 0;
}

}  // namespace orva
