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

namespace {

uint64_t CountedPixels(const uint64_t* bins) {
    uint64_t total = 0;
    for (int k = 1; k < DisplayStretch::kBins - 1; ++k) total += bins[k];
    return total;
}

// The level of the last bin whose running sum is at most `low` (0 if none), and of the
// last whose running sum is at most `high` (65535 if none).
DisplayStretch::Levels LevelsAtCounts(const uint64_t* bins, uint64_t low, uint64_t high) {
    DisplayStretch::Levels levels{0, 65535};
    uint64_t sum = 0;
    for (int k = 0; k < DisplayStretch::kBins; ++k) {
        if (k >= 1 && k < DisplayStretch::kBins - 1) sum += bins[k];
        if (sum <= low) levels.background = DisplayStretch::BinLevel(k);
        if (sum <= high) levels.white = DisplayStretch::BinLevel(k);
    }
    return levels;
}

}  // namespace

std::optional<DisplayStretch::Levels> DisplayStretch::AutoLevels(const uint64_t* bins, double percent) {
    const uint64_t total = CountedPixels(bins);
    if (total == 0) return std::nullopt;
    const auto tail = static_cast<uint64_t>(static_cast<double>(total) * (100.0 - percent) / 200.0);
    return LevelsAtCounts(bins, tail, total - std::min(tail, total));
}

std::optional<DisplayStretch::Levels> DisplayStretch::StarFieldLevels(const uint64_t* bins) {
    const uint64_t total = CountedPixels(bins);
    if (total == 0) return std::nullopt;
    Levels levels = LevelsAtCounts(bins, total / 10, total - total / 2000);
    if (levels.white - levels.background < kStarFieldSpan) {
        levels.white = std::min(levels.background + kStarFieldSpan, 65535);
        levels.background = levels.white - kStarFieldSpan;
    }
    return levels;
}

}  // namespace orva
