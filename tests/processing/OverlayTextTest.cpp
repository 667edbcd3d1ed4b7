#include "processing/OverlayText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace orva {
namespace {

BinaryOverlay SampleOverlay() {
    BinaryOverlay o;
    o.Valid = true;
    o.FromTime = {2024, 3, 0, 5, 4, 5, 6, 789};
    o.ToTime = {2024, 3, 0, 5, 4, 5, 7, 12};
    o.FrameNr = 4242;
    o.SizeX = 1920;
    o.SizeY = 1080;
    o.BinningX = 1;
    o.BinningY = 2;
    o.ExposureSec = 2;
    o.ExposureNs = 500999999;
    o.Lat = -1;
    o.Lon = 81234567;
    o.HeightMm = -1500;
    o.AccuracyM = 5;
    o.FixState = 3;
    o.NofSats = 9;
    o.StatusWord0 = 0xDEADBEEF;
    o.StatusWord1 = 0x10;
    o.StatusWord2 = 0x77777777;  // not printed
    o.VValue = 7;
    return o;
}

TEST(OverlayText, OneLineSummary) {
    EXPECT_EQ(FormatOverlayText(SampleOverlay()),
              "20240305 04:05:06.789-04:05:07.012 - 4242 - 1920x1080 - 1x2 - 2500ms - GPS "
              "S00.0000001,E08.1234567,H-1m (5m) 00000003 9 - deadbeef 00000010 - V7\n");
}

TEST(OverlayText, HeightAndExposureInWholeUnits) {
    struct Case {
        int32_t heightMm;
        int32_t exposureSec;
        uint32_t exposureNs;
        const char* height;
        const char* exposure;
    };
    const Case cases[] = {
        {-1500, 0, 999999999, ",H-1m ", " - 999ms - "},  // both truncate toward zero
        {-999, 0, 0, ",H0m ", " - 0ms - "},
        {1999, 1, 1000000, ",H1m ", " - 1001ms - "},
        {std::numeric_limits<int32_t>::min(), 3000000, 0, ",H-2147483m ", " - 3000000000ms - "},
    };
    for (const Case& c : cases) {
        BinaryOverlay o = SampleOverlay();
        o.HeightMm = c.heightMm;
        o.ExposureSec = c.exposureSec;
        o.ExposureNs = c.exposureNs;
        const std::string text = FormatOverlayText(o);
        EXPECT_NE(text.find(c.height), std::string::npos) << text;
        EXPECT_NE(text.find(c.exposure), std::string::npos) << text;
    }
}

TEST(OverlayText, PositionTexts) {
    struct Case {
        int32_t e7;
        const char* latitude;
        const char* longitude;
    };
    const Case cases[] = {
        {0, "N00.0000000", "E00.0000000"},
        {-1, "S00.0000001", "W00.0000001"},
        {81234567, "N08.1234567", "E08.1234567"},
        {-1800000000, "S180.0000000", "W180.0000000"},
        {std::numeric_limits<int32_t>::min(), "S214.7483648", "W214.7483648"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatOverlayLatitude(c.e7), c.latitude);
        EXPECT_EQ(FormatOverlayLongitude(c.e7), c.longitude);
    }
}

TEST(OverlayText, TimeStamp) {
    EXPECT_EQ(FormatOverlayTime({2024, 3, 2, 5, 4, 5, 6, 789}), "2024-03-05T04:05:06.789");
    EXPECT_EQ(FormatOverlayTime({2000, 1, 0, 1, 0, 0, 0, 0}), "2000-01-01T00:00:00.000");
    EXPECT_EQ(FormatOverlayTime({2255, 12, 0, 31, 23, 59, 59, 4294}), "2255-12-31T23:59:59.4294");
}

}  // namespace
}  // namespace orva
