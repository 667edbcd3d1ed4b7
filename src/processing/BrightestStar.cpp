#include "processing/BrightestStar.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace orva {
namespace {

// The median of a sample; the sample is reordered.
double Median(std::vector<uint16_t>& sample) {
    const auto middle = sample.begin() + static_cast<std::ptrdiff_t>(sample.size() / 2);
    std::nth_element(sample.begin(), middle, sample.end());
    return *middle;
}

}  // namespace

std::optional<StarPosition> BrightestStar::Find(const uint16_t* pixels, int width, int height, int radius) {
    if (pixels == nullptr || radius < 1) return std::nullopt;
    return FindIn(pixels, width, {radius + 1, width - radius - 2, radius + 1, height - radius - 2});
}

std::optional<StarPosition> BrightestStar::FindNear(const uint16_t* pixels, int width, int height, int radius,
                                                    int column, int row) {
    if (pixels == nullptr || radius < 1) return std::nullopt;
    return FindIn(pixels, width,
                  {std::max(radius + 1, column - radius), std::min(width - radius - 2, column + radius),
                   std::max(radius + 1, row - radius), std::min(height - radius - 2, row + radius)});
}

std::optional<StarPosition> BrightestStar::FindIn(const uint16_t* pixels, int width, const Area& area) {
    const int firstColumn = area.firstColumn;
    const int lastColumn = area.lastColumn;
    const int firstRow = area.firstRow;
    const int lastRow = area.lastRow;
    if (lastColumn < firstColumn || lastRow < firstRow) return std::nullopt;
    const auto at = [&](int x, int y) -> uint32_t {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    };

    // The background and its noise from the searched area: the median, and the median
    // absolute deviation scaled to a standard deviation (stars barely move either).
    std::vector<uint16_t> sample;
    const int step = std::max(1, static_cast<int>(std::sqrt(static_cast<double>(lastColumn - firstColumn + 1) *
                                                            (lastRow - firstRow + 1) / 65536.0)));
    for (int y = firstRow; y <= lastRow; y += step) {
        for (int x = firstColumn; x <= lastColumn; x += step) sample.push_back(static_cast<uint16_t>(at(x, y)));
    }
    const double background = Median(sample);
    for (uint16_t& v : sample) v = static_cast<uint16_t>(std::fabs(v - background));
    const double sigma = std::max(1.0, 1.4826 * Median(sample));

    // The best place: the greatest sum of the eight neighbours without the brightest of
    // them, so that neither a hot pixel nor its neighbours win.
    uint64_t best = 0;
    StarPosition found;
    for (int y = firstRow; y <= lastRow; ++y) {
        for (int x = firstColumn; x <= lastColumn; ++x) {
            uint64_t sum = 0;
            uint32_t brightest = 0;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    if (dx == 0 && dy == 0) continue;
                    const uint32_t v = at(x + dx, y + dy);
                    sum += v;
                    brightest = std::max(brightest, v);
                }
            }
            sum -= brightest;
            if (sum > best) {
                best = sum;
                found = {x, y};
            }
        }
    }
    if (static_cast<double>(best) / 7.0 - background < kSignificance * sigma) return std::nullopt;
    // The brightest pixel of the star's core is the target.
    StarPosition peak = found;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const int x = found.column + dx;
            const int y = found.row + dy;
            if (x >= firstColumn && x <= lastColumn && y >= firstRow && y <= lastRow && at(x, y) > at(peak.column, peak.row)) {
                peak = {x, y};
            }
        }
    }
    return peak;
}

}  // namespace orva
