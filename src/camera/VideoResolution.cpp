#include "camera/VideoResolution.h"

namespace orva {

const VideoResolution& VideoResolution::Placeholder() {
    static const VideoResolution placeholder(0, 0, 0, 1);
    return placeholder;
}

std::string VideoResolution::GetListText() const {
    std::string text = std::to_string(width_) + " x " + std::to_string(height_);
    if (IsFast()) text += " (Fast)";
    return text;
}

}  // namespace orva
