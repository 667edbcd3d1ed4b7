#pragma once
// Faults a test (or the command line) asks the simulated camera to commit: frame-level
// faults taken by the next frame(s), failing extension-unit calls, and a plan of faults
// and an occultation at counted frames (SimFaultPlan). Stalls and unplugging belong to the
// camera's delivery and presence (see SimulatedCamera): for a planned one the injector
// tells the camera what to do before it makes the frame.
//
// The plan counts the frames the camera makes from RestartPlan on. After each frame the
// camera asks the injector to arm the next one, so every planned fault lands on exactly
// its frame however far the camera runs ahead of whoever consumes its frames.
//
// Threads: any thread may arm faults; the frame-generating thread and the extension-unit
// callers take them. One lock guards everything. RestartPlan and ArmNextPlannedFrame are
// called by the camera (with no frame being generated, or by the generating thread).

#include "simcam/SimFaultPlan.h"

#include <chrono>
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
    int64_t planFrame = 0;             // the frame's count in the plan (from 1); 0 without a started plan
    bool plannedOccultation = false;   // the plan's occultation covers this frame
};

// What the camera must do before it makes the next planned frame.
struct SimDeliveryFaults {
    std::optional<std::chrono::milliseconds> stall;      // deliver it this much later
    std::optional<std::chrono::milliseconds> unplugFor;  // leave the bus now, back after this
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
    // The next `count` extension-unit calls fail with `code` (count < 0: until cleared),
    // after `after` calls that still succeed (the reply read of a request, say).
    void FailExtensionUnitCalls(int32_t code, int32_t count = -1, int32_t after = 0);
    void ClearExtensionUnitFailure();
    void ClearAll();

    // Takes a plan; it counts frames from the next RestartPlan on.
    void SetPlan(SimFaultPlan plan);
    // The next frame the camera makes is frame 1 of the plan. Clears the faults armed for
    // the next frame and arms those of frame 1; returns what the camera must do before it.
    SimDeliveryFaults RestartPlan();
    // A frame is made: arms the faults of the next one (and of the frames after a planned
    // drop); returns what the camera must do before making it.
    SimDeliveryFaults ArmNextPlannedFrame();

    // Takes the faults for one frame.
    SimFrameFaults TakeFrameFaults();
    // The failure code for one extension-unit call, if one is armed.
    std::optional<int32_t> TakeExtensionUnitFailure();

private:
    void ClearFrameFaults();              // lock held
    SimDeliveryFaults ArmPlannedFrame();  // lock held

    std::mutex mutex_;
    int32_t dropFrames_ = 0;
    bool repeat_ = false;
    int32_t freezeComm_ = 0;
    int32_t freezeFrameStart_ = 0;
    int32_t corruptLane_ = 0;
    int64_t sizeError_ = 0;
    int32_t failCode_ = 0;
    int32_t failCount_ = 0;
    int32_t failAfter_ = 0;
    SimFaultPlan plan_;
    bool planStarted_ = false;
    int64_t planFrame_ = 0;  // the plan's count of the next frame the camera makes
};

}  // namespace orva
