#include "common/SettingsDialogModel.h"

#include "common/Log.h"
#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace orva {
namespace {

using test::ReadFile;
using test::TempDir;

class TopicRecorder : public NotificationReceiver {
public:
    void Notify(const std::string& topic) override { topics.push_back(topic); }
    std::vector<std::string> topics;
};

// The messages of a log file, time stamps removed, start lines included.
std::vector<std::string> LogLines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(path));
    for (std::string line; std::getline(in, line);) lines.push_back(line.size() > 25 ? line.substr(25) : line);
    return lines;
}

// Closes the log at the end of a test that opened it without a LogCapture.
struct LogCloser {
    ~LogCloser() { InitLogFile(""); }
};

class SettingsDialogModelTest : public ::testing::Test {
protected:
    SettingsDialogModelTest() {
        center.Subscribe(&recorder, kTopicSolverChanged);
        settings.Load();
    }
    TempDir configDir;
    TempDir newLogDir;
    NotificationCenter center;
    TopicRecorder recorder;
    Settings settings{configDir.Path(), center};
    SettingsDialogModel dialog{settings};
};

TEST_F(SettingsDialogModelTest, OpeningFillsTheFieldsAndLogs) {
    settings.FitsDirectory = "/fits";
    settings.RecordingWithOptionsDefaultDurationSec = "90";
    settings.CreateStatusCsvFile.SetText("TRUE");
    settings.GpsLogEnabled.SetText("");
    settings.PerformanceLogEnabled.SetText("TRUE");
    settings.UseTimeResolution100us = 1;
    settings.LogDirectory = "/logs";
    settings.PlateSolvingProgram("ansvr");
    settings.PlateSolvingAstrometryNetApiKey("key");
    test::LogCapture log;
    dialog.Open();
    EXPECT_EQ(log.Messages(), std::vector<std::string>{"I Opened Dialog 'Settings'"});
    EXPECT_EQ(dialog.fitsDirectory, "/fits");
    EXPECT_EQ(dialog.defaultDurationSec, "90");
    EXPECT_TRUE(dialog.createStatusCsvFile);
    EXPECT_FALSE(dialog.gpsLogEnabled);
    EXPECT_TRUE(dialog.performanceLogEnabled);
    EXPECT_TRUE(dialog.timeResolution100us);
    EXPECT_TRUE(dialog.loggingEnabled);
    EXPECT_EQ(dialog.logDirectory, "/logs");
    EXPECT_EQ(dialog.solver, "ansvr");
    EXPECT_EQ(dialog.solverUrl, "127.0.0.1:8088");
    EXPECT_EQ(dialog.apiKey, "key");
}

TEST_F(SettingsDialogModelTest, SolverChoiceSetsTheUrlFieldAndItsLabel) {
    settings.PlateSolvingAstapPath = "/opt/astap/astap_cli";
    const struct {
        const char* solver;
        const char* url;
        const char* label;
    } cases[] = {
        {"astrometry.net", "nova.astrometry.net", "URL"},
        {"ansvr", "127.0.0.1:8088", "Host"},
        {"ASTAP", "/opt/astap/astap_cli", "Path"},
        {"solve-field", "/opt/an/bin/solve-field", "Path"},
    };
    settings.PlateSolvingSolveFieldPath = "/opt/an/bin/solve-field";
    dialog.Open();
    for (const auto& c : cases) {
        dialog.SelectSolver(c.solver);
        EXPECT_EQ(dialog.solverUrl, c.url) << c.solver;
        EXPECT_EQ(dialog.SolverUrlLabel(), c.label) << c.solver;
    }
    // No solver chosen yet: the list shows its first entry.
    EXPECT_EQ(settings.PlateSolvingProgram(), "");
    dialog.Open();
    EXPECT_EQ(dialog.solver, "astrometry.net");
}

TEST_F(SettingsDialogModelTest, OkStoresEveryFieldAndSaves) {
    dialog.Open();
    dialog.fitsDirectory = "/f";
    dialog.serDirectory = "/s";
    dialog.advDirectory = "/a";
    dialog.darkFramesDirectory = "/d";
    dialog.flatFramesDirectory = "/fl";
    dialog.reportsDirectory = "/r";
    dialog.reportFileNameTemplate = "{{EVENT_ASTEROID_NAME}}.txt";
    dialog.c2awExePath = "/opt/c2a/c2aw";
    dialog.defaultDurationSec = "120";
    dialog.createStatusCsvFile = false;
    dialog.enableAdvCompression = true;
    dialog.autoStartStreaming = true;
    dialog.gpsLogEnabled = true;
    dialog.performanceLogEnabled = false;
    dialog.timeResolution100us = true;
    dialog.loggingEnabled = false;
    dialog.logDirectory = "/ignored";
    dialog.SelectSolver("ASTAP");
    dialog.solverUrl = "/usr/local/bin/astap_cli";
    dialog.apiKey = "secret";
    ASSERT_TRUE(dialog.Ok());

    Settings again(configDir.Path(), center);
    again.Load();
    const struct {
        const std::string& actual;
        const char* expected;
    } texts[] = {
        {again.FitsDirectory, "/f"},
        {again.SerDirectory, "/s"},
        {again.AdvDirectory, "/a"},
        {again.DarkFramesDirectory, "/d"},
        {again.FlatFramesDirectory, "/fl"},
        {again.ReportsDirectory, "/r"},
        {again.ReportFileNameTemplate, "{{EVENT_ASTEROID_NAME}}.txt"},
        {again.C2awExePath, "/opt/c2a/c2aw"},
        {again.RecordingWithOptionsDefaultDurationSec, "120"},
        {again.CreateStatusCsvFile.Text(), "FALSE"},
        {again.EnableAdvCompression.Text(), "TRUE"},
        {again.AutoStartStreaming.Text(), "TRUE"},
        {again.GpsLogEnabled.Text(), "TRUE"},
        {again.PerformanceLogEnabled.Text(), "FALSE"},
        {again.LogDirectory, ""},
        {again.PlateSolvingProgram(), "ASTAP"},
        {again.PlateSolvingAstapPath, "/usr/local/bin/astap_cli"},
        {again.PlateSolvingAstrometryNetPath(), "nova.astrometry.net"},
        {again.PlateSolvingAstrometryNetApiKey(), "secret"},
    };
    for (const auto& t : texts) EXPECT_EQ(t.actual, t.expected);
    EXPECT_EQ(again.UseTimeResolution100us, 1);
    EXPECT_FALSE(recorder.topics.empty());
}

TEST_F(SettingsDialogModelTest, OkSendsTheUrlToTheChosenSolverOnly) {
    const struct {
        const char* solver;
        const std::string& (Settings::*changed)() const;
    } cases[] = {
        {"astrometry.net", &Settings::PlateSolvingAstrometryNetPath},
        {"ansvr", &Settings::PlateSolvingAnsvrPath},
    };
    for (const auto& c : cases) {
        dialog.Open();
        dialog.SelectSolver(c.solver);
        dialog.solverUrl = std::string("server-for-") + c.solver;
        recorder.topics.clear();
        dialog.Ok();
        EXPECT_EQ(settings.PlateSolvingProgram(), c.solver);
        EXPECT_EQ((settings.*c.changed)(), dialog.solverUrl);
        EXPECT_FALSE(recorder.topics.empty()) << c.solver;
        EXPECT_EQ(settings.PlateSolvingAstapPath, "astap_cli");
    }
}

TEST_F(SettingsDialogModelTest, SolveFieldIsChosenWithItsProgramPaths) {
    dialog.Open();
    EXPECT_EQ(dialog.SolverChoices(),
              (std::vector<std::string>{"astrometry.net", "ansvr", "ASTAP", "solve-field"}));
    EXPECT_EQ(dialog.wcsinfoPath, "");
    dialog.SelectSolver("solve-field");
    EXPECT_EQ(dialog.solverUrl, "");  // found on PATH
    dialog.solverUrl = "/opt/an/bin/solve-field";
    dialog.wcsinfoPath = "/opt/an/bin/wcsinfo";
    recorder.topics.clear();
    ASSERT_TRUE(dialog.Ok());
    EXPECT_FALSE(recorder.topics.empty());

    Settings again(configDir.Path(), center);
    again.Load();
    EXPECT_EQ(again.PlateSolvingProgram(), "solve-field");
    EXPECT_EQ(again.PlateSolvingSolveFieldPath, "/opt/an/bin/solve-field");
    EXPECT_EQ(again.PlateSolvingWcsinfoPath, "/opt/an/bin/wcsinfo");
    SettingsDialogModel reopened(again);
    reopened.Open();
    EXPECT_EQ(reopened.solver, "solve-field");
    EXPECT_EQ(reopened.solverUrl, "/opt/an/bin/solve-field");
    EXPECT_EQ(reopened.SolverUrlLabel(), "Path");
    EXPECT_EQ(reopened.wcsinfoPath, "/opt/an/bin/wcsinfo");
}

// A solver set in the settings file by hand survives an OK that did not touch the solver.
TEST_F(SettingsDialogModelTest, StoredSolverIsKeptByAnOkThatLeftItAlone) {
    for (const char* program : {"solve-field", "my-own-solver"}) {
        SCOPED_TRACE(program);
        test::WriteFile(settings.FilePath(), std::string("[Settings]\nPlateSolvingProgram=") + program +
                                                 "\nPlateSolvingAnsvrPath=10.0.0.2:8088\n");
        settings.Load();
        dialog.Open();
        EXPECT_EQ(dialog.solver, program);
        const auto choices = dialog.SolverChoices();
        EXPECT_NE(std::find(choices.begin(), choices.end(), program), choices.end());
        dialog.fitsDirectory = "/changed";
        dialog.Ok();
        Settings again(configDir.Path(), center);
        again.Load();
        EXPECT_EQ(again.PlateSolvingProgram(), program);
        EXPECT_EQ(again.FitsDirectory, "/changed");
        EXPECT_EQ(again.PlateSolvingAnsvrPath(), "10.0.0.2:8088");
        EXPECT_EQ(again.PlateSolvingAstrometryNetPath(), "nova.astrometry.net");
    }
}

TEST_F(SettingsDialogModelTest, UnknownSolverIsLoggedAndLeavesTheSolverAlone) {
    settings.PlateSolvingProgram("ansvr");
    test::LogCapture log;
    dialog.Open();
    dialog.solver = "foo";
    dialog.solverUrl = "somewhere";
    dialog.loggingEnabled = true;
    dialog.logDirectory = log.Directory();
    dialog.Ok();
    EXPECT_TRUE(log.Contains("E unknown solver: foo"));
    EXPECT_EQ(settings.PlateSolvingProgram(), "ansvr");
    EXPECT_EQ(settings.PlateSolvingAnsvrPath(), "127.0.0.1:8088");
}

TEST_F(SettingsDialogModelTest, OkReopensTheLogInTheSameDirectory) {
    test::LogCapture log;
    int gpsLogReopened = 0;
    dialog.reopenGpsLog = [&] {
        EXPECT_TRUE(IsLogOpen());
        ++gpsLogReopened;
    };
    dialog.Open();
    dialog.loggingEnabled = true;
    dialog.logDirectory = log.Directory();
    ASSERT_TRUE(dialog.Ok());
    EXPECT_EQ(gpsLogReopened, 1);
    const std::vector<std::string> expected = {
        "I ---------- Application started ----------", "I Opened Dialog 'Settings'",
        "I ---------- Closing Log File ----------", "I ---------- Application started ----------"};
    EXPECT_EQ(LogLines(LogFilePath()), expected);
}

TEST_F(SettingsDialogModelTest, OkMovesTheLogToTheNewDirectory) {
    LogCloser closer;
    test::LogCapture log;
    const std::string oldFile = LogFilePath();
    dialog.Open();
    dialog.loggingEnabled = true;
    dialog.logDirectory = newLogDir.Path();
    dialog.Ok();
    EXPECT_EQ(LogLines(oldFile), (std::vector<std::string>{"I ---------- Application started ----------",
                                                           "I Opened Dialog 'Settings'",
                                                           "I ---------- Closing Log File ----------"}));
    ASSERT_EQ(LogFilePath().rfind(newLogDir.Path() + "/orva_app_log_", 0), 0u);
    EXPECT_EQ(LogLines(LogFilePath()), std::vector<std::string>{"I ---------- Application started ----------"});
}

TEST_F(SettingsDialogModelTest, OkWithLoggingOffClosesTheLog) {
    test::LogCapture log;
    const std::string file = LogFilePath();
    dialog.Open();
    dialog.loggingEnabled = false;
    dialog.logDirectory = log.Directory();
    dialog.Ok();
    EXPECT_FALSE(IsLogOpen());
    EXPECT_EQ(LogLines(file).back(), "I ---------- Closing Log File ----------");
    EXPECT_EQ(settings.LogDirectory, "");
}

TEST_F(SettingsDialogModelTest, OkWithLoggingTurnedOnOpensTheLogAtOnce) {
    LogCloser closer;
    ASSERT_FALSE(IsLogOpen());
    dialog.Open();
    dialog.loggingEnabled = true;
    dialog.logDirectory = newLogDir.Path();
    dialog.Ok();
    ASSERT_TRUE(IsLogOpen());
    EXPECT_EQ(LogLines(LogFilePath()), std::vector<std::string>{"I ---------- Application started ----------"});
}

}  // namespace
}  // namespace orva
