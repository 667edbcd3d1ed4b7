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
    const int first = radius + 1;
    const int lastColumn = width - radius - 2;
    const int lastRow = height - radius - 2;
    if (lastColumn < first || lastRow < first) return std::nullopt;
    const auto at = [&](int x, int y) -> uint32_t {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
    };

    // The background and its noise from the searched area: the median, and the median
    // absolute deviation scaled to a standard deviation (stars barely move either).
    std::vector<uint16_t> sample;
    const int step = std::max(1, static_cast<int>(std::sqrt(static_cast<double>(lastColumn - first + 1) *
                                                            (lastRow - first + 1) / 65536.0)));
    for (int y = first; y <= lastRow; y += step) {
        for (int x = first; x <= lastColumn; x += step) sample.push_back(static_cast<uint16_t>(at(x, y)));
    }
    const double background = Median(sample);
    for (uint16_t& v : sample) v = static_cast<uint16_t>(std::fabs(v - background));
    const double sigma = std::max(1.0, 1.4826 * Median(sample));

    // The best place: the greatest sum of the eight neighbours without the brightest of
    // them, so that neither a hot pixel nor its neighbours win.
    uint64_t best = 0;
    StarPosition found;
    for (int y = first; y <= lastRow; ++y) {
        for (int x = first; x <= lastColumn; ++x) {
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
            if (x >= first && x <= lastColumn && y >= first && y <= lastRow && at(x, y) > at(peak.column, peak.row)) {
                peak = {x, y};
            }
        }
    }
    return peak;
}

}  // namespace orva
