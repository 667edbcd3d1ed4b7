#include "processing/CalibrationStage.h"

#include "common/Log.h"
#include "processing/Calibration.h"

namespace orva {
namespace {

// The camera's text overlay (mode 2) fills the 16 rows above the record row.
constexpr int kTextOverlayMode = 2;
constexpr int kTextOverlayRows = 16;

}  // namespace

void CalibrationStage::SetDarkFrame(std::shared_ptr<const CalibrationImage> dark) {
    std::lock_guard lock(mutex_);
    dark_ = std::move(dark);
    mismatchLogged_ = false;
}

void CalibrationStage::SetFlatFrame(std::shared_ptr<const CalibrationImage> flat, uint16_t normalization) {
    std::lock_guard lock(mutex_);
    flat_ = std::move(flat);
    flatNormalization_ = normalization;
    mismatchLogged_ = false;
}

bool CalibrationStage::Process(CameraFrame& frame) {
    const int width = frame.width;
    const int height = frame.height;
    std::shared_ptr<const CalibrationImage> dark;
    std::shared_ptr<const CalibrationImage> flat;
    uint16_t normalization = 0;
    bool logMismatch = false;
    {
        std::lock_guard lock(mutex_);
        if (darkEnabled_) dark = dark_;
        flat = flat_;
        normalization = flatNormalization_;
        const bool mismatch = (dark != nullptr && !dark->Fits(width, height)) ||
                              (flat != nullptr && normalization != 0 && !flat->Fits(width, height));
        logMismatch = mismatch && !mismatchLogged_;
        if (mismatch) mismatchLogged_ = true;
    }
    if (logMismatch) LogMessageInt2("W ConsumeFrame: calibration frame size differs from the frame, not applied:", width, height);

    CalibrationParams params;
    params.rowOffsets = frame.rowOffsets;
    params.firstUntouchedRow =
        frame.status.overlayMode == kTextOverlayMode ? height - 1 - kTextOverlayRows : height - 1;
    if (dark != nullptr && dark->Fits(width, height)) {
        params.dark = dark->pixels.data();
        params.pedestal = pedestal_;
    }
    if (flat != nullptr && flat->Fits(width, height)) {
        params.flat = flat->pixels.data();
        params.flatNormalization = normalization;
    }
    if (params.IsIdentity()) return true;
    uint16_t* image = frame.pixels;
    pool_.Run(pool_.PartsFor(width, height), [&](int part, int parts) {
        CalibrateRows(image, width, FrameWorkerPool::PartStart(height, part, parts),
                      FrameWorkerPool::PartStart(height, part + 1, parts), params);
    });
    return true;
}

}  // namespace orva
