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

enum class FitsJobState : int32_t {
    Running = 0,
    CancelRequested = 1,
    Cancelled = 2,
    // The file could not be written; the frame processor keeps the message.
    Failed = 3,
};

// What the averaged frames are, as the file's IMAGETYP says.
enum class FitsFrameKind : char { Light = 'L', Dark = 'D', Flat = 'F' };

struct FitsRecordingJob {
    // The kind a capture's letter stands for: 'D' dark, 'F' flat, any other a light frame.
    static FitsFrameKind KindOfLetter(char letter) {
        return letter == 'D' ? FitsFrameKind::Dark : letter == 'F' ? FitsFrameKind::Flat : FitsFrameKind::Light;
    }

    std::atomic<FitsFrameKind> kind{FitsFrameKind::Light};
    std::atomic<int32_t> framesToAverage{1};
    std::atomic<int32_t> framesAccumulated{0};
    std::atomic<bool> started{false};
    std::atomic<FitsJobState> state{FitsJobState::Running};
};

}  // namespace orva
