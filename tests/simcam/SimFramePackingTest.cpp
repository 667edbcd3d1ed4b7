// The camera's sample packings and the frame record, read back the station's way.
#include "SimFrameReading.h"
#include "simcam/SimOverlayWriter.h"
#include "simcam/SimSamplePacking.h"

#include <gtest/gtest.h>

#include <random>

namespace orva {
namespace {

using test::CheckLaneValid;
using test::RecordBigEndian;
using test::RecordByte;
using test::UnpackFrame;

TEST(SimSamplePacking, PackedGroupMatchesTheStationsWorkedExample) {
    // Pixels 0x1230 ... 0x4680 travel as the words 0x1234, 0x5678, 0x9ABC, 0xDEF0, 0x1357, 0x2468.
    const std::vector<uint16_t> samples{0x123, 0x567, 0x9A4, 0xDE8, 0x1BC, 0x2F0, 0x357, 0x468};
    std::vector<uint8_t> bytes(12);
    PackSimRow12(samples, bytes);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x34, 0x12, 0x78, 0x56, 0xBC, 0x9A, 0xF0, 0xDE, 0x57, 0x13, 0x68, 0x24}));
}

TEST(SimSamplePacking, NormalSampleIsHighByteThenLowNibble) {
    const std::vector<uint16_t> samples{0xABC, 0x001, 0xFFF};
    std::vector<uint8_t> bytes(6);
    PackSimRowNormal(samples, bytes);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0xAB, 0x0C, 0x00, 0x01, 0xFF, 0x0F}));
}

TEST(SimSamplePacking, BothPackingsUnpackToTheSameSamples) {
    std::mt19937 random(7);
    for (const bool packed : {false, true}) {
        for (const int width : {8, 176, 1624}) {
            std::vector<uint16_t> samples(static_cast<std::size_t>(width));
            for (auto& s : samples) s = static_cast<uint16_t>(random() & 0xFFF);
            samples[0] = 0;
            samples[1] = 0xFFF;
            std::vector<uint8_t> bytes(packed ? width * 3 / 2 : width * 2);
            if (packed) {
                PackSimRow12(samples, bytes);
            } else {
                PackSimRowNormal(samples, bytes);
            }
            const auto pixels = UnpackFrame(bytes, width, 1, packed);
            for (int x = 0; x < width; ++x) {
                ASSERT_EQ(pixels[x], samples[x] << 4) << "packed " << packed << " width " << width << " x " << x;
            }
        }
    }
}

SimOverlayRecord SampleRecord() {
    SimOverlayRecord r;
    r.vValue = 135;
    r.fromTime = {2024, 6, 1, 22, 0, 5, 999999999};
    r.toTime = {2024, 6, 1, 22, 0, 6, 39999999};
    r.timeFlag = true;
    r.frameNr = 0x01020304;
    r.sizeX = 1920;
    r.sizeY = 1200;
    r.binningX = 2;
    r.binningY = 4;
    r.commIrqCtr = 0xFE;
    r.frameStartIrqCtr = 0x07;
    r.modeValue = 8;
    r.exposureSec = 1;
    r.exposureNs = 250000000;
    r.highGain = true;
    r.lat = -1;
    r.lon = 81234567;
    r.accuracyM = 12;
    r.fixState = 3;
    r.nofSats = 11;
    r.heightMm = -1500;
    r.statusWords = {0x11223344, 0x55667788, 0x99AABBCC, 0xDDEEFF00};
    r.temperature = SimTemperatureWord(-11, true);
    r.dopTime = 0xCAFEBABE;
    r.dop = {123, 0x0201, 3, 4, 5};
    return r;
}

TEST(SimOverlayWriter, FieldsStandAtTheirBytesInTheirByteOrder) {
    std::vector<uint16_t> row(200, 0);
    WriteSimOverlayRecord(SampleRecord(), true, 99, row);
    struct Case {
        const char* field;
        int offset;
        int width;
        uint32_t expected;
    };
    const Case cases[] = {
        {"preamble", 2, 2, 0x5453},
        {"version", 4, 2, 6},
        {"VValue", 6, 2, 135},
        {"from year-2000, month, day", 8, 3, 0x180601},
        {"from hour, minute, second", 11, 3, 0x160005},
        {"from nanoseconds", 14, 4, 999999999},
        {"to second", 25, 1, 6},
        {"to nanoseconds", 26, 4, 39999999},
        {"frame number", 36, 4, 0x01020304},
        {"size", 40, 4, (1920u << 16) | 1200},
        {"binning minus one", 44, 2, 0x0103},
        {"interrupt counters", 46, 2, 0xFE07},
        {"mode value", 48, 2, 8},
        {"exposure seconds", 52, 4, 1},
        {"exposure nanoseconds", 56, 4, 250000000},
        {"latitude", 64, 4, 0xFFFFFFFF},
        {"longitude", 68, 4, 81234567},
        {"accuracy", 72, 2, 12},
        {"fix and satellites", 74, 2, 0x030B},
        {"height", 76, 4, static_cast<uint32_t>(-1500)},
        {"status word 0", 80, 4, 0x11223344},
        {"status word 3", 92, 4, 0xDDEEFF00},
        {"temperature -11 valid", 96, 2, 0x8B01},
        {"DOP time", 98, 4, 0xCAFEBABE},
        {"DOPG low byte first", 102, 2, 0x7B00},
        {"DOPP low byte first", 104, 2, 0x0102},
        {"DOPH low byte first", 110, 2, 0x0500},
    };
    std::vector<uint16_t> pixels(row.size());
    for (std::size_t i = 0; i < row.size(); ++i) pixels[i] = static_cast<uint16_t>(row[i] << 4);
    for (const Case& c : cases) {
        EXPECT_EQ(RecordBigEndian(pixels, c.offset, c.width), c.expected) << c.field;
    }
    EXPECT_EQ(RecordByte(pixels, 19) & 1, 1) << "time flag";
    EXPECT_EQ(RecordByte(pixels, 60) & 0x80, 0x80) << "high gain";
    EXPECT_NE(RecordBigEndian(pixels, 0, 2), 0x5453u) << "spare bytes must not look like the preamble";
}

TEST(SimOverlayWriter, CheckLaneHoldsForEveryLaneSeedAndRecord) {
    std::mt19937 random(11);
    std::vector<uint16_t> row(176, 0);
    for (int i = 0; i < 3000; ++i) {
        SimOverlayRecord r = SampleRecord();
        r.frameNr = static_cast<int32_t>(random());
        r.lat = static_cast<int32_t>(random());
        r.statusWords[1] = random();
        r.dop[2] = static_cast<uint16_t>(random());
        WriteSimOverlayRecord(r, (i & 1) != 0, random(), row);
        std::vector<uint16_t> pixels(row.size());
        for (std::size_t k = 0; k < row.size(); ++k) pixels[k] = static_cast<uint16_t>(row[k] << 4);
        ASSERT_TRUE(CheckLaneValid(pixels)) << "iteration " << i;
        // The lane is not trivially empty.
        int nonZero = 0;
        for (int p = 2; p <= 125; ++p) nonZero += (pixels[p] & 0xF0) != 0;
        ASSERT_GT(nonZero, 40);
    }
}

TEST(SimOverlayWriter, TemperatureWord) {
    EXPECT_EQ(SimTemperatureWord(-11, true), 0x8B01);
    EXPECT_EQ(SimTemperatureWord(23, true), 0x1701);
    EXPECT_EQ(SimTemperatureWord(23, false), 0x1700);
    EXPECT_EQ(SimTemperatureWord(0, true), 0x0001);
}

TEST(SimOverlayWriter, UtcStampFromUnixNanoseconds) {
    const SimUtcStamp t = SimUtcStampFromUnixNs(1717279200LL * 1000000000LL + 999999999);
    EXPECT_EQ(t.year, 2024);
    EXPECT_EQ(t.month, 6);
    EXPECT_EQ(t.day, 1);
    EXPECT_EQ(t.hour, 22);
    EXPECT_EQ(t.minute, 0);
    EXPECT_EQ(t.second, 0);
    EXPECT_EQ(t.nanosecond, 999999999u);
}

}  // namespace
}  // namespace orva
