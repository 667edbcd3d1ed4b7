#include "display/DisplayStretch.h"

#include <algorithm>

namespace orva {

int DisplayStretch::DisplayValue(const StretchLevels& levels, int input) {
    const int b = levels.background;
    const int w = levels.white;
    if (input <= b) return 0;
    if (input >= w) return 255;
    const double gmax = levels.midtoneMax > 0 ? levels.midtoneMax : 65535.0;
    const double m = (levels.midtone / gmax) * 0.5 + 0.25;
    const double k = 4.0 * m;
    const double e = static_cast<double>(input - b) / static_cast<double>(w - b);
    const double y = std::clamp((2.0 - k) * e * e + (k - 1.0) * e, 0.0, 1.0);
    return static_cast<int>(y * 255.0);
}

void DisplayStretch::Build(const StretchLevels& levels, LookupTable& table, CurveTable& curve) {
    curve[0] = 0;
    for (int i = 0; i < kTableSize; ++i) {
        const int d = DisplayValue(levels, i);
        table[static_cast<std::size_t>(i)] = kOpaque | static_cast<uint32_t>(d) * 0x010101u;
        curve[static_cast<std::size_t>(1 + (i >> 10))] = static_cast<uint8_t>(d);
    }
}

std::optional<DisplayStretch::Levels> DisplayStretch::AutoLevels(const uint64_t* bins, double percent) {
    uint64_t total = 0;
    for (int k = 1; k < kBins - 1; ++k) total += bins[k];
    if (total == 0) return std::nullopt;
    const auto tail = static_cast<uint64_t>(static_cast<double>(total) * (100.0 - percent) / 200.0);
    const uint64_t top = total - std::min(tail, total);
    Levels levels{0, 65535};
    uint64_t sum = 0;
    for (int k = 0; k < kBins; ++k) {
        if (k >= 1 && k < kBins - 1) sum += bins[k];
        if (sum <= tail) levels.background = BinLevel(k);
        if (sum <= top) levels.white = BinLevel(k);
    }
    return levels;
}

}  // namespace orva
