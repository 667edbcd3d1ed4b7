#pragma once
// Burns the PC's clock time into the frame's top rows, when switched on, so that the
// picture, the captures and the recording all carry it.
//
// Threads: as IFrameStage; the switch from any thread.

#include "common/UtcTime.h"
#include "processing/IFrameStage.h"

#include <atomic>

namespace orva {

class PcTimeStage final : public IFrameStage {
public:
    explicit PcTimeStage(UtcDateTime (*pcClock)()) : pcClock_(pcClock) {}
    bool Process(CameraFrame& frame) override;
    void SetEnabled(bool on) { enabled_ = on; }

private:
    UtcDateTime (*pcClock_)();
    std::atomic<bool> enabled_{false};
};

}  // namespace orva
