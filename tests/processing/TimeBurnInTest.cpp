#include "processing/BitmapFont8x16.h"
#include "processing/TimeBurnIn.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace orva {
namespace {

TEST(TimeBurnInTest, PcTimeText) {
    UtcDateTime t;
    t.year = 2024;
    t.month = 6;
    t.day = 1;
    t.hour = 2;
    t.minute = 3;
    t.second = 4;
    t.millisecond = 5;
    EXPECT_EQ(FormatPcTimeText(t), " PC 20240601 02:03:04.005");
}

TEST(TimeBurnInTest, FontCoversItsRangeWithDistinctPrintableGlyphs) {
    std::set<std::vector<uint8_t>> seen;
    for (int c = '!'; c <= '~'; ++c) {
        const auto g = BitmapFont8x16::Glyph(static_cast<unsigned char>(c));
        std::vector<uint8_t> cell(g.begin(), g.end());
        EXPECT_NE(cell, std::vector<uint8_t>(16, 0)) << "character " << c;
        EXPECT_TRUE(seen.insert(cell).second) << "character " << c << " looks like another";
    }
    const auto question = BitmapFont8x16::Glyph('?');
    for (const int c : {0, 31, 156, 200, 255}) {
        const auto g = BitmapFont8x16::Glyph(static_cast<unsigned char>(c));
        EXPECT_TRUE(std::equal(g.begin(), g.end(), question.begin())) << "character " << c;
    }
    // 127..155 belong to the font (not drawn as '?').
    const auto box = BitmapFont8x16::Glyph(150);
    EXPECT_FALSE(std::equal(box.begin(), box.end(), question.begin()));
}

TEST(TimeBurnInTest, TextIsDrawnCellByCellWithFullAndZeroPixels) {
    const int width = 20;  // the third cell is cut after 4 columns
    const int height = 18;
    std::vector<uint16_t> image(static_cast<std::size_t>(width) * height, 1234);
    BurnInText(image.data(), width, height, std::string("1:") + char(7));
    const char drawn[3] = {'1', ':', '?'};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint16_t v = image[static_cast<std::size_t>(y) * width + x];
            if (y >= 16) {
                EXPECT_EQ(v, 1234) << x << "," << y;
                continue;
            }
            const auto g = BitmapFont8x16::Glyph(static_cast<unsigned char>(drawn[x / 8]));
            const bool set = g[static_cast<std::size_t>(y)] & (0x80 >> (x % 8));
            EXPECT_EQ(v, set ? 65535 : 0) << x << "," << y;
        }
    }
}

TEST(TimeBurnInTest, ShortImagesAreCutAtTheBottom) {
    std::vector<uint16_t> image(8 * 4, 7);
    BurnInText(image.data(), 8, 4, "8");
    const auto g = BitmapFont8x16::Glyph('8');
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(image[static_cast<std::size_t>(y) * 8 + x], (g[static_cast<std::size_t>(y)] & (0x80 >> x)) ? 65535 : 0);
}

}  // namespace
}  // namespace orva
