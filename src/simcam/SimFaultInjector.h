#pragma once
// Faults a test (or the command line) asks the simulated camera to commit: frame-level
// faults taken by the next frame(s), and failing extension-unit calls. (Stalls and
// unplugging belong to the camera's delivery and presence, see SimulatedCamera.)
//
// Threads: any thread may arm faults; the frame-generating thread and the extension-unit
// callers take them. One lock guards everything.

#include <cstdint>
#include <mutex>
#include <optional>

namespace orva {

// What the next frame must do wrong.
struct SimFrameFaults {
    int32_t dropFrames = 0;            // frame numbers (and time) jump by this many
    bool repeatFrameNumber = false;    // carries the previous frame's number
    bool freezeCommIrq = false;        // counter does not advance after this frame
    bool freezeFrameStartIrq = false;
    bool corruptCheckLane = false;
    int64_t sizeErrorBytes = 0;        // frame delivered this many bytes too long (negative: short)
};

class SimFaultInjector {
public:
    void DropFrames(int32_t count);
    void RepeatFrameNumber();
    // The counter keeps its value for the next `frames` frames.
    void FreezeCommIrqCounter(int32_t frames);
    void FreezeFrameStartIrqCounter(int32_t frames);
    void CorruptCheckLane(int32_t frames = 1);
    // The next frame is delivered with `bytes` extra bytes (negative: missing).
    void DeliverWrongSize(int64_t bytes);
    // The next `count` extension-unit calls fail with `code` (count < 0: until cleared).
    void FailExtensionUnitCalls(int32_t code, int32_t count = -1);
    void ClearExtensionUnitFailure();
    void ClearAll();

    // Takes the faults for one frame.
    SimFrameFaults TakeFrameFaults();
    // The failure code for one extension-unit call, if one is armed.
    std::optional<int32_t> TakeExtensionUnitFailure();

private:
    std::mutex mutex_;
    int32_t dropFrames_ = 0;
    bool repeat_ = false;
    int32_t freezeComm_ = 0;
    int32_t freezeFrameStart_ = 0;
    int32_t corruptLane_ = 0;
    int64_t sizeError_ = 0;
    int32_t failCode_ = 0;
    int32_t failCount_ = 0;
};

}  // namespace orva
