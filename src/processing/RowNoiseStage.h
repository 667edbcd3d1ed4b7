#pragma once
// Measures the frame's row noise (fixed pattern) on the worker pool, when switched on:
// each row's offset from the mean of all rows, for the calibration stage to subtract.
//
// Threads: as IFrameStage; the switch from any thread.

#include "processing/AlignedBuffer.h"
#include "processing/FrameWorkerPool.h"
#include "processing/IFrameStage.h"

#include <atomic>

namespace orva {

class RowNoiseStage final : public IFrameStage {
public:
    RowNoiseStage(FrameWorkerPool& pool, int maxRows) : pool_(pool), rowOffsets_(static_cast<std::size_t>(maxRows)) {}

    bool Process(CameraFrame& frame) override;
    void SetEnabled(bool on) { enabled_ = on; }

private:
    FrameWorkerPool& pool_;
    std::atomic<bool> enabled_{false};
    AlignedBuffer<int32_t> rowOffsets_;
};

}  // namespace orva
