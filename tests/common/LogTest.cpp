#include "common/Log.h"
#include "common/UtcTime.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace orva {
namespace {

using test::ReadFile;
using test::TempDir;

std::string TodaysLogName() {
    const UtcDateTime t = UtcNow();
    char name[64];
    std::snprintf(name, sizeof(name), "orva_app_log_%04d_%02d_%02d.txt", t.year, t.month, t.day);
    return name;
}

// "YYYY-MM-DD HH:MM:SS.mmm"
bool MatchesTimeStamp(const std::string& s) {
    const std::string shape = "dddd-dd-dd dd:dd:dd.ddd";
    if (s.size() != shape.size()) return false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (shape[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(s[i])) : s[i] != shape[i]) return false;
    }
    return true;
}

TEST(Log, ClosedLogWritesNothing) {
    TempDir dir;
    InitLogFile("");
    LogMessage("I nothing");
    LogMessageInt("I count:", 3);
    EXPECT_FALSE(IsLogOpen());
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(Log, LineFormatIsUtcWithMillisecondsAndTwoBlanks) {
    TempDir dir;
    InitLogFile(dir.Path());
    LogMessage("I hello");
    InitLogFile("");
    const std::string text = ReadFile(dir.File(TodaysLogName()));
    const auto at = text.find("  I hello\n");
    ASSERT_NE(at, std::string::npos) << text;
    ASSERT_GE(at, 23u);
    EXPECT_TRUE(MatchesTimeStamp(text.substr(at - 23, 23))) << text;
    EXPECT_NE(text.find("  I ---------- Application started ----------\n"), std::string::npos);
    EXPECT_NE(text.find("  I ---------- Closing Log File ----------\n"), std::string::npos);
}

TEST(Log, ValueMessagesFormatExactly) {
    test::LogCapture log;
    LogMessageInt("E Failed to create the mini-dump file", 5);
    LogMessageInt2("I size:", 1920, -1200);
    LogMessageString("E unknown solver:", "foo");
    LogMessageReal("I value:", 2.5);
    const std::vector<std::string> expected = {"E Failed to create the mini-dump file 5", "I size: 1920 -1200",
                                               "E unknown solver: foo", "I value: 2.500"};
    EXPECT_EQ(log.Messages(), expected);
}

TEST(Log, ValueMessageIsCutAt1023Characters) {
    test::LogCapture log;
    LogMessageInt(std::string(2000, 'x'), 7);
    const auto messages = log.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], std::string(1023, 'x'));
}

TEST(Log, OpeningTwiceOnOneDayAppendsToOneFile) {
    TempDir dir;
    InitLogFile(dir.Path());
    InitLogFile("");
    InitLogFile(dir.Path());
    InitLogFile("");
    const std::string text = ReadFile(dir.File(TodaysLogName()));
    std::size_t starts = 0;
    for (std::size_t p = 0; (p = text.find("Application started", p)) != std::string::npos; ++p) ++starts;
    EXPECT_EQ(starts, 2u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(Log, MissingDirectoryLeavesLogClosed) {
    TempDir dir;
    InitLogFile(dir.File("does-not-exist"));
    EXPECT_FALSE(IsLogOpen());
    LogMessage("I ignored");
}

TEST(Log, ConcurrentLinesNeverInterleave) {
    test::LogCapture log;
    constexpr int kThreads = 4;
    constexpr int kLines = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) LogMessageInt2("I thread line:", t, i);
        });
    }
    for (auto& th : threads) th.join();
    const auto messages = log.Messages();
    ASSERT_EQ(messages.size(), static_cast<std::size_t>(kThreads * kLines));
    for (const auto& m : messages) {
        int thread = -1;
        int index = -1;
        char tail = 0;
        EXPECT_EQ(std::sscanf(m.c_str(), "I thread line: %d %d%c", &thread, &index, &tail), 2) << m;
    }
}

TEST(Log, CrashHandlerWritesReportAndLogLinesThenDies) {
    TempDir dir;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InitLogFile(dir.Path());
        InstallCrashHandler();
        raise(SIGSEGV);
        _exit(0);  // not reached
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);

    const UtcDateTime t = UtcNow();
    char dumpName[64];
    std::snprintf(dumpName, sizeof(dumpName), "orva_minidump_%04d_%02d_%02d.dmp", t.year, t.month, t.day);
    const std::string report = ReadFile(dir.File(dumpName));
    EXPECT_NE(report.find("Signal 11 (SIGSEGV)"), std::string::npos) << report;
    const std::string log = ReadFile(dir.File(TodaysLogName()));
    const auto fatal = log.find("  E Fatal error, trying to write a mini-dump...\n");
    const auto written = log.find("  I Mini-dump successfully written\n");
    EXPECT_NE(fatal, std::string::npos) << log;
    EXPECT_NE(written, std::string::npos) << log;
    EXPECT_LT(fatal, written);
}

TEST(Log, CrashWithoutLogDirectoryWritesNoDump) {
    TempDir dir;
    InitLogFile("");
    WriteMiniDumpOnCrash(SIGABRT);  // must simply return
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(UtcTime, CalendarRoundTripsAcrossEpochsAndLeapDays) {
    const std::vector<UtcDateTime> cases = {
        {1, 1, 1, 0, 0, 0, 0},          {1970, 1, 1, 0, 0, 0, 0},     {2000, 2, 29, 23, 59, 59, 999},
        {2024, 12, 31, 12, 0, 0, 5},    {2100, 3, 1, 0, 0, 0, 0},     {1969, 12, 31, 23, 59, 59, 999},
    };
    for (const auto& c : cases) {
        const UtcDateTime back = UtcFromUnixMilliseconds(UnixMillisecondsFromUtc(c));
        EXPECT_EQ(std::tie(back.year, back.month, back.day, back.hour, back.minute, back.second, back.millisecond),
                  std::tie(c.year, c.month, c.day, c.hour, c.minute, c.second, c.millisecond));
    }
    EXPECT_EQ(DaysFromCivil(1970, 1, 1), 0);
    EXPECT_EQ(DaysFromCivil(2000, 3, 1) - DaysFromCivil(2000, 2, 28), 2);
}

}  // namespace
}  // namespace orva
