#include "events/OccultXmlReader.h"

#include "EventTestSupport.h"
#include "events/OwEventManager.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace orva {
namespace {

using test::TempDir;
using test::Ticks;
using test::WriteFile;

// Our own file, built from the documented element layout (not a file exported by Occult):
// three events, with elements that are not read mixed in.
const char* const kThreeEvents = R"(<?xml version="1.0" encoding="utf-8"?>
<Occultations>
  <Event>
    <Elements>JPL#12,4.5,2024,3,5,20.5,more,values</Elements>
    <Earth>1,2,3</Earth>
    <Star>TYC 1234-00567-1,5.5,-12.25,0,11.5,0</Star>
    <Object>1,Ceres,8.5,939.4,1.1,2,3,4.4,5.5</Object>
    <Orbit>a,b,c</Orbit>
    <Errors>0.1,0.2</Errors>
    <ID>x</ID>
  </Event>
  <Event>
    <Elements>JPL#7,1.25,2024,3,6,1.2575,x</Elements>
    <Star>HIP 42,1.0,2.0,3.0,9.75,4.0</Star>
    <Object>2,Pallas,9.25,512.0,1,2,3,4,5</Object>
    <ID/>
  </Event>
  <Event>
    <Elements>JPL#3,0.5,2024,4,1,0</Elements>
    <Star>UCAC4 123-456789,10,20,30,12.5,50</Star>
    <Object>3,Juno,10.5,233.9,1,2,3,4,5</Object>
  </Event>
</Occultations>
)";

class OccultImportTest : public ::testing::Test {
protected:
    std::vector<OwEvent> ReadText(const std::string& xml) {
        WriteFile(dir.File("occult.xml"), xml);
        OccultXmlReader reader;
        return reader.Read(dir.File("occult.xml"));
    }
    // One event whose other elements are valid; `elements` replaces its "Elements" text.
    std::string OneEvent(const std::string& elements, const std::string& extra = "") {
        return "<Occ><Event><Elements>" + elements + "</Elements>" + extra + "</Event></Occ>";
    }

    test::LogCapture log;
    TempDir dir;
    TempDir dataDir;
    uint64_t now = Ticks(2024, 3, 5, 12);
    OwEventManager store{dataDir.Path(), [this] { return now; }};
};

TEST_F(OccultImportTest, ImportsThreeEventsAndNoneTheSecondTime) {
    WriteFile(dir.File("occult.xml"), kThreeEvents);
    ASSERT_TRUE(store.Load());
    const OccultImportResult first = OccultXmlReader::Import(dir.File("occult.xml"), store);
    EXPECT_TRUE(first.readable);
    EXPECT_EQ(first.added, 3u);
    EXPECT_EQ(store.Count(), 2u);  // the third lies on a day that is not shown

    const OccultImportResult second = OccultXmlReader::Import(dir.File("occult.xml"), store);
    EXPECT_EQ(second.added, 0u);
    EXPECT_EQ(second.duplicates, 3u);
    EXPECT_EQ(store.Count(), 2u);

    const OwEvent& ceres = *store.Events()[0];
    EXPECT_EQ(ceres.AsteroidName, "(1) Ceres");
    EXPECT_EQ(ceres.StarName, "TYC 1234-00567-1");
    EXPECT_EQ(ceres.EventTime, Ticks(2024, 3, 5, 20, 30, 0, 0));
    EXPECT_EQ(ceres.EventMaxDurationSec, 4.5);
    EXPECT_EQ(ceres.StarRaHours, 5.5);
    EXPECT_EQ(ceres.StarDecDegrees, -12.25);
    EXPECT_EQ(ceres.StarMag, 11.5);
    EXPECT_EQ(ceres.AsteroidMag, 8.5);
    EXPECT_EQ(ceres.AsteroidDiameter, 939.4);
    EXPECT_EQ(ceres.FeedName, "Occult");
    EXPECT_EQ(ceres.OwEventInfoVersion, 1u);
    EXPECT_EQ(ceres.SourceOccultXml, 1u);
    const double combined = -2.5 * std::log10(std::pow(10.0, -0.4 * 11.5) + std::pow(10.0, -0.4 * 8.5));
    EXPECT_DOUBLE_EQ(ceres.CombinedMag, combined);
    EXPECT_DOUBLE_EQ(ceres.MagDrop, 8.5 - combined);
    // 1.2575 h = 1 h 15 min 27 s 0 ms
    EXPECT_EQ(store.Events()[1]->EventTime, Ticks(2024, 3, 6, 1, 15, 27, 0));
    // Without an "ID" element nothing is computed.
    ASSERT_TRUE(store.SetStartDate({2024, 4, 1}));
    EXPECT_EQ(store.Events()[0]->AsteroidName, "(3) Juno");
    EXPECT_EQ(store.Events()[0]->CombinedMag, 0.0);
}

TEST_F(OccultImportTest, StarNamesLongerThan255CharactersDoNotMatch) {
    const std::string name255(255, 'N');
    const std::string name256(256, 'N');
    const auto events = ReadText("<Occ><Event><Elements>L,1,2024,3,5,1</Elements><Star>" + name255 +
                                 ",1,2,3,4,5</Star></Event><Event><Elements>L,1,2024,3,5,2</Elements><Star>" +
                                 name256 + ",1,2,3,4,5</Star></Event></Occ>");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].StarName, name255);
    EXPECT_EQ(events[0].StarMag, 4.0);
    EXPECT_EQ(events[1].StarName, "");
    EXPECT_EQ(events[1].StarMag, 0.0);
    EXPECT_EQ(events[1].SourceOccultXml, 0u);
}

TEST_F(OccultImportTest, EntriesThatDoNotMatchLeaveTheirFieldsAlone) {
    const struct {
        const char* extra;
    } cases[] = {
        {"<Star>HIP 1,1,2,3,4</Star>"},          // five values of six
        {"<Star>HIP 1,1,2 ,3,4,5</Star>"},       // a blank before the separator
        {"<Star>,1,2,3,4,5</Star>"},             // no name
        {"<Object>x,Ceres,1,2,3,4,5,6,7</Object>"},
        {"<Object>1,Ceres,1,2,3,4.5,5,6,7</Object>"},  // a decimal where a whole number stands
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extra);
        const auto events = ReadText(OneEvent("L,1,2024,3,5,1", c.extra));
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].StarName, "");
        EXPECT_EQ(events[0].AsteroidName, "");
        EXPECT_EQ(events[0].StarRaHours, 0.0);
        EXPECT_EQ(events[0].AsteroidMag, 0.0);
    }
}

// Numbers of an entry must be finite and in their range; otherwise the entry reads as
// one that does not match its format.
TEST_F(OccultImportTest, EntriesWithNumbersOutOfTheirRangeSetNothing) {
    const char* const star[] = {
        "<Star>HIP 1,nan,2,3,4,5</Star>",  "<Star>HIP 1,inf,2,3,4,5</Star>",  "<Star>HIP 1,25,2,3,4,5</Star>",
        "<Star>HIP 1,1,-inf,3,4,5</Star>", "<Star>HIP 1,1,91,3,4,5</Star>",   "<Star>HIP 1,1,2,3,1e300,5</Star>",
        "<Star>HIP 1,1,2,3,-nan,5</Star>",
    };
    for (const char* entry : star) {
        SCOPED_TRACE(entry);
        const auto events = ReadText(OneEvent("L,1,2024,3,5,1", entry));
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].StarName, "");
        EXPECT_EQ(events[0].StarRaHours, 0.0);
        EXPECT_EQ(events[0].StarDecDegrees, 0.0);
        EXPECT_EQ(events[0].StarMag, 0.0);
        EXPECT_EQ(events[0].SourceOccultXml, 0u);
    }
    const char* const object[] = {
        "<Object>1,Ceres,nan,2,3,4,5,6,7</Object>",
        "<Object>1,Ceres,8,inf,3,4,5,6,7</Object>",
        "<Object>1,Ceres,1e300,2,3,4,5,6,7</Object>",
        "<Object>1,Ceres,8,-5,3,4,5,6,7</Object>",
    };
    for (const char* entry : object) {
        SCOPED_TRACE(entry);
        const auto events = ReadText(OneEvent("L,1,2024,3,5,1", entry));
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].AsteroidName, "");
        EXPECT_EQ(events[0].AsteroidMag, 0.0);
        EXPECT_EQ(events[0].AsteroidDiameter, 0.0);
    }
    // A duration that no prediction gives leaves the event without a time: not imported.
    for (const char* elements : {"L,nan,2024,3,5,1", "L,inf,2024,3,5,1", "L,1e300,2024,3,5,1", "L,-2,2024,3,5,1"}) {
        SCOPED_TRACE(elements);
        EXPECT_TRUE(ReadText(OneEvent(elements)).empty());
        EXPECT_TRUE(log.Contains(std::string("E Failed to parse 'Elements' entry ") + elements));
    }
    const auto inRange = ReadText(OneEvent("L,86400,2024,3,5,1", "<Star>HIP 1,24,-90,3,-1.5,5</Star>"));
    ASSERT_EQ(inRange.size(), 1u);
    EXPECT_EQ(inRange[0].EventMaxDurationSec, 86400.0);
    EXPECT_EQ(inRange[0].StarRaHours, 24.0);
    EXPECT_EQ(inRange[0].StarMag, -1.5);
}

TEST_F(OccultImportTest, NamesLoseTheirControlCharacters) {
    const auto events = ReadText(OneEvent("L,1,2024,3,5,1", "<Star>HIP&#10;1&#9;2,1,2,3,4,5</Star>"
                                                            "<Object>1,Ce&#13;res&#x1b;,8,2,3,4,5,6,7</Object>"));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].StarName, "HIP12");
    EXPECT_EQ(events[0].AsteroidName, "(1) Ceres");
}

TEST_F(OccultImportTest, IdBeforeStarAndObjectUsesTheDefaultMagnitudes) {
    const auto events =
        ReadText(OneEvent("L,1,2024,3,5,1", "<ID/><Star>HIP 1,1,2,3,4,5</Star><Object>1,Ceres,8,2,3,4,5,6,7</Object>"));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_DOUBLE_EQ(events[0].CombinedMag, -2.5 * std::log10(2.0));
    EXPECT_DOUBLE_EQ(events[0].MagDrop, 2.5 * std::log10(2.0));
}

TEST_F(OccultImportTest, MalformedDateOrHourIsRefusedWithALogLine) {
    const struct {
        const char* elements;
        const char* logLine;
    } cases[] = {
        {"L,1,2024,3,5", "E Failed to parse 'Elements' entry L,1,2024,3,5"},
        {"L,1,2024,March,5,1", "E Failed to parse 'Elements' entry L,1,2024,March,5,1"},
        {"L,1,2024,13,5,1", "E Invalid date or hour in 'Elements' entry L,1,2024,13,5,1"},
        {"L,1,2023,2,29,1", "E Invalid date or hour in 'Elements' entry L,1,2023,2,29,1"},
        {"L,1,2024,3,5,24", "E Invalid date or hour in 'Elements' entry L,1,2024,3,5,24"},
        {"L,1,2024,3,5,-0.5", "E Invalid date or hour in 'Elements' entry L,1,2024,3,5,-0.5"},
        {"L,1,2024,3,5,nan", "E Invalid date or hour in 'Elements' entry L,1,2024,3,5,nan"},
        {"L,1,0,3,5,1", "E Invalid date or hour in 'Elements' entry L,1,0,3,5,1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.elements);
        EXPECT_TRUE(ReadText(OneEvent(c.elements, "<Star>HIP 1,1,2,3,4,5</Star>")).empty());
        EXPECT_TRUE(log.Contains(c.logLine));
    }
    EXPECT_EQ(log.MessagesStartingWith("W Occult event without a valid time not imported: HIP 1").size(), 8u);
    EXPECT_TRUE(ReadText("<Occ><Event><Star>HIP 2,1,2,3,4,5</Star></Event></Occ>").empty());
}

TEST_F(OccultImportTest, UnreadableFileImportsNothing) {
    ASSERT_TRUE(store.Load());
    const OccultImportResult missing = OccultXmlReader::Import(dir.File("none.xml"), store);
    EXPECT_FALSE(missing.readable);
    WriteFile(dir.File("bad.xml"), "no xml at all");
    const OccultImportResult bad = OccultXmlReader::Import(dir.File("bad.xml"), store);
    EXPECT_FALSE(bad.readable);
    EXPECT_EQ(bad.added, 0u);
    EXPECT_EQ(store.Count(), 0u);
}

}  // namespace
}  // namespace orva
