#include "common/CameraConfiguration.h"

#include <gtest/gtest.h>

#include <string>

namespace orva {
namespace {

CameraConfiguration Sample() {
    CameraConfiguration c;
    c.resolution = "1920 x 1080 (binned)";
    c.exposureMs = 33.3;
    c.gain = "High";
    c.eightBitMode = 1;
    c.invertImage = 0;
    c.clipOnOverflow = 1;
    c.flipMode = "Horizontal";
    c.pcTime = 1;
    c.crosshair = 0;
    c.fpnReduction = 1;
    c.plateSolvingNextEvent = 0;
    c.highGainMode = 1;
    c.blackLevelLocked = 1;
    c.blackLevelValue = -240;
    return c;
}

TEST(CameraConfiguration, EncodesFourteenTerminatedFields) {
    EXPECT_EQ(Sample().Encode(), "1920 x 1080 (binned);33.3;High;1;0;1;Horizontal;1;0;1;0;1;1;-240;");
}

TEST(CameraConfiguration, RoundTripsThroughItsText) {
    const CameraConfiguration original = Sample();
    CameraConfiguration decoded;
    EXPECT_TRUE(decoded.Decode(original.Encode()));
    EXPECT_EQ(decoded.Encode(), original.Encode());
    EXPECT_EQ(decoded.resolution, original.resolution);
    EXPECT_DOUBLE_EQ(decoded.exposureMs, 33.3);
    EXPECT_EQ(decoded.blackLevelValue, -240);
}

// The settings file is text anyone can edit: an exposure that is no finite time of the
// camera reads as 0, as text without a number does, and never reaches a conversion.
TEST(CameraConfiguration, AnExposureOutOfRangeReadsAsZero) {
    const struct {
        const char* stored;
        double exposureMs;
    } cases[] = {{"33.3", 33.3}, {"0", 0.0},     {"1000000", 1000000.0}, {"1000000.1", 0.0}, {"1e300", 0.0},
                 {"-5", 0.0},    {"nan", 0.0},   {"inf", 0.0},           {"-inf", 0.0},      {"1e999", 0.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        CameraConfiguration decoded = Sample();
        EXPECT_TRUE(decoded.Decode(std::string("640 x 480;") + c.stored + ";High;0;0;0;None;"));
        EXPECT_EQ(decoded.exposureMs, c.exposureMs);
    }
}

TEST(CameraConfiguration, FlagsAreWrittenAsOneOrZero) {
    CameraConfiguration c;
    c.eightBitMode = 5;
    c.invertImage = -1;
    EXPECT_EQ(c.Encode().substr(0, 12), ";0.0;;1;1;0;");
}

TEST(CameraConfiguration, PartialTextChangesOnlyTheFieldsItHolds) {
    const struct {
        const char* name;
        const char* text;
        bool present;
        const char* expected;  // encoding of Sample() after decoding the text over it
    } cases[] = {
        {"five fields", "640 x 480;10.0;Low;0;1;", false,
         "640 x 480;10.0;Low;0;1;1;Horizontal;1;0;1;0;1;1;-240;"},
        {"trailing field without terminator is ignored", "640 x 480;10.0;Low;0;1;0;None", false,
         "640 x 480;10.0;Low;0;1;0;Horizontal;1;0;1;0;1;1;-240;"},
        // The flip text must not leak into the next field when that one is missing.
        {"seven fields", "640 x 480;10.0;Low;0;1;0;7;", true,
         "640 x 480;10.0;Low;0;1;0;7;1;0;1;0;1;1;-240;"},
        {"empty", "", false, "1920 x 1080 (binned);33.3;High;1;0;1;Horizontal;1;0;1;0;1;1;-240;"},
        {"non-numeric values give zero", "a;b;c;d;e;f;g;h;i;j;k;l;m;n;", true, "a;0.0;c;0;0;0;g;0;0;0;0;0;0;0;"},
        {"extra fields are ignored", "r;1;g;0;0;0;f;0;0;0;0;0;0;9;extra;more;", true, "r;1.0;g;0;0;0;f;0;0;0;0;0;0;9;"},
    };
    for (const auto& c : cases) {
        CameraConfiguration config = Sample();
        EXPECT_EQ(config.Decode(c.text), c.present) << c.name;
        EXPECT_EQ(config.Encode(), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace orva
