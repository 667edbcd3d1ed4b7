#include "processing/GpsLog.h"

#include "processing/GpsStatusCsv.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace orva {
namespace {

using test::ReadFile;
using test::TempDir;

UtcDateTime FixedDate() {
    UtcDateTime t;
    t.year = 2024;
    t.month = 3;
    t.day = 1;
    return t;
}

constexpr const char* kFileName = "orva_gps_log_2024_03_01.txt";

BinaryOverlay FrameAt(int hour, int minute, int second, int frameNr) {
    BinaryOverlay o;
    o.Valid = true;
    o.FrameNr = frameNr;
    o.FromTime = {2024, 3, 0, 1, static_cast<uint16_t>(hour), static_cast<uint16_t>(minute),
                  static_cast<uint16_t>(second), 0};
    o.ToTime = o.FromTime;
    o.FixState = 3;
    o.NofSats = 8;
    return o;
}

std::string LineOf(const BinaryOverlay& o) {
    char line[kGpsStatusCsvLineCapacity];
    return std::string(line, FormatGpsStatusCsvLine(o, line));
}

// Frames one second apart from start to end (inclusive), as the frame processor would
// hand them on, with its remembered minute starting at 0.
std::vector<BinaryOverlay> RunFrames(GpsLog& log, int hour, int fromSecondOfHour, int toSecondOfHour) {
    std::vector<BinaryOverlay> written;
    int lastLoggedMinute = 0;
    for (int s = fromSecondOfHour; s <= toSecondOfHour; ++s) {
        const BinaryOverlay frame = FrameAt(hour, s / 60, s % 60, s);
        if (log.WriteIfNewMinute(frame, lastLoggedMinute)) written.push_back(frame);
    }
    return written;
}

TEST(GpsLog, WritesTheHeaderAndTheFirstFrameOfEachMinute) {
    TempDir dir;
    GpsLog log(&FixedDate);
    log.InitGpsLog(dir.Path(), true);
    ASSERT_TRUE(log.IsOpen());
    EXPECT_EQ(log.FilePath(), dir.File(kFileName));
    const auto written = RunFrames(log, 10, 5 * 60 + 58, 7 * 60 + 1);  // 10:05:58 .. 10:07:01
    log.CloseGpsLog();
    EXPECT_FALSE(log.IsOpen());
    ASSERT_EQ(written.size(), 3u);
    const std::string expected = std::string(kGpsStatusCsvHeader) + LineOf(FrameAt(10, 5, 58, 358)) +
                                 LineOf(FrameAt(10, 6, 0, 360)) + LineOf(FrameAt(10, 7, 0, 420));
    EXPECT_EQ(ReadFile(dir.File(kFileName)), expected);
}

TEST(GpsLog, StartInMinuteZeroWritesFirstAtMinuteOne) {
    TempDir dir;
    GpsLog log(&FixedDate);
    log.InitGpsLog(dir.Path(), true);
    const auto written = RunFrames(log, 11, 0, 65);  // 11:00:00 .. 11:01:05
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].FromTime.minute, 1);
    EXPECT_EQ(written[0].FromTime.second, 0);
}

TEST(GpsLog, EveryOpeningAddsAHeaderLine) {
    TempDir dir;
    GpsLog log(&FixedDate);
    // Start-up and two confirmations of the settings dialog on one day.
    for (int opening = 0; opening < 3; ++opening) {
        log.InitGpsLog(dir.Path(), true);
        log.WriteGpsLogLine(FrameAt(10, opening, 0, opening));
    }
    log.CloseGpsLog();
    const std::string text = ReadFile(dir.File(kFileName));
    std::size_t headers = 0;
    for (std::size_t p = 0; (p = text.find("FrameNr;FromTime", p)) != std::string::npos; ++p) ++headers;
    EXPECT_EQ(headers, 3u);
    EXPECT_EQ(text.find('\n'), std::string::npos);  // lines end with a carriage return only
}

TEST(GpsLog, NothingIsWrittenWhenOffOrUnopenable) {
    struct Case {
        const char* name;
        std::string subdirectory;  // relative to the test folder; "-" for an empty directory
        bool enabled;
    };
    const std::vector<Case> cases = {
        {"disabled", "", false},
        {"empty directory", "-", true},
        {"missing directory", "missing", true},
        {"path too long", std::string(600, 'd'), true},
    };
    for (const Case& c : cases) {
        TempDir dir;
        GpsLog log(&FixedDate);
        const std::string directory = c.subdirectory == "-" ? "" : dir.Path() + "/" + c.subdirectory;
        log.InitGpsLog(directory, c.enabled);
        EXPECT_FALSE(log.IsOpen()) << c.name;
        int lastLoggedMinute = 0;
        EXPECT_FALSE(log.WriteIfNewMinute(FrameAt(10, 5, 0, 1), lastLoggedMinute)) << c.name;
        log.WriteGpsLogLine(FrameAt(10, 5, 0, 1));
        EXPECT_EQ(lastLoggedMinute, 0) << c.name;
        EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << c.name;
    }
}

TEST(GpsLog, OverlongPathIsLogged) {
    test::LogCapture capture;
    GpsLog log(&FixedDate);
    const std::string directory(600, 'd');
    log.InitGpsLog(directory, true);
    EXPECT_TRUE(capture.Contains("E GPS log path too long, GPS log not opened: " + directory));
}

TEST(GpsLog, ReopeningWhileTheFrameThreadWritesIsSafe) {
    TempDir dir;
    GpsLog log(&FixedDate);
    log.InitGpsLog(dir.Path(), true);
    std::thread frames([&] {
        for (int i = 0; i < 2000; ++i) {
            int lastLoggedMinute = -1;
            log.WriteIfNewMinute(FrameAt(10, i % 60, 0, i), lastLoggedMinute);
        }
    });
    for (int i = 0; i < 50; ++i) log.InitGpsLog(dir.Path(), i % 2 == 0);
    frames.join();
    log.CloseGpsLog();
    const std::string text = ReadFile(dir.File(kFileName));
    // Every line is whole: header lines and data lines only.
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\r', start)) != std::string::npos; start = end + 1) {
        const std::string line = text.substr(start, end - start);
        EXPECT_TRUE(line.rfind("FrameNr;", 0) == 0 || line.find(";2024-03-01T10:") != std::string::npos) << line;
    }
    EXPECT_EQ(start, text.size());
}

}  // namespace
}  // namespace orva
