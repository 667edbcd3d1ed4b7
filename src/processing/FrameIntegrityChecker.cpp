#include "processing/FrameIntegrityChecker.h"

#include "common/Log.h"

namespace orva {

void FrameIntegrityChecker::Check(uint64_t frameTimestamp, const BinaryOverlay& overlay) {
    const int frameNr = overlay.FrameNr;
    if (frameTimestamp == previousTimestamp_) {
        LogMessageInt("E Frame timestamp integrity error (start time) in frame ", frameNr);
    }
    previousTimestamp_ = frameTimestamp;

    if (overlay.FrameNr == previousFrameNr_) {
        LogMessageInt("E Frame timestamp integrity error (frame nr) in frame ", frameNr);
    }
    previousFrameNr_ = overlay.FrameNr;

    if (overlay.CommIrqCtr == previousCommIrqCtr_) {
        LogMessageInt("E Frame timestamp integrity error (comm irq ctr) in frame ", frameNr);
        LogMessageInt2("E Old / new comm irq ctr: ", previousCommIrqCtr_, overlay.CommIrqCtr);
    }
    previousCommIrqCtr_ = overlay.CommIrqCtr;

    if (overlay.FrameStartIrqCtr == previousFrameStartIrqCtr_) {
        LogMessageInt2("E Frame timestamp integrity error (frame start irq ctr) in frame ", frameNr,
                       overlay.FrameStartIrqCtr);
        LogMessageInt2("E Old / new frame start irq ctr: ", previousFrameStartIrqCtr_, overlay.FrameStartIrqCtr);
    }
    previousFrameStartIrqCtr_ = overlay.FrameStartIrqCtr;
}

}  // namespace orva
