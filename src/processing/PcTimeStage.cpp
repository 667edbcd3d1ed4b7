#include "processing/PcTimeStage.h"

#include "processing/TimeBurnIn.h"

#include <string>

namespace orva {

bool PcTimeStage::Process(CameraFrame& frame) {
    frame.pcTimeColumns = 0;
    if (!enabled_) return true;
    const std::string text = FormatPcTimeText(pcClock_());
    BurnInText(frame.pixels, frame.width, frame.height, text);
    frame.pcTimeColumns = static_cast<int>(text.size()) * 8;
    return true;
}

}  // namespace orva
