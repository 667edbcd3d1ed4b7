#include "processing/Calibration.h"
#include "processing/RowNoise.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace orva {
namespace {

std::vector<uint16_t> NoiseImage(int width, int height, uint32_t seed) {
    std::vector<uint16_t> image(static_cast<std::size_t>(width) * height);
    for (auto& v : image) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<uint16_t>(seed >> 16);
    }
    return image;
}

TEST(RowNoiseTest, BandIsKeptInsideTheSixteenBitRange) {
    EXPECT_EQ(IntensityBand::AroundMean(500).low, 0);
    EXPECT_EQ(IntensityBand::AroundMean(500).high, 1524);
    EXPECT_EQ(IntensityBand::AroundMean(65000).low, 63976);
    EXPECT_EQ(IntensityBand::AroundMean(65000).high, 65535);
}

TEST(RowNoiseTest, RowMeansMatchAReferenceAndSplitRangesAddUp) {
    const int width = 64;
    const int height = 12;
    std::vector<uint16_t> image(static_cast<std::size_t>(width) * height, 0);
    const IntensityBand band{1000, 3000};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint16_t& v = image[static_cast<std::size_t>(y) * width + x];
            // Columns below 21 never count; values outside the band never count.
            v = x < 21 ? 9000 : static_cast<uint16_t>(1000 + 50 * y + (x % 5) * 7);
            if (x == 40) v = 3001;
            if (x == 41) v = 999;
            if (x == 42) v = 3000;  // band edges are inside
        }
    }
    // Row 5: only 9 pixels in the band, so it takes the image mean.
    for (int x = 21; x < width; ++x) image[5 * width + x] = x < 30 ? 2000 : 60000;

    std::vector<int32_t> means(height, -1);
    const int64_t sumA = MeasureRowMeans(image.data(), width, 0, 7, band, 1234, means.data());
    const int64_t sumB = MeasureRowMeans(image.data(), width, 7, height, band, 1234, means.data());
    int64_t reference = 0;
    for (int y = 0; y < height; ++y) {
        uint64_t sum = 0;
        uint32_t count = 0;
        for (int x = 21; x < width; ++x) {
            const uint16_t v = image[static_cast<std::size_t>(y) * width + x];
            if (v >= band.low && v <= band.high) {
                sum += v;
                ++count;
            }
        }
        const int32_t expected = count >= 10 ? static_cast<int32_t>(sum / count) : 1234;
        EXPECT_EQ(means[static_cast<std::size_t>(y)], expected) << "row " << y;
        reference += expected;
    }
    EXPECT_EQ(means[5], 1234);
    EXPECT_EQ(sumA + sumB, reference);

    std::vector<int32_t> offsets = means;
    RowMeansToOffsets(offsets.data(), height, reference);
    for (int y = 0; y < height; ++y) EXPECT_EQ(offsets[y], means[y] - static_cast<int32_t>(reference / height));
}

// Straightforward per-pixel reference of the calibration.
uint16_t ReferencePixel(int32_t u, int32_t offset, bool fpn, bool dark, int32_t g, int32_t d, uint32_t norm,
                        int32_t f) {
    if (fpn) u = std::clamp(u - offset, 0, 65535);
    if (!dark) {
        g = 0;
        d = 0;
    }
    int64_t r = 0;
    if (u + g <= d) {
        r = 0;
    } else if (u > 65535 - g) {
        r = 65535;
    } else {
        r = u + g - d;
    }
    if (norm != 0) r = f == 0 ? 65535 : std::min<int64_t>(int64_t{norm} * r / f, 65535);
    return static_cast<uint16_t>(r);
}

TEST(CalibrationTest, SinglePixelCases) {
    struct Case {
        uint16_t pixel, pedestal, dark, flatNorm, flat;
        bool withDark;
        uint16_t result;
    };
    const Case cases[] = {
        {1000, 2048, 100, 0, 0, true, 2948},
        {1000, 2048, 3100, 0, 0, true, 0},
        {1000, 2048, 3048, 0, 0, true, 0},  // u + g == d
        {65000, 2048, 100, 0, 0, true, 65535},
        {40000, 0, 0, 30000, 15000, false, 65535},  // limited, not wrapped
        {20000, 0, 0, 30000, 40000, false, 15000},
        {7, 0, 0, 3, 2, false, 10},  // 21 / 2 truncated
        {1234, 0, 0, 30000, 0, false, 65535},
        {1000, 2048, 100, 2000, 4000, true, 1474},  // dark first, then flat
        {1000, 2048, 100, 0, 0, false, 1000},
    };
    // A row of 9 equal pixels: 8 take the vector path, the last one the plain one.
    constexpr int kRow = 9;
    for (const Case& c : cases) {
        std::vector<uint16_t> image(kRow, c.pixel);
        const std::vector<uint16_t> darkRow(kRow, c.dark);
        const std::vector<uint16_t> flatRow(kRow, c.flat);
        CalibrationParams p;
        p.firstUntouchedRow = 1;
        if (c.withDark) {
            p.dark = darkRow.data();
            p.pedestal = c.pedestal;
        }
        p.flat = flatRow.data();
        p.flatNormalization = c.flatNorm;
        CalibrateRows(image.data(), kRow, 0, 1, p);
        EXPECT_EQ(image, std::vector<uint16_t>(kRow, c.result))
            << "pixel " << c.pixel << " dark " << c.dark << " flat " << c.flat;
    }
}

TEST(CalibrationTest, RowOffsetsAreClampedToTheSixteenBitRange) {
    const std::pair<int32_t, uint16_t> cases[] = {{100000, 0}, {-100000, 65535}, {-5, 1005}, {995, 5}, {1001, 0}};
    for (const auto& [offset, result] : cases) {
        std::vector<uint16_t> image(9, 1000);
        CalibrationParams p;
        p.rowOffsets = &offset;
        p.firstUntouchedRow = 1;
        CalibrateRows(image.data(), 9, 0, 1, p);
        EXPECT_EQ(image, std::vector<uint16_t>(9, result)) << offset;
    }
}

TEST(CalibrationTest, WholeImagesMatchTheReferenceInEveryCombinationAndKeepTheBottomRows) {
    const int width = 37;
    const int height = 20;
    const std::vector<uint16_t> source = NoiseImage(width, height, 1);
    std::vector<uint16_t> dark = NoiseImage(width, height, 2);
    std::vector<uint16_t> flat = NoiseImage(width, height, 3);
    for (auto& v : dark) v = static_cast<uint16_t>(v % 4000);
    flat[5] = 0;
    std::vector<int32_t> offsets(height);
    for (int y = 0; y < height; ++y) offsets[static_cast<std::size_t>(y)] = (y % 5 - 2) * 3000;

    for (int combo = 0; combo < 8; ++combo) {
        const bool fpn = combo & 1;
        const bool withDark = combo & 2;
        const bool withFlat = combo & 4;
        const int firstUntouched = height - 3;
        CalibrationParams p;
        p.rowOffsets = fpn ? offsets.data() : nullptr;
        p.firstUntouchedRow = firstUntouched;
        p.dark = withDark ? dark.data() : nullptr;
        p.pedestal = 2048;
        p.flat = withFlat ? flat.data() : nullptr;
        p.flatNormalization = 30000;
        std::vector<uint16_t> image = source;
        // Split at an odd row, as two worker threads would.
        CalibrateRows(image.data(), width, 0, 7, p);
        CalibrateRows(image.data(), width, 7, height, p);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * width + x;
                const uint16_t expected =
                    y >= firstUntouched
                        ? source[i]
                        : ReferencePixel(source[i], offsets[static_cast<std::size_t>(y)], fpn, withDark, 2048, dark[i],
                                         withFlat ? 30000 : 0, flat[i]);
                ASSERT_EQ(image[i], expected) << "combo " << combo << " at " << x << "," << y;
            }
        }
    }
}

}  // namespace
}  // namespace orva
