#include "display/DisplayStretch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include <memory>

namespace orva {
namespace {

struct StretchCase {
    int background, white, midtone, input, expected;
};

TEST(DisplayStretch, MapsInputsThroughTheCurve) {
    const StretchCase cases[] = {
        {1000, 3000, 32767, 1000, 0},  {1000, 3000, 32767, 2000, 127}, {1000, 3000, 32767, 3000, 255},
        {1000, 3000, 0, 2000, 63},     {1000, 3000, 65535, 2000, 191}, {1000, 3000, 32767, 999, 0},
        {1000, 3000, 32767, 65535, 255},
        // B >= W: a hard threshold.
        {3000, 3000, 32767, 3000, 0},  {3000, 3000, 32767, 3001, 255}, {4000, 3000, 32767, 3500, 0},
        {4000, 3000, 32767, 4001, 255},
    };
    for (const auto& c : cases) {
        const StretchLevels levels{c.background, c.white, c.midtone, 65535};
        EXPECT_EQ(DisplayStretch::DisplayValue(levels, c.input), c.expected)
            << c.background << ".." << c.white << " G " << c.midtone << " input " << c.input;
    }
}

TEST(DisplayStretch, TableIsOpaqueGreyAndCurveHoldsEachBlocksLastValue) {
    auto table = std::make_unique<DisplayStretch::LookupTable>();
    DisplayStretch::CurveTable curve{};
    const StretchLevels levels{1000, 3000, 32767, 65535};
    DisplayStretch::Build(levels, *table, curve);
    EXPECT_EQ((*table)[2000], 0xFF000000u | 127u * 0x010101u);
    EXPECT_EQ((*table)[0], 0xFF000000u);
    EXPECT_EQ((*table)[65535], 0xFFFFFFFFu);
    EXPECT_EQ(curve[0], 0);
    for (int k = 0; k < 64; ++k) {
        EXPECT_EQ(curve[static_cast<std::size_t>(k + 1)], DisplayStretch::DisplayValue(levels, 1024 * k + 1023)) << k;
    }
}

class AutoLevels : public ::testing::Test {
protected:
    uint64_t bins[DisplayStretch::kBins] = {};
};

TEST_F(AutoLevels, FullRangeStartsBelowTheLowestOccupiedBin) {
    bins[10] = 500;
    bins[200] = 500;
    const auto levels = DisplayStretch::AutoLevels(bins, 100.0);
    ASSERT_TRUE(levels);
    EXPECT_EQ(levels->background, 576);  // level(9)
    EXPECT_EQ(levels->white, 65535);
}

TEST_F(AutoLevels, PercentCutsHalfTheExcludedShareAtEachEnd) {
    // 1000 pixels, one per bin 1..1000: 99 % cuts 5 pixels at each end.
    for (int k = 1; k <= 1000; ++k) bins[k] = 1;
    const auto levels = DisplayStretch::AutoLevels(bins, 99.0);
    ASSERT_TRUE(levels);
    EXPECT_EQ(levels->background, DisplayStretch::BinLevel(5));
    EXPECT_EQ(levels->white, DisplayStretch::BinLevel(995));
    // The "95" button passes 90: 50 at each end.
    const auto wide = DisplayStretch::AutoLevels(bins, 90.0);
    EXPECT_EQ(wide->background, DisplayStretch::BinLevel(50));
    EXPECT_EQ(wide->white, DisplayStretch::BinLevel(950));
}

TEST_F(AutoLevels, ManyBlackPixelsDoNotCollapseTheWhiteLevel) {
    // A dark-subtracted frame: most pixels are 0 (bin 0), the stars spread above.
    bins[0] = 2000000;
    for (int k = 1; k <= 100; ++k) bins[k] = 100;
    bins[1023] = 50;
    const auto levels = DisplayStretch::AutoLevels(bins, 99.0);
    ASSERT_TRUE(levels);
    EXPECT_EQ(levels->background, DisplayStretch::BinLevel(0));
    EXPECT_EQ(levels->white, DisplayStretch::BinLevel(99));
}

TEST_F(AutoLevels, OnlyClippedPixelsGiveNothing) {
    bins[0] = 1000;
    bins[1023] = 1000;
    EXPECT_FALSE(DisplayStretch::AutoLevels(bins, 99.0));
}

TEST_F(AutoLevels, StarFieldLevelsDarkenTheSkyAndKeepTheStars) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, uint64_t>> occupied;  // bin, count
        int background;
        int white;
    } cases[] = {
        // Sky around bin 50, a few star pixels up to bin 600: black below the darkest
        // tenth (level(49)), white where the brightest 1/2000 (5 of 10010 pixels) begin
        // (level(599)).
        {"star field", {{49, 500}, {50, 8000}, {51, 1500}, {300, 5}, {600, 5}}, 3139, 38372},
        // One grey level: not a threshold but a span from just below it.
        {"flat", {{100, 100000}}, 6342, 6342 + DisplayStretch::kStarFieldSpan},
        {"flat at the top", {{1022, 100000}}, 65535 - DisplayStretch::kStarFieldSpan, 65535},
        // The clipped bins do not count.
        {"clipped", {{0, 100000}, {1023, 100000}, {49, 500}, {50, 8000}, {51, 1500}, {300, 5}, {600, 5}}, 3139, 38372},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::fill(std::begin(bins), std::end(bins), 0);
        for (const auto& [bin, count] : c.occupied) bins[bin] = count;
        const auto levels = DisplayStretch::StarFieldLevels(bins);
        ASSERT_TRUE(levels);
        EXPECT_EQ(levels->background, c.background);
        EXPECT_EQ(levels->white, c.white);
    }
    std::fill(std::begin(bins), std::end(bins), 0);
    bins[0] = 1000;
    EXPECT_FALSE(DisplayStretch::StarFieldLevels(bins));
}

}  // namespace
}  // namespace orva
