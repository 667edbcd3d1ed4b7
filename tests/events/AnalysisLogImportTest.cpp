#include "EventWindowsFixture.h"
#include "events/AnalysisLogReader.h"

#include <sstream>

namespace orva {
namespace {

using test::EventWindowsTest;
using test::WriteFile;

// Fixtures of ours, built from the documented line formats of the two analysis programs'
// logs (not files written by those programs). Each has short lines where the times are
// looked for, and R at 59.9996 s, which rounds into the next minute.
const char* const kAotaLog =
    "AOTA analysis of the file C:\\obs\\psyche.adv\n"
    "\n"
    "Version 4.1\n"
    "D\n"
    "  Event time in UTC\n"
    "\n"
    "D    21 30 12.3456 +- 0.0123\n"
    "R\n"
    "xx\n"
    "R    21 30 59.9996 +- 0.0400\n"
    "\n";

const char* const kPyoteLog =
    "\r\n"
    "\r\n"
    "#################### PYOTE 4.3.1 ####################\r\n"
    "D: [21:30:00.0000]  {-1.0,+1.0}\r\n"
    "================= 0.95 containment intervals =================\r\n"
    "D\r\n"
    "D:\r\n"
    "D: [21:30:12.3456]  {-0.012,+0.015}\r\n"
    "R: [\r\n"
    "R: [23:59:59.9996]  {-0.0200,0.0100}\r\n"
    "================= 0.99 containment intervals =================\r\n"
    "R: [23:00:00.0]  {-1,1}\r\n";

AnalysisLog Parse(const std::string& text) {
    std::istringstream in(text);
    return AnalysisLogReader::Parse(in);
}

TEST(AnalysisLogReader, ReadsBothFormatsAndSkipsShortLines) {
    const AnalysisLog aota = Parse(kAotaLog);
    EXPECT_EQ(aota.kind, AnalysisLog::Kind::Aota);
    EXPECT_EQ(aota.headerLine, "AOTA analysis of the file C:\\obs\\psyche.adv");
    ASSERT_TRUE(aota.d && aota.r);
    EXPECT_EQ(aota.d->minutes, 30);
    EXPECT_DOUBLE_EQ(aota.d->seconds, 12.3456);
    EXPECT_DOUBLE_EQ(aota.d->accuracySec, 0.0123);
    EXPECT_DOUBLE_EQ(aota.r->seconds, 59.9996);

    const AnalysisLog pyote = Parse(kPyoteLog);
    EXPECT_EQ(pyote.kind, AnalysisLog::Kind::Pyote);
    ASSERT_TRUE(pyote.d && pyote.r);
    EXPECT_DOUBLE_EQ(pyote.d->seconds, 12.3456);  // the D before the containment line is not taken
    EXPECT_DOUBLE_EQ(pyote.d->accuracySec, 0.015);
    EXPECT_EQ(pyote.r->hours, 23);
    EXPECT_DOUBLE_EQ(pyote.r->accuracySec, 0.02);
}

TEST(AnalysisLogReader, LinesShorterThanTheTimesColumnAndOverlongLinesAreSafe) {
    const AnalysisLog shortOnly = Parse("AOTA analysis of the file x\n  Event time in UTC\nD\nR  \n");
    EXPECT_FALSE(shortOnly.d);
    EXPECT_FALSE(shortOnly.r);
    // A line of 3000 bytes is read as pieces of 1023 and does not read as a time.
    const AnalysisLog longLine =
        Parse("AOTA analysis of the file x\n  Event time in UTC\nD    " + std::string(3000, '1') + "\n");
    EXPECT_FALSE(longLine.d);
    EXPECT_EQ(Parse("\n\nsomething else\n").kind, AnalysisLog::Kind::Unknown);
    EXPECT_EQ(Parse("").kind, AnalysisLog::Kind::Unknown);
}

TEST(AnalysisLogReader, TimesThatNoAnalysisWritesDoNotRead) {
    const AnalysisLog log = Parse(
        "AOTA analysis of the file x\n  Event time in UTC\nD    21 30 nan +- 0.1\nR    21 30 -5.0 +- 0.1\n");
    EXPECT_FALSE(log.d);
    EXPECT_FALSE(log.r);
}

// Seconds must lie in [0, 60) and accuracies be finite: 1e300 s would reach the integer
// conversion of the D and R time fields.
TEST(AnalysisLogReader, SecondsOutsideAMinuteAndEndlessAccuraciesDoNotRead) {
    const struct {
        const char* seconds;
        const char* accuracy;
    } refused[] = {
        {"60", "0.1"},    {"60.0004", "0.1"}, {"1e300", "0.1"}, {"inf", "0.1"},  {"-inf", "0.1"},
        {"nan", "0.1"},   {"-0.001", "0.1"},  {"12.5", "inf"},  {"12.5", "nan"}, {"12.5", "1e300"},
        {"12.5", "-inf"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(std::string(c.seconds) + " +- " + c.accuracy);
        const std::string aota = std::string("AOTA analysis of the file x\n  Event time in UTC\nD    21 30 ") +
                                 c.seconds + " +- " + c.accuracy + "\nR    21 31 " + c.seconds + " +- " + c.accuracy + "\n";
        const AnalysisLog a = Parse(aota);
        EXPECT_FALSE(a.d);
        EXPECT_FALSE(a.r);
        const std::string pyote = std::string("#################### PYOTE 4 ####\n================= 0.95 containment\n"
                                              "D: [21:30:") +
                                  c.seconds + "]  {-" + c.accuracy + "," + c.accuracy + "}\nR: [21:31:" + c.seconds +
                                  "]  {-" + c.accuracy + "," + c.accuracy + "}\n";
        const AnalysisLog p = Parse(pyote);
        EXPECT_EQ(p.kind, AnalysisLog::Kind::Pyote);
        EXPECT_FALSE(p.d);
        EXPECT_FALSE(p.r);
    }
    const AnalysisLog edge =
        Parse("AOTA analysis of the file x\n  Event time in UTC\nD    21 30 0 +- 0\nR    21 30 59.9999 +- 999\n");
    ASSERT_TRUE(edge.d);
    ASSERT_TRUE(edge.r);
    EXPECT_EQ(edge.d->seconds, 0.0);
    EXPECT_EQ(edge.r->seconds, 59.9999);
}

TEST_F(EventWindowsTest, BothLogsFillDAndRWithTheCarryIntoTheNextMinute) {
    AddShownEvent();
    struct Case {
        const char* name;
        const char* content;
        uint64_t dMs;
        uint32_t dAcc;
        uint64_t rMs;
        uint32_t rAcc;
        const char* logLine;
    };
    const Case cases[] = {
        {"aota.txt", kAotaLog, 77412346, 12, 77460000, 40,
         "I Importing AOTA log file:  AOTA analysis of the file C:\\obs\\psyche.adv"},
        {"pyote.txt", kPyoteLog, 77412346, 15, 86400000, 20,
         "I Importing PyOTE log file:  #################### PYOTE 4.3.1 ####################"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        details.ChooseDType(0);
        details.ChooseRType(0);
        WriteFile(reportsDir.File(c.name), c.content);
        ASSERT_TRUE(details.ImportAnalysisLog(reportsDir.File(c.name)));
        const OwEvent& e = Shown();
        EXPECT_EQ(e.DType, "D");
        EXPECT_EQ(e.RType, "R");
        EXPECT_EQ(e.DTimestamp_valid, 1);
        EXPECT_EQ(e.RTimestamp_valid, 1);
        EXPECT_EQ(e.DTimestamp_ms, c.dMs);
        EXPECT_EQ(e.DTimestamp_acc_ms, c.dAcc);
        EXPECT_EQ(e.RTimestamp_ms, c.rMs);
        EXPECT_EQ(e.RTimestamp_acc_ms, c.rAcc);
        EXPECT_TRUE(log.Contains(c.logLine));
    }
    EXPECT_TRUE(ui.messages.empty());
    // 23:59:59.9996 carries into hour 24, which the D and R fields accept.
    EXPECT_EQ(details.View().rTime, "24:00:00.000");
    // Saved with the event.
    OwEventManager again(dataDir.Path(), [this] { return now; });
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(again.Events()[0]->RTimestamp_ms, 86400000u);
}

TEST_F(EventWindowsTest, ImportedTimeTextCarriesIntoMinutesAndHours) {
    EXPECT_EQ(OccultationDetailsModel::ImportedTimeText({21, 30, 59.9995, 0}), "21:31:00.000");
    EXPECT_EQ(OccultationDetailsModel::ImportedTimeText({21, 59, 59.9999, 0}), "22:00:00.000");
    EXPECT_EQ(OccultationDetailsModel::ImportedTimeText({21, 30, 59.9994, 0}), "21:30:59.999");
}

TEST_F(EventWindowsTest, FailedImportsAreShownAndChangeNothing) {
    AddShownEvent();
    struct Case {
        const char* content;  // nullptr: no file
        test::FakeUiServices::Message message;
    };
    const Case cases[] = {
        {nullptr, {"Import failed", "Failed to open the selected file.", MessageIcon::Error}},
        {"Some other log\n",
         {"Import failed",
          "The file doesn't appear to be an AOTA or PyOTE log file. Please try again with a valid AOTA or PyOTE file.",
          MessageIcon::Error}},
        // The D line does not read; the later R line would, but D and R come only together.
        {"AOTA analysis of the file x\n  Event time in UTC\nD    xx\nR    21 31 00.5 +- 0.1\n",
         {"Import error", "Couldn't locate the D and R times in the AOTA log file.", MessageIcon::Error}},
        {"#################### PYOTE 4\n================= 0.95 containment\nD: [21:30:12.3]  {-0.01,0.01}\n",
         {"Import error", "Couldn't locate the D and R times in the PyOTE log file.", MessageIcon::Error}},
    };
    for (const Case& c : cases) {
        ui.messages.clear();
        const std::string path = reportsDir.File("log.txt");
        std::filesystem::remove(path);
        if (c.content != nullptr) WriteFile(path, c.content);
        EXPECT_FALSE(details.ImportAnalysisLog(path));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0], c.message);
        EXPECT_EQ(Shown().DType, " ");
        EXPECT_EQ(Shown().RType, " ");
    }
    EXPECT_TRUE(log.Contains("I Not importing unknown log file:  Some other log"));
}

TEST_F(EventWindowsTest, PickerAndDropImportTheSameWay) {
    AddShownEvent();
    WriteFile(reportsDir.File("aota.txt"), kAotaLog);
    ui.messages.clear();
    details.DropFiles({reportsDir.File("aota.txt"), reportsDir.File("other.txt")});
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Too many files");
    EXPECT_EQ(Shown().DType, " ");

    details.DropFiles({reportsDir.File("aota.txt")});
    EXPECT_TRUE(log.Contains("I Dropped file on Occultation dialog:  " + reportsDir.File("aota.txt")));
    EXPECT_EQ(Shown().DTimestamp_valid, 1);

    details.ChooseDType(0);
    ui.pickReplies.push_back(reportsDir.File("aota.txt"));
    details.ImportFromPicker();
    EXPECT_EQ(ui.pickerTitles, (std::vector<std::string>{"Select AOTA or PyOTE log file"}));
    EXPECT_EQ(Shown().DType, "D");
    details.ImportFromPicker();  // cancelled
    EXPECT_EQ(ui.messages.size(), 1u);
}

}  // namespace
}  // namespace orva
