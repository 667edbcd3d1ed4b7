#include "telescope/OutputLineSplitter.h"
#include "telescope/SolverProcess.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <thread>
#include <sys/stat.h>

namespace orva {
namespace {

std::vector<std::string> Split(std::initializer_list<std::string_view> reads, bool finish = true) {
    std::vector<std::string> lines;
    OutputLineSplitter splitter([&](std::string line) { lines.push_back(std::move(line)); });
    for (auto r : reads) splitter.Feed(r);
    if (finish) splitter.Finish();
    return lines;
}

TEST(OutputLineSplitter, LineEnds) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Split({"Solution fo", "und: 1\n"}), V{"Solution found: 1"});
    EXPECT_EQ(Split({"a\r\nb\r\n"}), (V{"a", "b"}));
    EXPECT_EQ(Split({"text\r\r"}), (V{"text", ""}));
    EXPECT_EQ(Split({"a\n\nb\n"}), (V{"a", "b"}));
    // A CR LF cut by a read boundary is still one line end, and an LF that starts a read
    // ends the line pending from the previous read.
    EXPECT_EQ(Split({"a\r", "\nb\n"}), (V{"a", "b"}));
    EXPECT_EQ(Split({"abc", "\ndef\n"}), (V{"abc", "def"}));
    EXPECT_EQ(Split({"tail without end"}), V{"tail without end"});
    EXPECT_EQ(Split({"tail without end"}, false), V{});
}

// Ours: small shell scripts that stand in for solver programs.
std::string Script(const test::TempDir& dir, const std::string& name, const std::string& body) {
    const std::string path = dir.File(name);
    test::WriteFile(path, "#!/bin/sh\n" + body);
    chmod(path.c_str(), 0755);
    return path;
}

bool IsRunning(pid_t pid) {
    const std::string stat = test::ReadFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t paren = stat.rfind(')');
    return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] != 'Z' && stat[paren + 2] != 'X';
}

TEST(SolverProcess, ReadsAllOutputOfAProgramThatExitsAtOnce) {
    test::TempDir dir;
    // 200 KiB, several times the pipe's buffer, on standard output and error.
    const std::string program = Script(dir, "chatty",
                                       "i=0; while [ $i -lt 2000 ]; do echo \"line $i ..................................................................................................\"; i=$((i+1)); done\n"
                                       "echo 'on stderr' >&2\nprintf 'last line without end'\nexit 3\n");
    SolverProcess process;
    ASSERT_EQ(process.Start({program}), 0);
    ASSERT_TRUE(process.WaitFinished(std::chrono::seconds(30)));
    const auto lines = process.Lines();
    ASSERT_EQ(lines.size(), 2002u);
    EXPECT_EQ(lines[1999].substr(0, 10), "line 1999 ");
    EXPECT_EQ(lines[2000], "on stderr");
    EXPECT_EQ(process.LastLine(), "last line without end");
    EXPECT_EQ(process.ExitStatus(), 3);
    EXPECT_FALSE(process.Killed());
}

TEST(SolverProcess, KillEndsTheProgramAndItsHelpers) {
    test::TempDir dir;
    const std::string pidFile = dir.File("helper.pid");
    const std::string program = Script(dir, "hang", "echo started\nsleep 300 &\necho $! > '" + pidFile + "'\nwait\n");
    SolverProcess process;
    ASSERT_EQ(process.Start({program}), 0);
    while (process.LastLine() != "started" || test::ReadFile(pidFile).empty()) {
        ASSERT_FALSE(process.WaitFinished(std::chrono::milliseconds(10)));
    }
    const pid_t helper = std::stoi(test::ReadFile(pidFile));
    process.Kill();
    ASSERT_TRUE(process.WaitFinished(std::chrono::seconds(10)));
    EXPECT_TRUE(process.Killed());
    EXPECT_EQ(process.ExitStatus(), 128 + SIGKILL);
    // The helper dies too (the signal reaches it asynchronously; it may linger as a
    // zombie until its new parent reaps it).
    for (int i = 0; i < 1000 && IsRunning(helper); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(IsRunning(helper));
}

TEST(SolverProcess, AProgramThatCannotRunIsAnError) {
    test::TempDir dir;
    SolverProcess missing;
    EXPECT_LT(missing.Start({dir.File("no-such-program")}), 0);
    EXPECT_FALSE(missing.Started());
    SolverProcess empty;
    EXPECT_LT(empty.Start({}), 0);
}

}  // namespace
}  // namespace orva
