#include "camera/SerialNumberDialogModel.h"

#include "common/Log.h"

#include <cctype>
#include <limits>

namespace orva {

void SerialNumberDialogModel::Open() {
    LogMessage("I Opened Dialog 'Enter serial nr'");
    text.clear();
    value_ = 0;
}

std::optional<uint32_t> SerialNumberDialogModel::Parse(const std::string& s) {
    // Blanks around the number are what an edit leaves; anything else is not a number.
    const std::size_t first = s.find_first_not_of(" \t");
    const std::size_t last = s.find_last_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    uint64_t value = 0;
    for (std::size_t i = first; i <= last; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(s[i] - '0');
        if (value > std::numeric_limits<uint32_t>::max()) return std::nullopt;
    }
    if (value == 0) return std::nullopt;
    return static_cast<uint32_t>(value);
}

bool SerialNumberDialogModel::Ok() {
    const std::optional<uint32_t> value = Parse(text);
    if (!value) {
        ui_.ShowMessage("Error", "The serial number is invalid. Please enter a value of 1 or greater.",
                        MessageIcon::Error);
        return false;
    }
    value_ = *value;
    return true;
}

}  // namespace orva
