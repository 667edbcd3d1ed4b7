#include "processing/RowNoise.h"

#include <algorithm>

namespace orva {
namespace {

constexpr int kFirstMeasuredColumn = 21;
constexpr uint32_t kBandHalfWidth = 1024;
constexpr uint32_t kMinimumPixelsPerRow = 10;

}  // namespace

IntensityBand IntensityBand::AroundMean(uint32_t mean) {
    IntensityBand band;
    band.low = static_cast<uint16_t>(mean > kBandHalfWidth ? mean - kBandHalfWidth : 0);
    band.high = static_cast<uint16_t>(std::min<uint32_t>(mean + kBandHalfWidth, 65535));
    return band;
}

int64_t MeasureRowMeans(const uint16_t* image, int width, int firstRow, int endRow, IntensityBand band,
                        uint32_t imageMean, int32_t* rowMeans) {
    int64_t total = 0;
    for (int y = firstRow; y < endRow; ++y) {
        const uint16_t* row = image + static_cast<int64_t>(y) * width;
        uint64_t sum = 0;
        uint32_t count = 0;
        // Branch-free so that the loop stays in vector registers.
        for (int x = kFirstMeasuredColumn; x < width; ++x) {
            const uint16_t v = row[x];
            const uint32_t inside = (v >= band.low) & (v <= band.high);
            sum += v * inside;
            count += inside;
        }
        const int32_t mean = count >= kMinimumPixelsPerRow ? static_cast<int32_t>(sum / count)
                                                           : static_cast<int32_t>(imageMean);
        rowMeans[y] = mean;
        total += mean;
    }
    return total;
}

void RowMeansToOffsets(int32_t* rowValues, int height, int64_t sumOfMeans) {
    if (height <= 0) return;
    const int32_t overall = static_cast<int32_t>(sumOfMeans / height);
    for (int y = 0; y < height; ++y) rowValues[y] -= overall;
}

}  // namespace orva
