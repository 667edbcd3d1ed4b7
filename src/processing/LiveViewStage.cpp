#include "processing/LiveViewStage.h"

#include "processing/OverlayText.h"

namespace orva {

std::string LiveViewStage::TextLine() const {
    std::lock_guard lock(mutex_);
    return textLine_;
}

bool LiveViewStage::Process(CameraFrame& frame) {
    IDisplayTarget* target = target_.load();
    if (target == nullptr || !requested_.exchange(false)) return true;
    DisplayFrame display;
    display.pixels = frame.pixels;
    display.width = frame.width;
    display.height = frame.height;
    display.overlay = &frame.timing;
    display.status = &frame.status;
    display.pcTimeColumns = frame.pcTimeColumns;
    display.showOverflow = showOverflow_;
    display.clipOnOverflow = clipOnOverflow_;
    display.eightBit = eightBit_;
    target->PrepareDisplay(display);
    {
        std::lock_guard lock(mutex_);
        textLine_ = FormatOverlayText(frame.timing);
    }
    ready_ = true;
    return true;
}

}  // namespace orva
