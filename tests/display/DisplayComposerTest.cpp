#include "display/DisplayComposer.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace orva {
namespace {

// A frame of one value, a linear stretch over the full range, and room for the result.
class Compose : public ::testing::Test {
protected:
    Compose() { Resize(128, 64, 1000); }

    void Resize(int w, int h, uint16_t value) {
        width = w;
        height = h;
        pixels.assign(static_cast<std::size_t>(w * h), value);
        picture.assign(pixels.size(), 0);
        DisplayStretch::CurveTable curve{};
        DisplayStretch::Build(levels, *table, curve);
    }
    uint16_t& Pixel(int x, int y) { return pixels[static_cast<std::size_t>(y * width + x)]; }
    uint32_t Shown(int x, int y) const { return picture[static_cast<std::size_t>(y * width + x)] & 0xFFFFFF; }

    void Run() {
        DisplayFrame frame;
        frame.pixels = pixels.data();
        frame.width = width;
        frame.height = height;
        frame.status = &status;
        frame.showOverflow = showOverflow;
        frame.clipOnOverflow = clipOnOverflow;
        frame.pcTimeColumns = pcTimeColumns;
        frame.eightBit = eightBit;
        ComposeInputs inputs;
        inputs.table = table.get();
        inputs.zones = zones.get();
        inputs.profileX = profileX;
        inputs.profileY = profileY;
        DisplayComposer::Compose(frame, inputs, picture.data(), histogram, profile);
    }

    static uint32_t GreyOf(int g) { return static_cast<uint32_t>(g) * 0x010101u; }

    int width = 0, height = 0;
    std::vector<uint16_t> pixels;
    std::vector<uint32_t> picture;
    StretchLevels levels{0, 65535, 32767, 65535};
    std::unique_ptr<DisplayStretch::LookupTable> table = std::make_unique<DisplayStretch::LookupTable>();
    std::shared_ptr<ZoneBlocks> zones;
    CameraStatus status{.overlayMode = 2};
    bool showOverflow = false, clipOnOverflow = false, eightBit = false;
    int pcTimeColumns = 0;
    int profileX = -1, profileY = -1;
    uint64_t histogram[1024];
    LineProfile profile;
};

TEST_F(Compose, StretchesThroughTheTableAndShowsTheRecordRowsRaw) {
    levels = {1000, 3000, 32767, 65535};
    Resize(128, 64, 2000);
    Pixel(5, 60) = 0xAB00;
    Run();
    EXPECT_EQ(Shown(5, 5), GreyOf(127));
    EXPECT_EQ(Shown(5, 47), GreyOf(127));  // last stretched row: height - 16 - 1
    EXPECT_EQ(Shown(5, 48), GreyOf(2000 >> 8));
    EXPECT_EQ(Shown(5, 60), GreyOf(0xAB));
    EXPECT_EQ(picture[0] >> 24, 0xFFu);
}

TEST_F(Compose, ExcludedRowsAndColumnsFollowTheCameraStatus) {
    const struct {
        int overlayMode, pps, flagA, width, height, rows, columns;
    } cases[] = {
        {0, 0, 0, 640, 480, 1, 0}, {2, 0, 0, 640, 480, 16, 0}, {1, 1, 0, 640, 480, 16, 8},
        {2, 0, 1, 176, 128, 8, 8}, {0, 0, 0, 176, 128, 1, 0},
    };
    for (const auto& c : cases) {
        CameraStatus s;
        s.overlayMode = c.overlayMode;
        s.ppsMarker = c.pps;
        s.statusFlagA = c.flagA;
        EXPECT_EQ(DisplayComposer::ExcludedBottomRows(&s, c.width, c.height), c.rows);
        EXPECT_EQ(DisplayComposer::ExcludedLeftColumns(&s), c.columns);
    }
}

TEST_F(Compose, PpsMarkerColumnsAreShownRaw) {
    levels = {1000, 3000, 32767, 65535};
    Resize(128, 64, 2000);
    status.ppsMarker = 1;
    Run();
    EXPECT_EQ(Shown(7, 20), GreyOf(2000 >> 8));
    EXPECT_EQ(Shown(8, 20), GreyOf(127));
}

TEST_F(Compose, HistogramCountsRowsSeventeenToSixteenAboveTheBottom) {
    Resize(100, 64, 640);  // bin 10
    Pixel(50, 16) = 65535;
    Pixel(50, 48) = 65535;
    Pixel(50, 17) = 65535;
    Pixel(0, 47) = 64;  // bin 1
    status.ppsMarker = 1;
    Pixel(3, 30) = 64;  // in the marker columns: not counted
    std::fill(histogram, histogram + 1024, 7);
    Run();
    EXPECT_EQ(histogram[1023], 1u);
    EXPECT_EQ(histogram[1], 0u);
    EXPECT_EQ(histogram[10], static_cast<uint64_t>(31 * 92 - 1));
    EXPECT_EQ(histogram[500], 0u);
}

TEST_F(Compose, OverflowColoursWithAndWithoutClipping) {
    showOverflow = true;
    Pixel(10, 20) = 60000;
    Pixel(11, 20) = 65000;
    Pixel(12, 20) = 1000;
    Pixel(13, 20) = 5000;
    Run();
    const uint32_t yellow60000 = GreyOf(60000 * 255 / 65535) & 0xFFFF00;
    EXPECT_EQ(Shown(10, 20), yellow60000);
    EXPECT_EQ(Shown(11, 20), GreyOf(65000 * 255 / 65535) & 0xFF0000);
    EXPECT_EQ(Shown(12, 20), GreyOf(3));
    clipOnOverflow = true;
    Run();
    EXPECT_EQ(Shown(10, 20), GreyOf(233));
    EXPECT_EQ(Shown(12, 20), 0xFF0000u | GreyOf(3));
    EXPECT_EQ(Shown(13, 20), 0xFFFF00u | GreyOf(19));
}

TEST_F(Compose, OverflowLeavesThePcTimeTextAlone) {
    showOverflow = true;
    pcTimeColumns = 16;
    Pixel(15, 15) = 65535;
    Pixel(16, 15) = 65535;
    Pixel(15, 16) = 65535;
    Run();
    EXPECT_EQ(Shown(15, 15), 0xFFFFFFu);
    EXPECT_EQ(Shown(16, 15), 0xFF0000u);
    EXPECT_EQ(Shown(15, 16), 0xFF0000u);
}

TEST_F(Compose, ZonesTintUnselectedBlocksAndDrawBorders) {
    Resize(192, 160, 32768);  // grey 127
    zones = std::make_shared<ZoneBlocks>();
    zones->Toggle(1, 0);
    showOverflow = true;
    Pixel(100, 30) = 65535;  // zones on: no overflow colour
    Run();
    EXPECT_EQ(Shown(10, 10), 0xFE3F3Fu);  // unselected: red
    EXPECT_EQ(Shown(100, 30), GreyOf(255));
    EXPECT_EQ(Shown(65, 30), 0x3FFE3Fu);    // left border (unselected neighbour)
    EXPECT_EQ(Shown(100, 1), 0x3FFE3Fu);    // top edge of the picture
    EXPECT_EQ(Shown(126, 30), 0x3FFE3Fu);   // right border
    EXPECT_EQ(Shown(100, 62), 0x3FFE3Fu);   // bottom border
    EXPECT_EQ(Shown(100, 40), GreyOf(127)); // inside
}

TEST_F(Compose, ProfileCapturesThirtyThreeColumnsAroundTheCentre) {
    for (int x = 0; x < width; ++x) Pixel(x, 30) = static_cast<uint16_t>(x * 256);
    profileX = 5;
    profileY = 30;
    Run();
    EXPECT_TRUE(profile.captured);
    EXPECT_EQ(profile.values[0], 0);  // column -11: outside
    EXPECT_EQ(profile.values[16], 5 * 256);
    EXPECT_EQ(profile.values[32], 21 * 256);
    eightBit = true;
    Run();
    EXPECT_EQ(profile.values[16], 5);
    profileY = -1;
    Run();
    EXPECT_FALSE(profile.captured);
}

}  // namespace
}  // namespace orva
