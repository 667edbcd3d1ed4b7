// The desktop station as an observer runs it: the built orvacam program on its own X
// server (Xvfb on a free display), streaming from the simulated camera. Its test hooks
// save grabs of the main window, which this test reads back: the star field, the
// histogram with its stretch curve, and the target star's shown value before and after a
// stretch change, against the lookup table and the raw value the program reports.
//
// Built only with the GUI (not in the tsan preset). The program lies in ../apps/orvacam.

#ifdef ORVA_HAS_GUI

#include "common/SingleInstanceGuard.h"
#include "display/DisplayStretch.h"

#include "support/CatalogSkyFits.h"
#include "support/IndiServerProcess.h"
#include "support/ManualClock.h"
#include "support/TempDir.h"
#include "support/TestPaths.h"

#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

namespace orva {
namespace {

using namespace std::chrono_literals;

std::filesystem::path BuildDir() { return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path(); }

// An X server of our own on the first free display number; stopped with the test.
class OwnXServer {
public:
    OwnXServer() {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, STDERR_FILENO);
            dup2(devnull, STDOUT_FILENO);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (!number.empty()) display_ = ":" + number;
    }
    ~OwnXServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& Display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};

struct Grab {
    QImage image;
    std::map<std::string, std::vector<double>> facts;  // the lines of FILE.txt
};

Grab ReadGrab(const std::string& path) {
    Grab g;
    g.image.load(QString::fromStdString(path));
    std::ifstream in(path + ".txt");
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        for (double v; words >> v;) g.facts[key].push_back(v);
    }
    return g;
}

std::vector<std::string> LogMessages(const std::string& folder) {
    std::vector<std::string> messages;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line);) {
            if (line.size() > 25) messages.push_back(line.substr(25));
        }
    }
    return messages;
}

// Starts orvacam with its folders (settings, data, runtime) in `dir` and its stderr in
// dir/err (dir/err2 with `second`).
pid_t Launch(const std::vector<std::string>& args, const std::string& display, const test::TempDir& dir,
             bool second = false) {
    // A second start comes from another session: its runtime folder is not the first one's.
    const std::string runtime = second ? dir.File("runtime2") : dir.Path();
    if (second) std::filesystem::create_directories(runtime);
    std::vector<std::string> env = {"DISPLAY=" + display, "ORVA_CONFIG_DIR=" + dir.File("config"),
                                    "ORVA_DATA_DIR=" + dir.File("data"), "HOME=" + dir.Path(),
                                    "XDG_RUNTIME_DIR=" + runtime};
    for (const char* keep : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "PATH"}) {
        if (const char* v = getenv(keep)) env.push_back(std::string(keep) + "=" + v);
    }
    env.push_back("LSAN_OPTIONS=suppressions=" + test::SourceDir() + "/tests/e2e/orvacam-lsan.supp");
    const std::string errFile = dir.File(second ? "err2" : "err");
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, STDERR_FILENO);
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (auto& v : env) envp.push_back(v.data());
        envp.push_back(nullptr);
        execve(args[0].c_str(), argv.data(), envp.data());
        _exit(127);
    }
    return pid;
}

// Waits for the program to end; a hang is killed and reported.
int WaitForExit(pid_t pid, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            ADD_FAILURE() << "orvacam hung";
            return -1;
        }
        std::this_thread::sleep_for(20ms);
    }
    return status;
}

// The window closed in order: "I Closing Main Form", then the stream's consumer ended,
// and the log's closing line last.
void ExpectClosedInOrder(const std::vector<std::string>& log) {
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "I ---------- Closing Log File ----------");
    const auto closing = std::find(log.begin(), log.end(), "I Closing Main Form");
    ASSERT_NE(closing, log.end());
    EXPECT_NE(std::find(closing, log.end(), "I CDmsWorker::ConsumeForever: Exiting."), log.end());
}

// The built program and an X server of its own for each test.
class OrvacamGui : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(program)) << program << " is missing: build the orvacam target";
        ASSERT_FALSE(x.Display().empty()) << "Xvfb did not start (scripts/install-deps.sh installs it)";
    }

    const std::string program = (BuildDir() / "apps" / "orvacam").string();
    OwnXServer x;
};

TEST_F(OrvacamGui, StreamsShowsTheStarsAndRestretches) {
    test::TempDir dir;
    std::filesystem::create_directories(dir.File("config"));
    test::WriteFile(dir.File("config/ORVA Cam Control.ini"),
                    "[Settings]\nLogDirectory=" + dir.File("log") + "\nAutoStartStreaming=TRUE\n");
    // Kept in the build folder, for a person to look at.
    const std::string first = (BuildDir() / "tests" / "orvacam-live-view.png").string();
    const std::string second = (BuildDir() / "tests" / "orvacam-live-view-restretched.png").string();
    std::filesystem::remove(first);
    std::filesystem::remove(second);
    // The target star lies at (0.5, 0.45) of the 480 x 300 picture. The panel sets the
    // camera's recommended black level, which lifts the sky to about 3300: the levels
    // start above it.
    const std::vector<std::string> args = {
        program, "--camera", "sim", "--mode", "4", "--exposure", "40", "--levels", "4000:11000", "--zoom", "100",
        "--probe", "240:135", "--screenshot", first, "--after-ms", "2500", "--restretch", "2000:30000",
        "--screenshot2", second, "--quit"};
    const pid_t pid = Launch(args, x.Display(), dir);
    const int status = WaitForExit(pid, 180s);
    ASSERT_TRUE(WIFEXITED(status)) << test::ReadFile(dir.File("err"));
    EXPECT_EQ(WEXITSTATUS(status), 0) << test::ReadFile(dir.File("err"));

    Grab a = ReadGrab(first);
    Grab b = ReadGrab(second);
    ASSERT_FALSE(a.image.isNull()) << first;
    ASSERT_FALSE(b.image.isNull()) << second;
    ASSERT_EQ(a.facts["probe"].size(), 6u);
    ASSERT_EQ(b.facts["probe"].size(), 6u);

    // The star field: the target star bright, the picture's background dark.
    const auto& pic = a.facts["picture"];
    ASSERT_EQ(pic.size(), 6u);
    std::vector<int> greys;
    for (int y = static_cast<int>(pic[3]) + 20; y < static_cast<int>(pic[3] + pic[5]) - 40; y += 3) {
        for (int x = static_cast<int>(pic[2]) + 10; x < static_cast<int>(pic[2] + pic[4]) - 10; x += 3) {
            greys.push_back(qGray(a.image.pixel(x, y)));
        }
    }
    ASSERT_FALSE(greys.empty());
    std::nth_element(greys.begin(), greys.begin() + greys.size() / 2, greys.end());
    EXPECT_LE(greys[greys.size() / 2], 40) << "the background is not dark";

    // The probed star pixel: shown as the lookup table says, in both grabs, and changed.
    int shown[2];
    const Grab* grabs[2] = {&a, &b};
    for (int i = 0; i < 2; ++i) {
        const auto& p = grabs[i]->facts.at("probe");
        const auto& l = grabs[i]->facts.at("levels");
        const StretchLevels levels{static_cast<int>(l[0]), static_cast<int>(l[1]), static_cast<int>(l[2]),
                                   static_cast<int>(l[3])};
        const int expected = DisplayStretch::DisplayValue(levels, static_cast<int>(p[4]));
        const QRgb pixel = grabs[i]->image.pixel(static_cast<int>(p[2]), static_cast<int>(p[3]));
        EXPECT_EQ(qRed(pixel), expected) << "grab " << i << " raw " << p[4];
        EXPECT_EQ(qGreen(pixel), expected);
        EXPECT_EQ(qBlue(pixel), expected);
        EXPECT_EQ(static_cast<int>(p[5]), expected);
        shown[i] = expected;
    }
    EXPECT_GE(shown[0], 150) << "the target star is not bright";
    EXPECT_LT(shown[1], shown[0] - 50) << "the wider stretch did not darken the star";

    // The histogram graph: bars and the stretch curve (the day palette's orange).
    const auto& h = a.facts["histogram"];
    ASSERT_EQ(h.size(), 4u);
    int curve = 0;
    int bars = 0;
    for (int y = static_cast<int>(h[1]); y < static_cast<int>(h[1] + h[3]); ++y) {
        for (int x = static_cast<int>(h[0]); x < static_cast<int>(h[0] + h[2]); ++x) {
            const QRgb c = a.image.pixel(x, y);
            if (qRed(c) > 200 && qGreen(c) > 80 && qGreen(c) < 160 && qBlue(c) < 60) ++curve;
            if (qRed(c) == 140 && qGreen(c) == 140 && qBlue(c) == 150) ++bars;
        }
    }
    EXPECT_GE(curve, 100) << "no stretch curve";
    EXPECT_GE(bars, 5) << "no histogram bars";

    // Closed while streaming: the stream stopped, the camera released, the log closed last.
    const auto log = LogMessages(dir.File("log"));
    ExpectClosedInOrder(log);
    EXPECT_NE(std::find(log.begin(), log.end(), "I ShowWindow"), log.end());
}

// A frame of the catalogue sky solved by solve-field in the plate-solving window; the
// panel's "Platesolving (next Event)" (ticked in the stored camera configuration) then
// shows the arrow from the solved centre towards the next event's star, which lies 24'
// north and 30' east (in hours x 15) of the frame's centre. Label solver: a real solve.
TEST_F(OrvacamGui, PlateSolvedOffsetToTheNextEventIsDrawn) {
    test::TempDir dir;
    for (const char* folder : {"config", "data", "fits"}) std::filesystem::create_directories(dir.File(folder));
    test::ManualClock clock;
    test::WriteCatalogSkyFits(dir.File("fits/orion.fits"), {83.8, -5.4, 0.0}, 5.6, clock);
    // The event two hours from now (the store shows today and tomorrow); its star at
    // 5h 37m 12s (2 minutes of RA east) and -5 00' (24' north).
    const std::time_t soon = std::time(nullptr) + 2 * 3600;
    std::tm utc{};
    gmtime_r(&soon, &utc);
    char elements[96];
    std::snprintf(elements, sizeof elements, "JPL#1,4.5,%d,%d,%d,%.4f", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour + utc.tm_min / 60.0);
    test::WriteFile(dir.File("event.xml"),
                    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Occultations><Event>"
                    "<Elements>" + std::string(elements) + "</Elements>"
                    "<Star>TYC 4774-00001-1,5.62,-5.0,0,9.5,0</Star>"
                    "<Object>1,Ceres,8.5,939.4,1.1,2,3,4.4,5.5</Object></Event></Occultations>\n");
    const std::string cli = (BuildDir() / "apps" / "orvacam-cli").string();
    const int imported = WaitForExit(Launch({cli, "events", "import", dir.File("event.xml")}, x.Display(), dir), 60s);
    ASSERT_TRUE(WIFEXITED(imported) && WEXITSTATUS(imported) == 0) << test::ReadFile(dir.File("err"));
    test::WriteFile(dir.File("config/ORVA Cam Control.ini"),
                    "[Settings]\nLogDirectory=" + dir.File("log") + "\nAutoStartStreaming=TRUE\nFitsDirectory=" +
                        dir.File("fits") + "\nPlateSolvingProgram=solve-field\n"
                        "CameraConfiguration=480 x 300;40.0;+00 dB;0;0;0;None;0;0;0;1;0;0;0;\n");
    // Kept in the build folder, for a person to look at.
    const std::string shot = (BuildDir() / "tests" / "orvacam-platesolve-arrow.png").string();
    std::filesystem::remove(shot);
    const std::vector<std::string> args = {program,       "--camera", "sim",        "--mode",     "4",
                                           "--levels",    "4000:11000", "--plate-solve", "orion.fits",
                                           "--scale-hint", "5.6",     "--screenshot", shot,        "--after-ms",
                                           "1000",        "--quit"};
    const int status = WaitForExit(Launch(args, x.Display(), dir), 300s);
    ASSERT_TRUE(WIFEXITED(status)) << test::ReadFile(dir.File("err"));
    EXPECT_EQ(WEXITSTATUS(status), 0) << test::ReadFile(dir.File("err"));

    Grab g = ReadGrab(shot);
    ASSERT_FALSE(g.image.isNull()) << shot;
    const auto& arrow = g.facts["arrow"];
    ASSERT_EQ(arrow.size(), 6u) << "no arrow shown; log:\n" << test::ReadFile(dir.File("err"));
    EXPECT_NEAR(arrow[4], 24.0, 1.0) << "north offset";
    EXPECT_NEAR(arrow[5], 30.0, 1.0) << "east offset";
    // Drawn: east of north on the sky is up and to the left on a picture that is not mirrored.
    EXPECT_LT(arrow[2], arrow[0]);
    EXPECT_LT(arrow[3], arrow[1]);
    int drawn = 0;
    for (int i = 1; i < 10; ++i) {
        const QRgb c = g.image.pixel(static_cast<int>(arrow[0] + (arrow[2] - arrow[0]) * i / 10),
                                     static_cast<int>(arrow[1] + (arrow[3] - arrow[1]) * i / 10));
        if (qRed(c) > 200 && qGreen(c) > 150 && qBlue(c) < 80) ++drawn;
    }
    EXPECT_GE(drawn, 7) << "the arrow's shaft is not in the grab";
    ExpectClosedInOrder(LogMessages(dir.File("log")));
}

// The observer closes the window while an ADV recording runs: the recording is ended as
// Stop would end it, so the file needs no repair, and the program ends cleanly with the
// log closed last.
TEST_F(OrvacamGui, ClosingDuringAnAdvRecordingKeepsTheFileSound) {
    test::TempDir dir;
    std::filesystem::create_directories(dir.File("config"));
    std::filesystem::create_directories(dir.File("adv"));
    test::WriteFile(dir.File("config/ORVA Cam Control.ini"), "[Settings]\nLogDirectory=" + dir.File("log") +
                                                                 "\nAutoStartStreaming=TRUE\nAdvDirectory=" +
                                                                 dir.File("adv") + "\n");
    // Kept in the build folder, for a person to look at.
    const std::string grab = (BuildDir() / "tests" / "orvacam-recording.png").string();
    std::filesystem::remove(grab);
    const pid_t pid = Launch({program, "--camera", "sim", "--mode", "4", "--exposure", "40", "--record", "adv",
                              "--after-ms", "2000", "--screenshot", grab, "--quit"},
                             x.Display(), dir);
    const int status = WaitForExit(pid, 180s);
    ASSERT_TRUE(WIFEXITED(status)) << test::ReadFile(dir.File("err"));
    EXPECT_EQ(WEXITSTATUS(status), 0) << test::ReadFile(dir.File("err"));

    std::vector<std::string> recordings;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.File("adv"))) {
        if (entry.path().extension() == ".adv") recordings.push_back(entry.path().string());
    }
    ASSERT_EQ(recordings.size(), 1u) << test::ReadFile(dir.File("err"));
    const std::string report = dir.File("inspect.txt");
    const std::string cli = (BuildDir() / "apps" / "orvacam-cli").string();
    const int inspect = std::system(("'" + cli + "' inspect '" + recordings[0] + "' > '" + report + "' 2>&1").c_str());
    const std::string text = test::ReadFile(report);
    EXPECT_TRUE(WIFEXITED(inspect) && WEXITSTATUS(inspect) == 0) << text;
    EXPECT_NE(text.find("\nresult: sound\n"), std::string::npos) << text;
    int frames = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("frames: ", 0) == 0) frames = std::atoi(line.c_str() + 8);
    }
    EXPECT_GT(frames, 10) << text;

    const auto log = LogMessages(dir.File("log"));
    ExpectClosedInOrder(log);
    // Nothing was closed behind the recording's back.
    EXPECT_EQ(std::find(log.begin(), log.end(),
                        "W RecordingSession: no frame came after the stop request; the recording was closed without it"),
              log.end());
}

// Guiding as the observer starts it, against the real INDI telescope simulator, whose
// pointing the simulated camera's sky follows: the program connects the mount, presses
// "Select..." and says where the brightest star lies on the screen; a real click of the X
// server's pointer (xdotool) beside it chooses the star, the program presses "Start",
// guides, grabs its window with the guiding box and quits. The star stays in its box:
// every look at the offsets lies within the radius and guiding never aborts.
TEST_F(OrvacamGui, GuidesOnAStarClickedInTheLiveView) {
    test::IndiServerProcess server;
    ASSERT_TRUE(server.Start());
    test::TempDir dir;
    std::filesystem::create_directories(dir.File("config"));
    test::WriteFile(dir.File("config/ORVA Cam Control.ini"), "[Settings]\nLogDirectory=" + dir.File("log") +
                                                                 "\nAutoStartStreaming=TRUE\nTelescopeDriver=" +
                                                                 server.ProgramId() + "\n");
    // The mount points at Orion's belt, which the simulated camera's star list covers.
    const std::string cli = (BuildDir() / "apps" / "orvacam-cli").string();
    // The INDI client library's own allocations are not ours to report.
    const std::string sync = "ORVA_CONFIG_DIR='" + dir.File("cli") + "' ORVA_DATA_DIR='" + dir.File("cli") +
                             "' LSAN_OPTIONS='suppressions=" + test::SourceDir() + "/tests/e2e/orvacam-lsan.supp' '" +
                             cli + "' mount sync 05:35:17.3 -05:23:28 --indi 127.0.0.1:" +
                             std::to_string(server.Port()) + " > '" + dir.File("sync.txt") + "' 2>&1";
    ASSERT_EQ(std::system(sync.c_str()), 0) << test::ReadFile(dir.File("sync.txt"));

    // Kept in the build folder, for a person to look at.
    const std::string grab = (BuildDir() / "tests" / "orvacam-guiding.png").string();
    std::filesystem::remove(grab);
    const std::string click = dir.File("click");
    const pid_t pid = Launch({program, "--camera", "sim", "--mode", "4", "--exposure", "40", "--sim-utc",
                              "2024-06-01T22:00:00", "--guide", click, "--screenshot", grab, "--after-ms", "6000",
                              "--quit"},
                             x.Display(), dir);
    // The program says where to click once the mount is connected and "Select..." pressed.
    const auto deadline = std::chrono::steady_clock::now() + 180s;
    while (!std::filesystem::exists(click) && std::chrono::steady_clock::now() < deadline &&
           waitpid(pid, nullptr, WNOHANG) == 0) {
        std::this_thread::sleep_for(50ms);
    }
    int screenX = 0, screenY = 0, column = 0, row = 0;
    std::ifstream(click) >> screenX >> screenY >> column >> row;
    if (!std::filesystem::exists(click)) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        FAIL() << "no star to click: " << test::ReadFile(dir.File("err"));
    }
    const std::string xdotool = "DISPLAY=" + x.Display() + " xdotool mousemove --sync " + std::to_string(screenX) +
                                " " + std::to_string(screenY) + " click 1";
    EXPECT_EQ(std::system(xdotool.c_str()), 0) << "xdotool is missing (scripts/install-deps.sh installs it)";

    const int status = WaitForExit(pid, 240s);
    ASSERT_TRUE(WIFEXITED(status)) << test::ReadFile(dir.File("err"));
    EXPECT_EQ(WEXITSTATUS(status), 0) << test::ReadFile(dir.File("err"));
    for (const char* problem : {"orvacam: guiding did not start", "orvacam: no guiding star"}) {
        EXPECT_EQ(test::ReadFile(dir.File("err")).find(problem), std::string::npos) << test::ReadFile(dir.File("err"));
    }
    std::printf("guiding screenshot: %s\n", grab.c_str());

    const auto log = LogMessages(dir.File("log"));
    // The click beside the star chose the star itself.
    EXPECT_NE(std::find(log.begin(), log.end(),
                        "I Guiding target selected " + std::to_string(column) + " " + std::to_string(row)),
              log.end());
    constexpr int kRadius = 32;
    const std::string offsetsLine = "I Guiding offsets (x/y *1000) ";
    int looks = 0;
    for (const std::string& line : log) {
        if (line.rfind(offsetsLine, 0) != 0) continue;
        ++looks;
        int dx = 0, dy = 0;
        ASSERT_EQ(std::sscanf(line.c_str() + offsetsLine.size(), "%d %d", &dx, &dy), 2) << line;
        EXPECT_LT(std::abs(dx), kRadius * 1000) << line;
        EXPECT_LT(std::abs(dy), kRadius * 1000) << line;
    }
    EXPECT_GE(looks, 3) << "guiding looked at the star once a second";
    EXPECT_EQ(std::find(log.begin(), log.end(), "W Guiding offsets too large, aborting."), log.end());

    // Still guiding at the grab, the green box drawn round the target.
    Grab g = ReadGrab(grab);
    ASSERT_FALSE(g.image.isNull()) << grab;
    const auto& guiding = g.facts["guiding"];
    ASSERT_EQ(guiding.size(), 5u);
    EXPECT_EQ(guiding[0], 1) << "guiding stopped";
    EXPECT_EQ(guiding[1], column);
    EXPECT_EQ(guiding[2], row);
    int green = 0;
    const int cx = static_cast<int>(guiding[3]);
    const int cy = static_cast<int>(guiding[4]);
    for (int y = std::max(0, cy - 3 * kRadius); y < std::min(g.image.height(), cy + 3 * kRadius); ++y) {
        for (int x = std::max(0, cx - 3 * kRadius); x < std::min(g.image.width(), cx + 3 * kRadius); ++x) {
            const QRgb c = g.image.pixel(x, y);
            if (qGreen(c) > 180 && qRed(c) < 60 && qBlue(c) < 60) ++green;
        }
    }
    EXPECT_GE(green, 40) << "no guiding box round " << cx << " " << cy;
    ExpectClosedInOrder(log);
}

// A second start while a station runs says so and leaves: non-zero status, nothing
// written, the first station still running.
TEST_F(OrvacamGui, ASecondStationIsRefused) {
    test::TempDir dir;
    std::filesystem::create_directories(dir.File("config"));
    const std::string ini = dir.File("config/ORVA Cam Control.ini");
    test::WriteFile(ini, "[Settings]\nLogDirectory=" + dir.File("log") + "\n");

    const pid_t first = Launch({program, "--camera", "sim"}, x.Display(), dir);
    // Waits until the first station shows its window (or has died); a lock probe of our
    // own would take the lock itself.
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    auto shown = [&] {
        if (!std::filesystem::is_directory(dir.File("log"))) return false;
        const auto log = LogMessages(dir.File("log"));
        return std::find(log.begin(), log.end(), "I ShowWindow") != log.end();
    };
    while (!shown() && std::chrono::steady_clock::now() < deadline && waitpid(first, nullptr, WNOHANG) == 0) {
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_TRUE(shown()) << test::ReadFile(dir.File("err"));
    // The first station's own start-up write (the camera's configuration, saved when it
    // connects) comes after the window shows; the comparison below starts after it.
    auto configured = [&] { return test::ReadFile(ini).find("\nCameraConfiguration=;") != std::string::npos; };
    while (!configured() && std::chrono::steady_clock::now() < deadline && waitpid(first, nullptr, WNOHANG) == 0) {
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_TRUE(configured()) << test::ReadFile(ini);
    // The lock sits in the data folder it guards.
    EXPECT_EQ(SingleInstanceGuard(dir.File("data")).Acquire(), SingleInstanceGuard::State::Busy);
    const std::string iniBefore = test::ReadFile(ini);

    // Unattended (--camera), so that no message box waits for a click.
    const pid_t second = Launch({program, "--camera", "sim"}, x.Display(), dir, true);
    int status = 0;
    const auto secondDeadline = std::chrono::steady_clock::now() + 60s;
    while (waitpid(second, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > secondDeadline) {
            kill(second, SIGKILL);
            waitpid(second, &status, 0);
            ADD_FAILURE() << "the second orvacam did not leave";
            break;
        }
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0);
    EXPECT_NE(test::ReadFile(dir.File("err2")).find("ORVA Cam Control is already running."), std::string::npos)
        << test::ReadFile(dir.File("err2"));
    EXPECT_EQ(test::ReadFile(ini), iniBefore);
    EXPECT_EQ(waitpid(first, nullptr, WNOHANG), 0) << "the first station ended";

    kill(first, SIGTERM);
    waitpid(first, nullptr, 0);
}

}  // namespace
}  // namespace orva

#endif  // ORVA_HAS_GUI
