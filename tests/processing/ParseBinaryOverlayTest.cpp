#include "processing/ParseBinaryOverlay.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orva {
namespace {

// The record as the camera lays it out, written from the byte table: record byte j is
// the high byte of pixel start + j, its check lane the low byte.
struct EncodedRecord {
    std::array<uint8_t, 128> bytes{};
    std::array<uint8_t, 128> lanes{};

    void PutBigEndian(int j, uint32_t value, int width) {
        for (int i = 0; i < width; ++i) bytes[j + i] = static_cast<uint8_t>(value >> (8 * (width - 1 - i)));
    }
    void PutLowByteFirst(int j, uint16_t value) {
        bytes[j] = static_cast<uint8_t>(value);
        bytes[j + 1] = static_cast<uint8_t>(value >> 8);
    }
    // Fletcher-16 modulo 255 over the lanes of bytes 2..125: sum1 goes into lane 127,
    // sum2 into lane 126.
    int Seal() {
        int sum1 = 0;
        int sum2 = 0;
        for (int j = 2; j <= 125; ++j) {
            sum1 = (sum1 + lanes[j]) % 255;
            sum2 = (sum2 + sum1) % 255;
        }
        lanes[127] = static_cast<uint8_t>(sum1);
        lanes[126] = static_cast<uint8_t>(sum2);
        return sum1 * 256 + sum2;
    }
};

struct RecordTime {
    uint8_t yearSince2000, month, day, hour, minute, second;
    uint32_t nanoseconds;
};

// Raw record values; the defaults give every multi-byte field distinct bytes so that a
// wrong offset or byte order shows.
struct RecordValues {
    uint16_t version = 6;
    uint16_t vValue = 0x0A0B;
    RecordTime from{24, 3, 5, 4, 5, 6, 789123456};
    bool timeFlag = true;
    RecordTime to{24, 3, 5, 4, 5, 7, 12345678};
    uint32_t frameNr = 0x01020304;
    uint16_t sizeX = 1920;
    uint16_t sizeY = 1200;
    uint8_t binningXMinus1 = 1;
    uint8_t binningYMinus1 = 0;
    uint8_t commIrqCtr = 0xC1;
    uint8_t frameStartIrqCtr = 0xC2;
    uint16_t modeValue = 16;
    uint16_t auxValue = 0x1234;
    uint32_t exposureSec = 2;
    uint32_t exposureNs = 500000000;
    bool highGain = true;
    int32_t lat = -338765432;
    int32_t lon = 1512345678;
    uint16_t accuracyM = 0x0102;
    uint8_t fixState = 3;
    uint8_t nofSats = 12;
    int32_t heightMm = -1500;
    uint32_t statusWords[4] = {0x11223344, 0x55667788, 0x99AABBCC, 0xDDEEFF00};
    uint16_t temperature = 0x9501;
    uint32_t dopTime = 0xA1B2C3D4;
    uint16_t dops[5] = {0x017B, 0x0203, 0x0304, 0x0405, 0x0506};  // G, P, T, V, H
};

constexpr uint8_t kUnused = 0xEE;  // what the camera leaves in bytes the station ignores

// Check lanes as a 12-bit camera sends them (low nibble zero), then sealed.
EncodedRecord Encode(const RecordValues& v) {
    EncodedRecord r;
    r.bytes.fill(kUnused);
    r.bytes[2] = 0x54;
    r.bytes[3] = 0x53;
    r.PutBigEndian(4, v.version, 2);
    r.PutBigEndian(6, v.vValue, 2);
    for (const auto& [j, t] : {std::pair{8, v.from}, std::pair{20, v.to}}) {
        r.bytes[j] = t.yearSince2000;
        r.bytes[j + 1] = t.month;
        r.bytes[j + 2] = t.day;
        r.bytes[j + 3] = t.hour;
        r.bytes[j + 4] = t.minute;
        r.bytes[j + 5] = t.second;
        r.PutBigEndian(j + 6, t.nanoseconds, 4);
    }
    r.bytes[19] = static_cast<uint8_t>(0xEE | (v.timeFlag ? 1 : 0));  // only bit 0 counts
    r.PutBigEndian(36, v.frameNr, 4);
    r.PutBigEndian(40, v.sizeX, 2);
    r.PutBigEndian(42, v.sizeY, 2);
    r.bytes[44] = v.binningXMinus1;
    r.bytes[45] = v.binningYMinus1;
    r.bytes[46] = v.commIrqCtr;
    r.bytes[47] = v.frameStartIrqCtr;
    r.PutBigEndian(48, v.modeValue, 2);
    r.PutBigEndian(50, v.auxValue, 2);
    r.PutBigEndian(52, v.exposureSec, 4);
    r.PutBigEndian(56, v.exposureNs, 4);
    r.bytes[60] = static_cast<uint8_t>(0x7E | (v.highGain ? 0x80 : 0));  // only bit 7 counts
    r.PutBigEndian(64, static_cast<uint32_t>(v.lat), 4);
    r.PutBigEndian(68, static_cast<uint32_t>(v.lon), 4);
    r.PutBigEndian(72, v.accuracyM, 2);
    r.bytes[74] = v.fixState;
    r.bytes[75] = v.nofSats;
    r.PutBigEndian(76, static_cast<uint32_t>(v.heightMm), 4);
    for (int i = 0; i < 4; ++i) r.PutBigEndian(80 + 4 * i, v.statusWords[i], 4);
    r.PutBigEndian(96, v.temperature, 2);
    r.PutBigEndian(98, v.dopTime, 4);
    for (int i = 0; i < 5; ++i) r.PutLowByteFirst(102 + 2 * i, v.dops[i]);
    for (int j = 0; j < 128; ++j) r.lanes[j] = static_cast<uint8_t>((j * 7 % 16) << 4);
    r.Seal();
    return r;
}

// An unpacked frame of exactly width x height pixels, so a read outside it is caught by
// the address sanitizer.
class TestFrame {
public:
    TestFrame(int width, int height)
        : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height, 0x1230) {}

    // Writes the record with its first byte at pixel `start` of the last row.
    void Place(const EncodedRecord& r, int start) {
        for (int j = 0; j < 128; ++j) At(start + j) = static_cast<uint16_t>(r.bytes[j] << 8 | r.lanes[j]);
    }
    // A pixel of the last row; negative positions are at the end of the row above.
    uint16_t& At(int position) { return pixels_.at((height_ - 1) * width_ + position); }

    void ParseInto(BinaryOverlay& overlay) const { ParseBinaryOverlay(overlay, pixels_, width_, height_); }

private:
    int width_;
    int height_;
    std::vector<uint16_t> pixels_;
};

BinaryOverlay ParseOne(const EncodedRecord& record, int start = 0) {
    TestFrame frame(200, 4);
    frame.Place(record, start);
    BinaryOverlay overlay;
    frame.ParseInto(overlay);
    return overlay;
}

TEST(ParseBinaryOverlay, DecodesEveryFieldFromItsPlace) {
    const BinaryOverlay o = ParseOne(Encode(RecordValues{}));
    ASSERT_TRUE(o.Valid);
    EXPECT_EQ(o.RecordStart, 0);
    EXPECT_EQ(o.Version, 6);
    EXPECT_EQ(o.VValue, 0x0A0B);
    const auto expectTime = [](const CalendarTime& t, int second, int ms) {
        EXPECT_EQ(t.year, 2024);
        EXPECT_EQ(t.month, 3);
        EXPECT_EQ(t.dayOfWeek, 0);
        EXPECT_EQ(t.day, 5);
        EXPECT_EQ(t.hour, 4);
        EXPECT_EQ(t.minute, 5);
        EXPECT_EQ(t.second, second);
        EXPECT_EQ(t.milliseconds, ms);
    };
    expectTime(o.FromTime, 6, 789);
    expectTime(o.ToTime, 7, 12);
    EXPECT_EQ(o.TimeFlag, 1);
    EXPECT_EQ(o.FrameNr, 0x01020304);
    EXPECT_EQ(o.SizeX, 1920);
    EXPECT_EQ(o.SizeY, 1200);
    EXPECT_EQ(o.BinningX, 2);
    EXPECT_EQ(o.BinningY, 1);
    EXPECT_EQ(o.CommIrqCtr, 0xC1);
    EXPECT_EQ(o.FrameStartIrqCtr, 0xC2);
    EXPECT_EQ(o.ModeValue, 16);
    EXPECT_EQ(o.AuxValue, 0x1234);
    EXPECT_EQ(o.ExposureSec, 2);
    EXPECT_EQ(o.ExposureNs, 500000000u);
    EXPECT_EQ(o.HighGain, 1);
    EXPECT_EQ(o.Lat, -338765432);
    EXPECT_EQ(o.Lon, 1512345678);
    EXPECT_EQ(o.AccuracyM, 0x0102);
    EXPECT_EQ(o.FixState, 3);
    EXPECT_EQ(o.NofSats, 12);
    EXPECT_EQ(o.HeightMm, -1500);
    EXPECT_EQ(o.StatusWord0, 0x11223344u);
    EXPECT_EQ(o.StatusWord1, 0x55667788u);
    EXPECT_EQ(o.StatusWord2, 0x99AABBCCu);
    EXPECT_EQ(o.StatusWord3, 0xDDEEFF00u);
    EXPECT_EQ(o.Temperature, 0x9501);
    EXPECT_EQ(o.DOPTime, 0xA1B2C3D4u);
    EXPECT_EQ(o.DOPG, 0x017B);
    EXPECT_EQ(o.DOPP, 0x0203);
    EXPECT_EQ(o.DOPT, 0x0304);
    EXPECT_EQ(o.DOPV, 0x0405);
    EXPECT_EQ(o.DOPH, 0x0506);
}

TEST(ParseBinaryOverlay, FieldEdgeValues) {
    RecordValues v;
    v.from.nanoseconds = 999999999;
    v.highGain = false;
    v.timeFlag = false;
    v.temperature = 0x0A00;  // bit 0 clear: no reading, still the raw word
    v.frameNr = 0xFFFFFFFE;
    v.exposureSec = 0xFFFFFFFF;
    v.binningXMinus1 = 255;
    EncodedRecord r = Encode(v);
    r.bytes[102] = 0x7B;
    r.bytes[103] = 0x00;
    const BinaryOverlay o = ParseOne(r);
    ASSERT_TRUE(o.Valid);
    EXPECT_EQ(o.FromTime.milliseconds, 999);
    EXPECT_EQ(o.HighGain, 0);
    EXPECT_EQ(o.TimeFlag, 0);
    EXPECT_EQ(o.Temperature, 0x0A00);
    EXPECT_EQ(o.FrameNr, -2);
    EXPECT_EQ(o.ExposureSec, -1);
    EXPECT_EQ(o.BinningX, 256);
    EXPECT_EQ(o.DOPG, 123);
}

// The sums the parser computes over a record's check lanes, as it logs them.
int ComputedSums(EncodedRecord r) { return r.Seal(); }

TEST(ParseBinaryOverlay, VersionDecidesHeightAndChecksum) {
    struct Case {
        uint16_t version;
        bool wrongCheckLane;
        bool valid;
        int32_t heightMm;
    };
    const Case cases[] = {
        {3, false, true, 0},     {3, true, true, 0},   {4, false, true, -1500}, {5, true, true, -1500},
        {6, false, true, -1500}, {6, true, false, 0},  {7, true, false, 0},
    };
    for (const Case& c : cases) {
        test::LogCapture log;
        RecordValues v;
        v.version = c.version;
        EncodedRecord r = Encode(v);
        if (c.wrongCheckLane) r.lanes[50] ^= 0x10;
        const BinaryOverlay o = ParseOne(r);
        EXPECT_EQ(o.Valid, c.valid) << c.version;
        EXPECT_EQ(o.HeightMm, c.heightMm) << c.version;
        std::vector<std::string> expectedLog;
        if (!c.valid) expectedLog.push_back("W ParseBinaryOverlay: invalid checksum " + std::to_string(ComputedSums(r)));
        EXPECT_EQ(log.Messages(), expectedLog) << c.version;
    }
}

TEST(ParseBinaryOverlay, ChecksumCoversLanesOfBytes2To125AndChecksBothSums) {
    struct Case {
        int lane;
        bool valid;
    };
    const Case cases[] = {{0, true}, {1, true}, {2, false}, {64, false}, {125, false}, {126, false}, {127, false}};
    for (const Case& c : cases) {
        EncodedRecord r = Encode(RecordValues{});
        r.lanes[c.lane] ^= 0x10;
        EXPECT_EQ(ParseOne(r).Valid, c.valid) << c.lane;
    }
}

TEST(ParseBinaryOverlay, ZeroCheckLanesThroughoutAreAccepted) {
    EncodedRecord r = Encode(RecordValues{});
    r.lanes.fill(0);
    EXPECT_TRUE(ParseOne(r).Valid);
}

TEST(ParseBinaryOverlay, FailedParseKeepsTheLastDecodedFields) {
    struct Case {
        const char* name;
        uint8_t byte2;
        uint8_t byte3;
        bool breakLane;
        std::string message;
    };
    // Without "TS" the log carries the words at bytes 3..4 and 2..3: A x 65536 + B.
    const Case cases[] = {
        {"no preamble", 0x12, 0x34, false, "W ParseBinaryOverlay: invalid preamble " + std::to_string(0x34001234)},
        {"no preamble, high word negative", 0x12, 0x84, false,
         "W ParseBinaryOverlay: invalid preamble " + std::to_string(static_cast<int32_t>(0x84001284u))},
        {"bad checksum", 0x54, 0x53, true, ""},
    };
    for (const Case& c : cases) {
        test::LogCapture log;
        BinaryOverlay overlay;
        TestFrame good(200, 4);
        RecordValues first;
        first.frameNr = 1;
        good.Place(Encode(first), 0);
        good.ParseInto(overlay);
        ASSERT_TRUE(overlay.Valid);

        RecordValues second;
        second.frameNr = 2;
        second.version = 0x0006;
        EncodedRecord r = Encode(second);
        r.bytes[2] = c.byte2;
        r.bytes[3] = c.byte3;
        if (c.breakLane) r.lanes[10] ^= 0x10;
        TestFrame bad(200, 4);
        bad.Place(r, 0);
        bad.ParseInto(overlay);
        EXPECT_FALSE(overlay.Valid) << c.name;
        EXPECT_EQ(overlay.FrameNr, 1) << c.name;
        EXPECT_EQ(overlay.RecordStart, 0) << c.name;
        const std::string expected =
            c.message.empty() ? "W ParseBinaryOverlay: invalid checksum " + std::to_string(ComputedSums(r)) : c.message;
        EXPECT_EQ(log.Messages(), std::vector<std::string>{expected}) << c.name;
    }
}

// A run of frames, each with its record at the given start and its own frame number; a
// frame whose record is not found keeps the frame number of the last one found.
TEST(ParseBinaryOverlay, RecordStartFollowsTheRecordAwayAndBack) {
    struct Frame {
        int placedAt;
        bool valid;
        int keptStart;
    };
    struct Case {
        const char* name;
        std::vector<Frame> frames;
    };
    const Case cases[] = {
        {"stays in place", {{0, true, 0}, {0, true, 0}}},
        {"moves by +1 and stays there", {{1, true, 1}, {1, true, 1}, {1, true, 1}}},
        {"moves by +1 and back", {{0, true, 0}, {1, true, 1}, {1, true, 1}, {0, true, 0}, {0, true, 0}}},
        {"moves by -2 and back", {{0, true, 0}, {-2, true, -2}, {-2, true, -2}, {0, true, 0}}},
        {"moves by +1 twice", {{1, true, 1}, {2, true, 2}, {2, true, 2}, {0, true, 0}}},
        {"moves by -2 from a moved start", {{1, true, 1}, {-1, true, -1}, {-1, true, -1}, {1, true, 1}}},
        {"jumps out of reach and returns", {{0, true, 0}, {2, false, 0}, {0, true, 0}}},
        {"moves past the row's start", {{0, true, 0}, {-2, true, -2}, {-4, false, -2}, {0, true, 0}}},
    };
    for (const Case& c : cases) {
        BinaryOverlay overlay;
        int lastFrameNr = 0;
        for (std::size_t i = 0; i < c.frames.size(); ++i) {
            const Frame& f = c.frames[i];
            RecordValues v;
            v.frameNr = static_cast<uint32_t>(i + 1);
            TestFrame frame(200, 4);
            frame.Place(Encode(v), f.placedAt);
            frame.ParseInto(overlay);
            if (f.valid) lastFrameNr = static_cast<int>(i + 1);
            EXPECT_EQ(overlay.Valid, f.valid) << c.name << ", frame " << i;
            EXPECT_EQ(overlay.RecordStart, f.keptStart) << c.name << ", frame " << i;
            EXPECT_EQ(overlay.FrameNr, lastFrameNr) << c.name << ", frame " << i;
        }
    }
}

TEST(ParseBinaryOverlay, SmallestFrameHoldsTheRecordAtEveryReachableStart) {
    // 130 x 2 pixels: starts -2 (two pixels in the row above) to 2 (the row's last pixel).
    struct Case {
        int keptStart;
        int placedAt;
    };
    const Case cases[] = {{0, -2}, {0, 0}, {0, 1}, {1, 2}, {2, 2}, {2, 0}};
    for (const Case& c : cases) {
        BinaryOverlay overlay;
        overlay.RecordStart = c.keptStart;
        TestFrame frame(kMinimumOverlayRowWidth, 2);
        frame.Place(Encode(RecordValues{}), c.placedAt);
        frame.ParseInto(overlay);
        EXPECT_TRUE(overlay.Valid) << c.keptStart << " " << c.placedAt;
        EXPECT_EQ(overlay.RecordStart, c.placedAt) << c.keptStart << " " << c.placedAt;
    }
}

TEST(ParseBinaryOverlay, StartThatWouldLeaveTheRowIsNotTaken) {
    // Kept start 2 is the last that fits 130 pixels: a preamble one pixel further right
    // would put the record's end past the frame.
    test::LogCapture log;
    BinaryOverlay overlay;
    overlay.RecordStart = 2;
    TestFrame frame(kMinimumOverlayRowWidth, 2);
    frame.At(5) = 0x5400;
    frame.At(6) = 0x5300;
    frame.ParseInto(overlay);
    EXPECT_FALSE(overlay.Valid);
    EXPECT_EQ(overlay.RecordStart, 2);
    EXPECT_EQ(log.MessagesStartingWith("W ParseBinaryOverlay: invalid preamble").size(), 1u);
}

TEST(ParseBinaryOverlay, KeptStartOutsideASmallerFrameStartsTheSearchAtZero) {
    BinaryOverlay overlay;
    overlay.RecordStart = 100;
    TestFrame frame(kMinimumOverlayRowWidth, 3);
    frame.Place(Encode(RecordValues{}), 1);
    frame.ParseInto(overlay);
    EXPECT_TRUE(overlay.Valid);
    EXPECT_EQ(overlay.RecordStart, 1);
}

TEST(ParseBinaryOverlay, FrameTooSmallForARecordIsInvalid) {
    struct Case {
        int width;
        int height;
        std::size_t pixels;
        std::string message;
    };
    const Case cases[] = {
        {129, 4, 129 * 4, "W ParseBinaryOverlay: frame too small for a record 129 4"},
        {130, 1, 130, "W ParseBinaryOverlay: frame too small for a record 130 1"},
        {0, 0, 0, "W ParseBinaryOverlay: frame too small for a record 0 0"},
        {-200, -4, 0, "W ParseBinaryOverlay: frame too small for a record -200 -4"},
        {130, 2, 259, "W ParseBinaryOverlay: frame buffer shorter than its size 130 2"},
    };
    for (const Case& c : cases) {
        test::LogCapture log;
        // Filled with records everywhere it could look, so only the bounds make it fail.
        std::vector<uint16_t> pixels(c.pixels, 0x5453);
        BinaryOverlay overlay;
        overlay.Valid = true;
        ParseBinaryOverlay(overlay, pixels, c.width, c.height);
        EXPECT_FALSE(overlay.Valid) << c.message;
        EXPECT_EQ(log.Messages(), std::vector<std::string>{c.message});
    }
}

}  // namespace
}  // namespace orva
