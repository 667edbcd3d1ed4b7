#include "common/SettingsFlag.h"

namespace orva {

std::optional<bool> SettingsFlag::Value() const {
    if (text_ == "TRUE") return true;
    if (text_ == "FALSE") return false;
    return std::nullopt;
}

}  // namespace orva
