#include "recording/RecordingFileName.h"

#include <cstdio>

namespace orva {

std::string MakeRecordingFileName(const RecordingNameParts& parts, const std::string& extension, bool withFrameNumber,
                                  char kind) {
    const UtcDateTime& t = parts.time;
    const std::string gain = GainTextForFileName(parts.gainText);
    const std::string exposure = ExposureTextForFileName(parts.exposureText);
    const std::string placeholder = withFrameNumber ? std::string("_") + kFrameNumberPlaceholder : std::string();
    // Gain and exposure are free text; size the buffer for them.
    std::string name(128 + gain.size() + exposure.size() + placeholder.size() + extension.size(), '\0');
    int length = 0;
    if (kind == 'D' || kind == 'F') {
        length = std::snprintf(name.data(), name.size(), "%c%04d%02d%02d_%d_%s_%sms%s.%s", kind, t.year, t.month, t.day,
                               parts.width, gain.c_str(), exposure.c_str(), placeholder.c_str(), extension.c_str());
    } else {
        length = std::snprintf(name.data(), name.size(), "%s%04d%02d%02d_%02d%02d%02d_%dx%d_G%s_%sms%s.%s",
                               kind == 'P' ? "P" : "", t.year, t.month, t.day, t.hour, t.minute, t.second, parts.width,
                               parts.height, gain.c_str(), exposure.c_str(), placeholder.c_str(), extension.c_str());
    }
    name.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return name;
}

std::string GainTextForFileName(const std::string& gainText) {
    std::string text;
    for (const char c : gainText) {
        if (c != '+' && c != ' ') text += c;
    }
    return text;
}

std::string ExposureTextForFileName(const std::string& exposureText) {
    if (exposureText.size() >= 4) return exposureText;
    return std::string(4 - exposureText.size(), '0') + exposureText;
}

std::string FitsSequenceFolderName(const UtcDateTime& time) {
    char text[64];
    std::snprintf(text, sizeof(text), "%04d%02d%02d_%02d%02d%02d_FITS_Sequence", time.year, time.month, time.day,
                  time.hour, time.minute, time.second);
    return text;
}

std::string NumberedFileName(const std::string& path, int number) {
    if (number <= 1) return path;
    const std::size_t nameStart = path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1;
    std::size_t dot = path.rfind('.');
    // A leading dot names a hidden file, not an extension.
    if (dot == std::string::npos || dot <= nameStart) dot = path.size();
    return path.substr(0, dot) + "_" + std::to_string(number) + path.substr(dot);
}

std::string WithTrailingSeparator(const std::string& folder) {
    if (folder.empty() || folder.back() == '/') return folder;
    return folder + "/";
}

}  // namespace orva
