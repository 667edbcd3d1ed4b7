#include "common/CameraConfiguration.h"

#include "common/DecimalText.h"

namespace orva {
namespace {

constexpr int kFlipModePosition = 6;

std::string Flag(int value) { return value != 0 ? "1" : "0"; }

}  // namespace

std::string CameraConfiguration::Encode() const {
    const std::string fields[kFieldCount] = {
        resolution,
        FormatFixed(exposureMs, 1),
        gain,
        Flag(eightBitMode),
        Flag(invertImage),
        Flag(clipOnOverflow),
        flipMode,
        std::to_string(pcTime),
        std::to_string(crosshair),
        std::to_string(fpnReduction),
        std::to_string(plateSolvingNextEvent),
        std::to_string(highGainMode),
        std::to_string(blackLevelLocked),
        std::to_string(blackLevelValue),
    };
    std::string text;
    for (const std::string& field : fields) {
        text += field;
        text += ';';
    }
    return text;
}

bool CameraConfiguration::Decode(std::string_view text) {
    int* const integers[kFieldCount] = {nullptr,       nullptr,   nullptr,      &eightBitMode,
                                        &invertImage,  &clipOnOverflow,         nullptr,
                                        &pcTime,       &crosshair, &fpnReduction, &plateSolvingNextEvent,
                                        &highGainMode, &blackLevelLocked,       &blackLevelValue};
    bool reachedFlipMode = false;
    for (int position = 0; position < kFieldCount; ++position) {
        const std::size_t end = text.find(';');
        if (end == std::string_view::npos) break;
        const std::string_view field = text.substr(0, end);
        text.remove_prefix(end + 1);
        switch (position) {
            case 0: resolution = field; break;
            case 1: {
                const double ms = DecimalToDouble(field);
                exposureMs = ms >= 0.0 && ms <= kMaxExposureMs ? ms : 0.0;
                break;
            }
            case 2: gain = field; break;
            case kFlipModePosition:
                flipMode = field;
                reachedFlipMode = true;
                break;
            default: *integers[position] = DecimalToInt(field);
        }
    }
    return reachedFlipMode;
}

}  // namespace orva
