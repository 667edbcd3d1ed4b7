#pragma once
// A FITS capture job: how many frames of which kind to average into one file, and how
// far it got. The main form owns one job and reuses it; the frame processor works it off.
//
// Threads: the GUI thread sets up the job before handing it over, then sets `started`
// or asks for cancellation through `state`; the frame path's thread counts frames and
// reports through `framesAccumulated` and `state`. Every field is atomic.

#include <atomic>
#include <cstdint>

namespace orva {

struct FitsRecordingJob {
    static constexpr int32_t kStateRunning = 0;
    static constexpr int32_t kStateCancelRequested = 1;
    static constexpr int32_t kStateCancelled = 2;
    // The file could not be written; the frame processor keeps the message.
    static constexpr int32_t kStateFailed = 3;

    // 'D' dark, 'F' flat, any other letter a light frame.
    std::atomic<char> kind{'L'};
    std::atomic<int32_t> framesToAverage{1};
    std::atomic<int32_t> framesAccumulated{0};
    std::atomic<bool> started{false};
    std::atomic<int32_t> state{kStateRunning};
};

}  // namespace orva
