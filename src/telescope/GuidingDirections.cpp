#include "telescope/GuidingDirections.h"

#include "processing/GuidingService.h"

namespace orva {

GuidingDirections GuidingDirections::FromSetting(const std::string& stored) {
    const bool usable = stored.size() >= 2 && stored[0] >= '0' && stored[0] <= '3' && stored[1] >= '0' &&
                        stored[1] <= '3' && OnRightAscension(stored[0] - '0') != OnRightAscension(stored[1] - '0');
    if (!usable) return {};
    return {stored[0] - '0', stored[1] - '0'};
}

std::string GuidingDirections::SettingText() const { return std::to_string(up) + std::to_string(right); }

void GuidingDirections::ApplyTo(GuidingService& guiding) const {
    guiding.upIsDeclination = OnRightAscension(up) ? 0 : 1;
    guiding.upDirection = up % 2 == 0 ? 1 : -1;
    guiding.rightDirection = right % 2 == 0 ? 1 : -1;
}

}  // namespace orva
