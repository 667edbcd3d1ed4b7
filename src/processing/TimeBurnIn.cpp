#include "processing/TimeBurnIn.h"

#include "processing/BitmapFont8x16.h"

#include <algorithm>
#include <cstdio>

namespace orva {

std::string FormatPcTimeText(const UtcDateTime& utc) {
    char text[64];
    std::snprintf(text, sizeof text, " PC %04d%02d%02d %02d:%02d:%02d.%03d", utc.year, utc.month, utc.day, utc.hour,
                  utc.minute, utc.second, utc.millisecond);
    return text;
}

void BurnInText(uint16_t* image, int width, int height, std::string_view text) {
    constexpr int kW = BitmapFont8x16::kCellWidth;
    const int rows = std::min(height, BitmapFont8x16::kCellHeight);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int64_t left = static_cast<int64_t>(i) * kW;
        if (left >= width) break;
        const int columns = static_cast<int>(std::min<int64_t>(kW, width - left));
        const auto glyph = BitmapFont8x16::Glyph(static_cast<unsigned char>(text[i]));
        for (int r = 0; r < rows; ++r) {
            uint16_t* out = image + static_cast<int64_t>(r) * width + left;
            for (int c = 0; c < columns; ++c) out[c] = (glyph[static_cast<std::size_t>(r)] & (0x80 >> c)) ? 65535 : 0;
        }
    }
}

}  // namespace orva
