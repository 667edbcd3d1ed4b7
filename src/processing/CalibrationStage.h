#pragma once
// Calibrates the frame on the worker pool: subtracts the row noise measured before it,
// the dark (with its pedestal) and divides by the flat. The rows of the timing record,
// and of the camera's text overlay above it, are left as they are. A dark or flat of
// another size than the frame is not applied, and that is logged once per frame set.
//
// Threads: as IFrameStage; the frames and switches from any thread (locked).

#include "processing/CalibrationImage.h"
#include "processing/FrameWorkerPool.h"
#include "processing/IFrameStage.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace orva {

class CalibrationStage final : public IFrameStage {
public:
    explicit CalibrationStage(FrameWorkerPool& pool) : pool_(pool) {}

    bool Process(CameraFrame& frame) override;

    void SetDarkEnabled(bool on) { darkEnabled_ = on; }
    void SetPedestal(uint16_t pedestal) { pedestal_ = pedestal; }
    void SetDarkFrame(std::shared_ptr<const CalibrationImage> dark);
    // normalization: the flat's mean; 0 switches flat division off.
    void SetFlatFrame(std::shared_ptr<const CalibrationImage> flat, uint16_t normalization);

private:
    FrameWorkerPool& pool_;
    std::atomic<bool> darkEnabled_{false};
    std::atomic<uint16_t> pedestal_{2048};
    std::mutex mutex_;  // guards the four below
    std::shared_ptr<const CalibrationImage> dark_;
    std::shared_ptr<const CalibrationImage> flat_;
    uint16_t flatNormalization_ = 0;
    bool mismatchLogged_ = false;
};

}  // namespace orva
