#include "events/OwEventMessage.h"

#include "EventTestSupport.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

namespace orva {
namespace {

using test::Ticks;

// A message as the feed documents it (our own example, not one captured from the sender).
const std::string kFullMessage =
    R"({"EventTime":638452710120000000,"MaxDurationSec":4.5,"ErrorInTimeSec":2.25,"Probability":61.5,)"
    R"j("AsteroidName":"(2001) Einstein_slash_X_slash_Y","AsteroidMagnitude":15.5,"StarName":"TYC 123_slash_4",)j"
    R"("StarMv":10.25,"CombinedMagnitude":10.2,"MagnitudeDrop":5.3,"StarRaHours":5.5,"StarDecDegrees":-12.75,)"
    R"("EventInfoVersion":2,"FeedName":"IOTA/ES","AsteroidDiameter":12.5,"MoonDistance":88,"MoonAltitude":-5,)"
    R"("MoonSunLit":40,"StarAzimut":200.5,"StarAltitude":45.5,"StarConstellation":"Ori",)"
    R"("DistanceFromCenterLine":1.5,"PathNDistance":3.5,"PathSDistance":-4.5,"PathWidth":8,)"
    R"("TravelDistance":9.5,"ChordOffset":-3.7,"SourceOccultXml":0,"Unknown":"ignored"})";

TEST(OwEventMessage, ReadsEveryDocumentedKey) {
    const OwEventMessageResult r = ParseOwEventMessage(kFullMessage);
    ASSERT_TRUE(r.ok) << r.error;
    const OwEvent& e = r.event;
    EXPECT_EQ(e.EventTime, 638452710120000000ULL);
    EXPECT_EQ(e.EventMaxDurationSec, 4.5);
    EXPECT_EQ(e.ErrorInTimeSec, 2.25);
    EXPECT_EQ(e.Probability, 61.5);
    EXPECT_EQ(e.AsteroidName, "(2001) Einstein/X/Y");
    EXPECT_EQ(e.AsteroidMag, 15.5);
    EXPECT_EQ(e.StarName, "TYC 123_slash_4");
    EXPECT_EQ(e.StarMag, 10.25);
    EXPECT_EQ(e.CombinedMag, 10.2);
    EXPECT_EQ(e.MagDrop, 5.3);
    EXPECT_EQ(e.StarRaHours, 5.5);
    EXPECT_EQ(e.StarDecDegrees, -12.75);
    EXPECT_EQ(e.OwEventInfoVersion, 2u);
    EXPECT_EQ(e.FeedName, "IOTA/ES");
    EXPECT_EQ(e.AsteroidDiameter, 12.5);
    EXPECT_EQ(e.MoonDistance, 88);
    EXPECT_EQ(e.MoonAltitude, -5);
    EXPECT_EQ(e.MoonSunLit, 40);
    EXPECT_EQ(e.StarAzimut, 200.5);
    EXPECT_EQ(e.StarAltitude, 45.5);
    EXPECT_EQ(e.StarConstellation, "Ori");
    EXPECT_EQ(e.DistanceFromCenterLine, 1.5);
    EXPECT_EQ(e.DistancePathN, 3.5);
    EXPECT_EQ(e.DistancePathS, -4.5);
    EXPECT_EQ(e.PathWidth, 8);
    EXPECT_EQ(e.TravelDistance, 9.5);
    EXPECT_EQ(e.ChordOffset, -3);
    EXPECT_EQ(e.SourceOccultXml, 0u);
    // Untouched by the message.
    EXPECT_EQ(e.DType, " ");
    EXPECT_EQ(e.RecordingSNR, -9999.0);
}

TEST(OwEventMessage, WithoutEventInfoVersionTheVersionKeysAreNotRead) {
    std::string message = kFullMessage;
    message.replace(message.find("\"EventInfoVersion\":2"), 20, "\"EventInfoVersionX\":2");
    const OwEventMessageResult r = ParseOwEventMessage(message);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.event.OwEventInfoVersion, 1u);
    EXPECT_EQ(r.event.FeedName, "");
    EXPECT_EQ(r.event.StarConstellation, "");
    EXPECT_EQ(r.event.MoonDistance, 0.0);
    EXPECT_EQ(r.event.PathWidth, 0.0);
    EXPECT_EQ(r.event.ChordOffset, 0);
    EXPECT_EQ(r.event.StarMag, 10.25);  // a key of every version
}

TEST(OwEventMessage, KeysAreFoundOnlyWhereTheyStandQuoted) {
    // "StarName" first appears inside another text, unquoted.
    const auto r = ParseOwEventMessage(
        R"j({"AsteroidName":"StarName (1)","StarName":"HIP 42","EventTime":638452710120000000})j");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.event.StarName, "HIP 42");
    EXPECT_EQ(r.event.AsteroidName, "StarName (1)");
}

TEST(OwEventMessage, TextsAreCutAt255BytesAndWidenedBytewise) {
    const std::string exact(255, 'x');
    const auto whole = ParseOwEventMessage(R"({"EventTime":638452710120000000,"StarName":")" + exact + "\"}");
    ASSERT_TRUE(whole.ok);
    EXPECT_EQ(whole.event.StarName, exact);

    const auto cut = ParseOwEventMessage(R"({"EventTime":638452710120000000,"StarName":")" + exact + "yz\"}");
    ASSERT_TRUE(cut.ok);
    EXPECT_EQ(cut.event.StarName, exact);

    // A byte above 0x7F is one character (Latin-1), kept as valid UTF-8.
    const auto latin = ParseOwEventMessage("{\"EventTime\":638452710120000000,\"StarName\":\"\xE9t\"}");
    ASSERT_TRUE(latin.ok);
    EXPECT_EQ(latin.event.StarName, "\xC3\xA9t");
}

TEST(OwEventMessage, MessagesWithoutAUsableTimeAreRefused) {
    const char* const messages[] = {
        R"({"StarName":"HIP 1"})",
        R"({"EventTime":"soon","StarName":"HIP 1"})",
        R"({"EventTime":-5,"StarName":"HIP 1"})",
        R"({"EventTime":0,"StarName":"HIP 1"})",
        R"({"EventTime":3652059000000000000,"StarName":"HIP 1"})",  // the year 10000
        R"({"EventTime":99999999999999999999,"StarName":"HIP 1"})",
        "EventTime\":638452710120000000",  // the key at the very start
        "",
        "\x01\x02\xff garbage",
    };
    for (const char* m : messages) {
        SCOPED_TRACE(m);
        const auto r = ParseOwEventMessage(m);
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.error.empty());
    }
}

TEST(OwEventMessage, AbsentOrUnreadableKeysKeepTheDefaults) {
    const auto r = ParseOwEventMessage(
        R"({"EventTime":638452710120000000,"Probability":"high","EventInfoVersion":2,"ChordOffset":1e300,)"
        R"("StarName":"unterminated})");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.event.Probability, 0.0);
    EXPECT_EQ(r.event.ChordOffset, 0);
    EXPECT_EQ(r.event.StarName, "");
    EXPECT_EQ(r.event.AsteroidName, "");
    EXPECT_EQ(r.event.EventTime, Ticks(2024, 3, 5, 21, 30, 12));
}

// Numbers the feed sends must be finite and in their field's range, or they count as
// absent: "nan", "inf" and 1e300 would otherwise reach the report's integer conversions.
TEST(OwEventMessage, NumbersOutOfTheirRangeCountAsAbsent) {
    const struct {
        const char* key;
        double OwEvent::*field;
        const char* inRange;
        double inRangeValue;
        std::vector<const char*> outOfRange;
    } cases[] = {
        {"MaxDurationSec", &OwEvent::EventMaxDurationSec, "4.5", 4.5, {"-1", "86401"}},
        {"ErrorInTimeSec", &OwEvent::ErrorInTimeSec, "2.25", 2.25, {"-0.5"}},
        {"Probability", &OwEvent::Probability, "100", 100.0, {"100.5", "-3"}},
        {"AsteroidMagnitude", &OwEvent::AsteroidMag, "15.5", 15.5, {"41", "-31"}},
        {"StarMv", &OwEvent::StarMag, "-1.5", -1.5, {"99"}},
        {"CombinedMagnitude", &OwEvent::CombinedMag, "10.2", 10.2, {"1e5"}},
        {"MagnitudeDrop", &OwEvent::MagDrop, "5.3", 5.3, {"-1e9"}},
        {"StarRaHours", &OwEvent::StarRaHours, "23.9", 23.9, {"24.5", "-1"}},
        {"StarDecDegrees", &OwEvent::StarDecDegrees, "-90", -90.0, {"90.1", "-91"}},
        {"AsteroidDiameter", &OwEvent::AsteroidDiameter, "939.4", 939.4, {"-2", "2e5"}},
        {"MoonDistance", &OwEvent::MoonDistance, "180", 180.0, {"181"}},
        {"MoonAltitude", &OwEvent::MoonAltitude, "-5", -5.0, {"95"}},
        {"MoonSunLit", &OwEvent::MoonSunLit, "40", 40.0, {"101"}},
        {"StarAzimut", &OwEvent::StarAzimut, "359.5", 359.5, {"361", "-1"}},
        {"StarAltitude", &OwEvent::StarAltitude, "45.5", 45.5, {"-100"}},
        {"DistanceFromCenterLine", &OwEvent::DistanceFromCenterLine, "-12.5", -12.5, {"2e6"}},
        {"PathNDistance", &OwEvent::DistancePathN, "3.5", 3.5, {"-2e6"}},
        {"PathSDistance", &OwEvent::DistancePathS, "-4.5", -4.5, {"2e6"}},
        {"PathWidth", &OwEvent::PathWidth, "8", 8.0, {"-1"}},
        {"TravelDistance", &OwEvent::TravelDistance, "9.5", 9.5, {"2e6"}},
    };
    const char* const neverNumbers[] = {"nan", "-nan", "NaN", "inf", "-inf", "infinity", "1e300", "-1e300", "1e999"};
    const auto parse = [](const char* key, const std::string& value) {
        return ParseOwEventMessage(std::string(R"({"EventTime":638452710120000000,"EventInfoVersion":2,")") + key +
                                   "\":" + value + "}");
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        const auto taken = parse(c.key, c.inRange);
        ASSERT_TRUE(taken.ok) << taken.error;
        EXPECT_EQ(taken.event.*c.field, c.inRangeValue);
        std::vector<std::string> refused(c.outOfRange.begin(), c.outOfRange.end());
        refused.insert(refused.end(), std::begin(neverNumbers), std::end(neverNumbers));
        for (const std::string& value : refused) {
            SCOPED_TRACE(value);
            const auto r = parse(c.key, value);
            ASSERT_TRUE(r.ok) << "only the value is refused, not the message";
            EXPECT_EQ(r.event.*c.field, OwEvent{}.*c.field);
        }
    }
    for (const char* value : {"nan", "inf", "-inf", "1e300", "-1e300", "3e9"}) {
        SCOPED_TRACE(value);
        const auto r = parse("ChordOffset", value);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.event.ChordOffset, 0);
    }
    EXPECT_EQ(parse("ChordOffset", "-999999.9").event.ChordOffset, -999999);
}

TEST(OwEventMessage, AMessageCutShortIsRefused) {
    const std::string whole = kFullMessage;
    // Cut anywhere before its closing brace, also right after a complete key and value.
    for (const std::size_t length : {whole.size() - 1, whole.find(",\"StarName\""), std::size_t{40}, std::size_t{1}}) {
        SCOPED_TRACE(length);
        const auto r = ParseOwEventMessage(whole.substr(0, length));
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, "the message is cut short or no object");
    }
    EXPECT_FALSE(ParseOwEventMessage(R"("EventTime":638452710120000000})").ok) << "no opening brace";
    EXPECT_TRUE(ParseOwEventMessage(" \r\n" + whole + "\r\n ").ok) << "blanks around the object";
}

TEST(OwEventMessage, TextsLoseTheirControlCharacters) {
    const auto r = ParseOwEventMessage(
        "{\"EventTime\":638452710120000000,\"AsteroidName\":\"(1) Ce\nres\x1b[2J\",\"StarName\":\"HIP\t42\r\x7f\x85\","
        "\"EventInfoVersion\":2,\"FeedName\":\"IOTA\x01/ES\",\"StarConstellation\":\"\x9fOri\"}");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.event.AsteroidName, "(1) Ceres[2J");
    EXPECT_EQ(r.event.StarName, "HIP42") << "bytes 0x85 and 0x9F are C1 controls once widened";
    EXPECT_EQ(r.event.FeedName, "IOTA/ES");
    EXPECT_EQ(r.event.StarConstellation, "Ori");
    EXPECT_EQ(r.event.GetTitle().find('\n'), std::string::npos);
}

}  // namespace
}  // namespace orva
