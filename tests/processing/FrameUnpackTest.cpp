#include "processing/FrameUnpack.h"

#include "CameraFrameBuilder.h"

#include <gtest/gtest.h>

#include <vector>

namespace orva {
namespace {

TEST(FrameUnpackTest, NormalPixelTakesFirstByteAndLowNibbleOfSecond) {
    struct Case {
        uint8_t first, second;
        uint16_t pixel;
    };
    for (const Case c : {Case{0xAB, 0x0C, 0xABC0}, Case{0xAB, 0xFC, 0xABC0}, Case{0x00, 0xF0, 0x0000},
                         Case{0xFF, 0x0F, 0xFFF0}, Case{0x01, 0x10, 0x0100}}) {
        const uint8_t raw[2] = {c.first, c.second};
        uint16_t out = 0xFFFF;
        UnpackRowNormal(raw, 1, &out);
        EXPECT_EQ(out, c.pixel) << std::hex << int{c.first} << " " << int{c.second};
    }
}

TEST(FrameUnpackTest, PackedGroupFromSixLittleEndianWords) {
    const uint16_t words[6] = {0x1234, 0x5678, 0x9ABC, 0xDEF0, 0x1357, 0x2468};
    uint8_t raw[12];
    for (int i = 0; i < 6; ++i) {
        raw[2 * i] = static_cast<uint8_t>(words[i]);
        raw[2 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
    }
    uint16_t out[8] = {};
    UnpackRowPacked(raw, 8, out);
    const uint16_t expected[8] = {0x1230, 0x5670, 0x9A40, 0xDE80, 0x1BC0, 0x2F00, 0x3570, 0x4680};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], expected[i]) << "pixel " << i;
}

// Reference: mean over rows 16..h-19 and the 8-pixel groups at x = 8k, 100 <= x < w - 100.
uint32_t ReferenceMean(const std::vector<uint16_t>& image, int width, int height) {
    uint64_t sum = 0;
    uint64_t count = 0;
    for (int y = 16; y <= height - 19; ++y) {
        for (int x = 0; x < width; x += 8) {
            if (x < 100 || x >= width - 100) continue;
            for (int i = 0; i < 8; ++i) {
                sum += image[static_cast<std::size_t>(y) * width + x + i];
                ++count;
            }
        }
    }
    return count == 0 ? 0 : static_cast<uint32_t>(sum / count);
}

TEST(FrameUnpackTest, WholeFramesInBothPackingsMatchTheSamplesAndTheReferenceMean) {
    struct Case {
        int width, height;
        bool packed;
    };
    // 612 is not a multiple of 8 (a normal-packing mode), 176 x 128 leaves the window empty.
    for (const Case c : {Case{256, 64, false}, Case{256, 64, true}, Case{612, 40, false}, Case{176, 128, true},
                         Case{176, 128, false}, Case{208, 36, false}, Case{1224, 35, true}}) {
        test::RawCameraFrame frame(c.width, c.height, 7);
        // A bright pixel on the window's edges: inside at x = 104, outside at x = 103.
        if (c.height > 40) {
            frame.Sample(103, 20) = 4095;
            frame.Sample(104, 21) = 4095;
        }
        const std::vector<uint8_t> raw = c.packed ? frame.Packed() : frame.Normal();
        ASSERT_EQ(static_cast<int64_t>(raw.size()), RawRowBytes(c.width, c.packed) * c.height);
        std::vector<uint16_t> image(static_cast<std::size_t>(c.width) * c.height);
        const ImageStatistics stats = UnpackFrame(raw.data(), c.packed, c.width, c.height, image.data());
        EXPECT_EQ(image, frame.Expected()) << c.width << "x" << c.height << " packed " << c.packed;
        EXPECT_EQ(stats.Mean(), ReferenceMean(image, c.width, c.height)) << c.width << "x" << c.height;
    }
}

TEST(FrameUnpackTest, WindowIsEmptyForNarrowOrShortFrames) {
    EXPECT_TRUE(StatisticsWindow::ForFrame(176, 1200).IsEmpty());
    EXPECT_TRUE(StatisticsWindow::ForFrame(1920, 34).IsEmpty());
    EXPECT_FALSE(StatisticsWindow::ForFrame(1920, 35).IsEmpty());
    const StatisticsWindow w = StatisticsWindow::ForFrame(1920, 1200);
    EXPECT_EQ(w.firstColumn, 104);
    EXPECT_EQ(w.lastColumn, 1824);  // the last group starts at 1816 < 1820
    EXPECT_EQ(w.firstRow, 16);
    EXPECT_EQ(w.lastRow, 1182);
    EXPECT_EQ(ImageStatistics{}.Mean(), 0u);
}

TEST(FrameUnpackTest, PackedWidthsMustBeWholeGroups) {
    EXPECT_TRUE(IsUnpackableWidth(1920, true));
    EXPECT_FALSE(IsUnpackableWidth(612, true));
    EXPECT_TRUE(IsUnpackableWidth(612, false));
    EXPECT_FALSE(IsUnpackableWidth(0, false));
}

}  // namespace
}  // namespace orva
