#pragma once
// The built orvacam-cli program run as users and scripts run it: started as its own
// process with its own settings, log and data folders, its output and exit code kept
// for the test. Each run is waited for (a time limit only bounds a hang).
//
// The program lies beside the test's folder (../apps/orvacam-cli); build both.

#include "support/TempDir.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace orva {

inline constexpr auto kLiveness = std::chrono::seconds(120);
// Where the simulated camera's GPS clock starts in the runs whose time stamps are checked.
inline constexpr const char* kSimUtc = "2024-06-01T22:00:00";

inline std::string CliPath() {
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    return (self.parent_path().parent_path() / "apps" / "orvacam-cli").string();
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

inline bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

inline std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> found;
    for (const auto& l : lines) {
        if (l.rfind(prefix, 0) == 0) found.push_back(l);
    }
    return found;
}

// Our own Occult XML text (built from the documented element layout, not a file exported
// by Occult): one event at the given UTC time.
inline std::string OccultEvent(const std::tm& utc, const std::string& asteroid, const std::string& star) {
    char elements[128];
    std::snprintf(elements, sizeof(elements), "JPL#1,4.5,%d,%d,%d,%.7f,x", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour + utc.tm_min / 60.0 + utc.tm_sec / 3600.0);
    return "  <Event>\n    <Elements>" + std::string(elements) + "</Elements>\n    <Star>" + star +
           ",5.5,-12.25,0,11.5,0</Star>\n    <Object>2," + asteroid + ",9.25,512.0,1,2,3,4,5</Object>\n  </Event>\n";
}

// The UTC time `seconds` from now, whole seconds.
inline std::tm UtcInSeconds(int seconds) {
    const auto t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now()) + seconds;
    std::tm utc{};
    gmtime_r(&t, &utc);
    return utc;
}

inline std::string OccultFile(const std::string& events) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Occultations>\n" + events + "</Occultations>\n";
}

// The decimal position of a "<label>: RA ... (H h)  Dec ... (D deg)" line.
inline bool PositionOf(const std::vector<std::string>& lines, const std::string& label, double& raHours,
                       double& decDegrees) {
    for (const std::string& line : LinesStartingWith(lines, label + ": ")) {
        const std::size_t ra = line.find(" (");
        const std::size_t dec = line.rfind(" (");
        if (ra != std::string::npos && dec != ra && std::sscanf(line.c_str() + ra, " (%lf h)", &raHours) == 1 &&
            std::sscanf(line.c_str() + dec, " (%lf deg)", &decDegrees) == 1) {
            return true;
        }
    }
    return false;
}

struct Outcome {
    bool exited = false;  // ended by returning, not by a signal
    int code = -1;
    std::string out;
    std::string err;
    std::vector<std::string> OutLines() const { return Lines(out); }
    // The files the program reported.
    std::vector<std::string> Written() const {
        std::vector<std::string> files;
        for (const auto& l : LinesStartingWith(OutLines(), "written: ")) files.push_back(l.substr(9));
        return files;
    }
};

// One station: its own settings folder, log folder and recording folder.
class CliStationRun : public ::testing::Test {
protected:
    CliStationRun() {
        std::filesystem::create_directories(dir.File("config"));
        WriteSettings("LogDirectory=" + dir.File("log") + "\n");
    }

    void WriteSettings(const std::string& values) {
        test::WriteFile(dir.File("config/ORVA Cam Control.ini"), "[Settings]\n" + values);
    }

    // Starts the program; its output goes to files in the test's folder.
    pid_t Start(const std::vector<std::string>& args) {
        ++runs_;
        const std::string out = dir.File("out" + std::to_string(runs_));
        const std::string err = dir.File("err" + std::to_string(runs_));
        const std::string cli = CliPath();
        if (!std::filesystem::exists(cli)) {
            ADD_FAILURE() << cli << " is missing: build the orvacam-cli target";
            return -1;
        }
        std::vector<std::string> env = {"ORVA_CONFIG_DIR=" + dir.File("config"), "ORVA_DATA_DIR=" + dir.File("data"),
                                        "LSAN_OPTIONS=suppressions=" + test::SourceDir() + "/tests/e2e/orvacam-lsan.supp"};
        env.insert(env.end(), environment.begin(), environment.end());
        const pid_t pid = fork();
        if (pid == 0) {
            const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(o, STDOUT_FILENO);
            dup2(e, STDERR_FILENO);
            if (addressSpaceLimit > 0) {
                const rlimit limit{addressSpaceLimit, addressSpaceLimit};
                setrlimit(RLIMIT_AS, &limit);
            }
            std::vector<char*> argv = {const_cast<char*>(cli.c_str())};
            for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            std::vector<char*> envp;
            for (auto& v : env) envp.push_back(v.data());
            envp.push_back(nullptr);
            execve(cli.c_str(), argv.data(), envp.data());
            _exit(127);
        }
        runOf_[pid] = runs_;
        return pid;
    }

    Outcome Wait(pid_t pid) {
        Outcome o;
        if (pid <= 0) return o;
        const auto deadline = std::chrono::steady_clock::now() + kLiveness;
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                ADD_FAILURE() << "orvacam-cli hung";
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        o.exited = WIFEXITED(status);
        o.code = o.exited ? WEXITSTATUS(status) : -1;
        // Runs may overlap: each has its own output files.
        const int run = runOf_[pid];
        o.out = test::ReadFile(dir.File("out" + std::to_string(run)));
        o.err = test::ReadFile(dir.File("err" + std::to_string(run)));
        return o;
    }

    Outcome Run(const std::vector<std::string>& args) { return Wait(Start(args)); }

    // Bytes of address space the program may use, 0 for no limit (a program built with a
    // sanitizer needs far more than it allocates).
    rlim_t addressSpaceLimit = 0;
    // More of the program's environment, "NAME=VALUE" (without PATH it finds programs in
    // the system's default folders).
    std::vector<std::string> environment;

    // The log's messages without their time stamps.
    std::vector<std::string> LogMessages() const {
        std::vector<std::string> messages;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(dir.File("log"), ec)) {
            for (const auto& line : Lines(test::ReadFile(entry.path().string()))) {
                if (line.size() > 25) messages.push_back(line.substr(25));
            }
        }
        return messages;
    }

    // 176 x 128 at 200 frames a second by default: fast, and a sanitizer build keeps up.
    // The camera's GPS clock starts at kSimUtc.
    static std::vector<std::string> Record(const std::string& format, const std::string& frames,
                                           const std::string& out, std::vector<std::string> more = {},
                                           const std::string& exposureMs = "5") {
        std::vector<std::string> args = {"record", "--camera", "sim", "--mode", "2", "--exposure", exposureMs,
                                         "--format", format, "--frames", frames, "--out", out, "--sim-utc", kSimUtc};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }

    test::TempDir dir;

private:
    int runs_ = 0;
    std::map<pid_t, int> runOf_;
};

}  // namespace orva
