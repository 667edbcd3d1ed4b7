#include "processing/GuidingCentroid.h"

#include <algorithm>
#include <vector>

namespace orva {

std::optional<Centroid> GuidingCentroid::Measure(const uint16_t* image, int width, int height, int x, int y,
                                                 int radius) {
    if (x < 1 || y < 1 || radius <= 0) return std::nullopt;
    const int64_t left = static_cast<int64_t>(x) - radius;
    const int64_t top = static_cast<int64_t>(y) - radius;
    const int64_t side = 2 * static_cast<int64_t>(radius);
    const int64_t x0 = std::max<int64_t>(left, 0);
    const int64_t x1 = std::min<int64_t>(left + side, width);
    const int64_t y0 = std::max<int64_t>(top, 0);
    const int64_t y1 = std::min<int64_t>(top + side, height);
    if (x0 >= x1 || y0 >= y1) return std::nullopt;

    const uint32_t threshold = threshold_;
    uint64_t boxSum = 0;
    uint32_t boxMax = 0;
    uint64_t total = 0;       // thresholded values
    double rowMoment = 0.0;   // sum of i x row sum i
    double columnMoment = 0.0;
    std::vector<uint64_t>& columnSums = columnSums_;
    columnSums.assign(static_cast<std::size_t>(x1 - x0), 0);
    for (int64_t yy = y0; yy < y1; ++yy) {
        const uint16_t* row = image + yy * width;
        uint64_t rowSum = 0;
        for (int64_t xx = x0; xx < x1; ++xx) {
            const uint32_t v = row[xx];
            boxSum += v;
            boxMax = std::max(boxMax, v);
            if (v >= threshold) {
                rowSum += v;
                columnSums[static_cast<std::size_t>(xx - x0)] += v;
            }
        }
        total += rowSum;
        rowMoment += static_cast<double>(yy - top) * static_cast<double>(rowSum);
    }
    for (int64_t xx = x0; xx < x1; ++xx) {
        columnMoment += static_cast<double>(xx - left) * static_cast<double>(columnSums[static_cast<std::size_t>(xx - x0)]);
    }
    // The mean over the pixels the box really covers.
    const uint64_t boxPixels = static_cast<uint64_t>((x1 - x0) * (y1 - y0));
    threshold_ = static_cast<uint32_t>((boxMax + boxSum / boxPixels) / 2);
    if (total == 0) return std::nullopt;
    return Centroid{columnMoment / static_cast<double>(total), rowMoment / static_cast<double>(total)};
}

}  // namespace orva
