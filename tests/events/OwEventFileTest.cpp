#include "events/OwEventFile.h"

#include "equipment/CodedText.h"
#include "EventTestSupport.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orva {
namespace {

using test::MakeEvent;
using test::ReadFile;
using test::TempDir;
using test::Ticks;
using test::WriteFile;

// An event with every field away from its default, non-ASCII text and awkward numbers.
OwEvent FullEvent() {
    OwEvent e = MakeEvent("(4179) Toutatis", "TYC 1234-00567-1", Ticks(2024, 3, 5, 21, 30, 12, 345));
    e.EventMaxDurationSec = 3.25;
    e.ErrorInTimeSec = 0.1;
    e.Probability = 87.5;
    e.AsteroidMag = 14.2;
    e.StarMag = 11.03;
    e.CombinedMag = 10.99;
    e.MagDrop = 3.21;
    e.StarRaHours = 23.999999999;
    e.StarDecDegrees = -89.5;
    e.OwEventInfoVersion = 3;
    e.FeedName = "IOTA/ES";
    e.AsteroidDiameter = 4.6;
    e.MoonDistance = 120.0;
    e.MoonAltitude = -12.0;
    e.MoonSunLit = 45.0;
    e.StarAzimut = 181.5;
    e.StarAltitude = 33.3;
    e.StarConstellation = "Orion";
    e.DistanceFromCenterLine = -1.5;
    e.DistancePathN = 2.5;
    e.DistancePathS = -3.5;
    e.PathWidth = 6.0;
    e.ChordOffset = -3;
    e.TravelDistance = 1e-9;
    e.RecordingStartTimestamp_valid = 1;
    e.RecordingStartTimestamp_ms = 86399999;
    e.RecordingStartTimestamp_acc_ms = 1;
    e.RecordingEndTimestamp_valid = 1;
    e.RecordingEndTimestamp_ms = 12;
    e.RecordingEndTimestamp_acc_ms = 4294967295u;
    e.RecordingGpsPrecision_m = -2147483647 - 1;
    e.RecordingFormat = "ADV";
    e.CameraGainDb = "+12 dB";
    e.CameraModelName = "ORVA+CAM";
    e.CameraSerialNr = "1234";
    e.CameraSensorName = "IMX174";
    e.CameraExposureTime = "40.0 ms";
    e.CameraBinning = "1x1";
    e.CameraWh = "1920x1200";
    e.RecordingGpsAvgLatE7 = 481234567;
    e.RecordingGpsAvgLonE7 = -1171234567;
    e.RecordingGpsAvgHeight_m = 2147483647;
    e.RecordingGpsNofAveragedValues = 600;
    e.DType = "G";
    e.RType = "M";
    e.DTimestamp_valid = 1;
    e.DTimestamp_ms = 77412345;
    e.DTimestamp_acc_ms = 20;
    e.RTimestamp_valid = 1;
    e.RTimestamp_ms = 77415678;
    e.RTimestamp_acc_ms = 30;
    e.RecordingSNR = 5.5;
    e.RecordingWindBft = 2.0;
    e.RecordingTempC = -7.5;
    e.RecordingTransparency = "good";
    e.RecordingSeeing = "poor";
    e.RecordingComment1 = "Wolken & <Dunst> \xC3\xBC\xE2\x82\xAC";  // ü€
    e.RecordingComment2 = "\xF0\x9F\x94\xAD";                      // a character beyond 16 bits
    e.RecordingObserver = "J. Doe";
    e.RecordingObservingSite = "Home";
    e.RecordingInstrument = "C8";
    e.RecordingMount = "EQ6";
    e.SourceOccultXml = 1;
    return e;
}

void ExpectSameFields(const OwEvent& a, const OwEvent& b) {
    // Compared through the stored text of each field, so that a field added to the record
    // but forgotten here still shows up as a difference in the file bytes below.
    TempDir dir;
    ASSERT_TRUE(OwEventFile::Write(dir.File("a.xml"), {&a}));
    ASSERT_TRUE(OwEventFile::Write(dir.File("b.xml"), {&b}));
    EXPECT_EQ(ReadFile(dir.File("a.xml")), ReadFile(dir.File("b.xml")));
}

TEST(OwEventFile, ElementsAreTheSixtySixFieldsInTheirFileOrder) {
    const std::vector<std::string> expected = {
        "AsteroidName", "StarName", "StarConstellation", "FeedName", "RecordingFormat", "EventTime",
        "EventMaxDurationSec", "ErrorInTimeSec", "Probability", "AsteroidMag", "StarMag", "CombinedMag", "MagDrop",
        "StarRaHours", "StarDecDegrees", "OwEventInfoVersion", "AsteroidDiameter", "MoonDistance", "MoonAltitude",
        "MoonSunLit", "StarAzimut", "StarAltitude", "DistanceFromCenterLine", "DistancePathN", "DistancePathS",
        "PathWidth", "ChordOffset", "TravelDistance", "RecordingStartTimestamp_valid", "RecordingStartTimestamp_ms",
        "RecordingStartTimestamp_acc_ms", "RecordingEndTimestamp_valid", "RecordingEndTimestamp_ms",
        "RecordingEndTimestamp_acc_ms", "CameraGainDb", "CameraModelName", "CameraSerialNr", "CameraSensorName",
        "CameraExposureTime", "CameraBinning", "CameraWh", "RecordingGpsPrecision_m", "SourceOccultXml",
        "DTimestamp_valid", "DTimestamp_ms", "DTimestamp_acc_ms", "RTimestamp_valid", "RTimestamp_ms",
        "RTimestamp_acc_ms", "DType", "RType", "RecordingGpsAvgLatE7", "RecordingGpsAvgLonE7",
        "RecordingGpsAvgHeight_m", "RecordingGpsNofAveragedValues", "RecordingSNR", "RecordingWindBft",
        "RecordingTempC", "RecordingTransparency", "RecordingSeeing", "RecordingComment1", "RecordingComment2",
        "RecordingObservingSite", "RecordingObserver", "RecordingInstrument", "RecordingMount"};
    const auto& names = OwEventFile::ElementNames();
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.end()), expected);
}

TEST(OwEventFile, EveryFieldSurvivesWriteAndRead) {
    TempDir dir;
    const OwEvent full = FullEvent();
    const OwEvent plain = MakeEvent("", "HIP 1", Ticks(2024, 3, 5));
    ASSERT_TRUE(OwEventFile::Write(dir.File("events.xml"), {&full, &plain}));

    const OwEventFile::ReadResult read = OwEventFile::Read(dir.File("events.xml"));
    ASSERT_EQ(read.status, OwEventFile::Status::Ok);
    ASSERT_EQ(read.events.size(), 2u);
    ExpectSameFields(read.events[0], full);
    ExpectSameFields(read.events[1], plain);
    EXPECT_EQ(read.events[0].RecordingComment1, full.RecordingComment1);
    EXPECT_EQ(read.events[0].RecordingGpsPrecision_m, full.RecordingGpsPrecision_m);
    EXPECT_DOUBLE_EQ(read.events[0].TravelDistance, 1e-9);
    EXPECT_EQ(read.events[1].DType, " ");
    EXPECT_EQ(read.events[1].RecordingSNR, -9999.0);
}

TEST(OwEventFile, WritesCodedTextsAndEmptyElements) {
    TempDir dir;
    OwEvent e = MakeEvent("", "abc", 630000000000000000ULL);
    e.EventMaxDurationSec = 1.5;
    ASSERT_TRUE(OwEventFile::Write(dir.File("events.xml"), {&e}));
    const std::string file = ReadFile(dir.File("events.xml"));
    EXPECT_EQ(file.rfind("<Events><Event><AsteroidName></AsteroidName><StarName>YQBiAGMA</StarName>", 0), 0u) << file;
    EXPECT_NE(file.find("<EventTime>" + EncodeCodedText("630000000000000000") + "</EventTime>"), std::string::npos);
    EXPECT_NE(file.find("<EventMaxDurationSec>" + EncodeCodedText("1.50000000000000000000") + "<"), std::string::npos);
    EXPECT_NE(file.find("<DType>" + EncodeCodedText(" ") + "</DType>"), std::string::npos);
    EXPECT_EQ(file.find("SecondsToEvent"), std::string::npos);
}

TEST(OwEventFile, NoEventsWriteAnEmptyRoot) {
    TempDir dir;
    ASSERT_TRUE(OwEventFile::Write(dir.File("events.xml"), {}));
    EXPECT_EQ(ReadFile(dir.File("events.xml")), "<Events></Events>");
    const auto read = OwEventFile::Read(dir.File("events.xml"));
    EXPECT_EQ(read.status, OwEventFile::Status::Ok);
    EXPECT_TRUE(read.events.empty());
}

TEST(OwEventFile, MissingFileIsADayWithoutEvents) {
    TempDir dir;
    const auto read = OwEventFile::Read(dir.File("events_20240305.xml"));
    EXPECT_EQ(read.status, OwEventFile::Status::Missing);
    EXPECT_TRUE(read.events.empty());
}

// The second of three events carries a field text that is no value of the field's type:
// reading ends there, the first event stays, the file counts as damaged.
TEST(OwEventFile, ValueOfTheWrongTypeEndsTheReading) {
    struct Case {
        const char* element;
        const char* text;
    };
    const Case cases[] = {
        {"EventTime", ""},                                // empty number
        {"EventTime", "-1"},                              // unsigned
        {"EventTime", "18446744073709551616"},            // beyond 64 bits
        {"RecordingEndTimestamp_acc_ms", "4294967296"},   // beyond 32 bits
        {"ChordOffset", "2147483648"},                    // beyond int32
        {"ChordOffset", "x5"},
        {"Probability", "abc"},
        {"Probability", "1e999"},                         // beyond double
        {"OwEventInfoVersion", "-2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.element) + "=" + c.text);
        TempDir dir;
        const OwEvent a = MakeEvent("A", "S", Ticks(2024, 3, 5, 1));
        const OwEvent b = MakeEvent("B", "S", Ticks(2024, 3, 5, 2));
        const OwEvent d = MakeEvent("C", "S", Ticks(2024, 3, 5, 3));
        ASSERT_TRUE(OwEventFile::Write(dir.File("events.xml"), {&a, &b, &d}));
        std::string file = ReadFile(dir.File("events.xml"));
        // Replace the element of the second event.
        const std::string open = std::string("<") + c.element + ">";
        const std::size_t first = file.find(open);
        const std::size_t second = file.find(open, first + 1);
        const std::size_t close = file.find("</", second);
        file.replace(second + open.size(), close - second - open.size(), EncodeCodedText(c.text));
        WriteFile(dir.File("events.xml"), file);

        const auto read = OwEventFile::Read(dir.File("events.xml"));
        EXPECT_EQ(read.status, OwEventFile::Status::Damaged);
        ASSERT_EQ(read.events.size(), 1u);
        EXPECT_EQ(read.events[0].AsteroidName, "A");
        EXPECT_NE(read.problem.find(c.element), std::string::npos) << read.problem;
    }
}

TEST(OwEventFile, NumbersReadLikeTheRuntimeConversions) {
    struct Case {
        const char* element;
        const char* text;
        std::string expected;  // the value as the file writes it back
    };
    const Case cases[] = {
        {"EventTime", "  630000000000000000xyz", "630000000000000000"},
        {"ChordOffset", "-2147483648", "-2147483648"},
        {"ChordOffset", "+7", "7"},
        {"OwEventInfoVersion", "2.9", "2"},
        {"Probability", " -0.5e1", "-5.00000000000000000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.element) + "=" + c.text);
        TempDir dir;
        const std::string file = std::string("<Events><Event><") + c.element + ">" + EncodeCodedText(c.text) + "</" +
                                 c.element + "></Event></Events>";
        WriteFile(dir.File("in.xml"), file);
        const auto read = OwEventFile::Read(dir.File("in.xml"));
        ASSERT_EQ(read.status, OwEventFile::Status::Ok);
        ASSERT_EQ(read.events.size(), 1u);
        ASSERT_TRUE(OwEventFile::Write(dir.File("out.xml"), {&read.events[0]}));
        const std::string out = ReadFile(dir.File("out.xml"));
        EXPECT_NE(out.find(std::string("<") + c.element + ">" + EncodeCodedText(c.expected) + "<"), std::string::npos)
            << out;
    }
}

TEST(OwEventFile, NotAnEventsFileIsDamaged) {
    TempDir dir;
    test::LogCapture log;
    WriteFile(dir.File("a.xml"), "<Instruments><Instrument/></Instruments>");
    WriteFile(dir.File("b.xml"), "garbage");
    EXPECT_EQ(OwEventFile::Read(dir.File("a.xml")).status, OwEventFile::Status::Damaged);
    EXPECT_EQ(OwEventFile::Read(dir.File("b.xml")).status, OwEventFile::Status::Damaged);
}

}  // namespace
}  // namespace orva
