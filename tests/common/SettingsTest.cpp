#include "common/Settings.h"

#include "common/Log.h"
#include "common/NotificationCenter.h"
#include "support/FakeUiServices.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace orva {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class TopicRecorder : public NotificationReceiver {
public:
    void Notify(const std::string& topic) override { topics.push_back(topic); }
    std::vector<std::string> topics;
};

// A settings object in its own folder, with a centre that records what Save publishes.
class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() {
        center.Subscribe(&recorder, kTopicInstrumentChanged);
        center.Subscribe(&recorder, kTopicSolverChanged);
    }
    std::string FilePath() const { return dir.File(Settings::kFileName); }
    void WriteSettings(const std::string& lines) { WriteFile(FilePath(), "[Settings]\n" + lines); }
    // A fresh object loaded from the folder, as at the next start.
    Settings& Reloaded() {
        reloaded = std::make_unique<Settings>(dir.Path(), center);
        reloaded->Load();
        return *reloaded;
    }

    TempDir dir;
    NotificationCenter center;
    TopicRecorder recorder;
    Settings settings{dir.Path(), center};
    std::unique_ptr<Settings> reloaded;
};

const char* const kDefaultFile =
    "[Settings]\n"
    "FitsDirectory=\n"
    "SerDirectory=\n"
    "AdvDirectory=\n"
    "CreateStatusCsvFile=TRUE\n"
    "EnableAdvCompression=FALSE\n"
    "DarkFramesDirectory=\n"
    "FlatFramesDirectory=\n"
    "LogDirectory=\n"
    "GpsLogEnabled=\n"
    "PerformanceLogEnabled=\n"
    "UpdateFirmwareFile=\n"
    "AutoStartStreaming=FALSE\n"
    "PreviewMode=\n"
    "PlateSolvingUrl=nova.astrometry.net\n"
    "PlateSolvingApiKey=\n"
    "PlateSolvingProgram=\n"
    "PlateSolvingAstrometryNetPath=nova.astrometry.net\n"
    "PlateSolvingAstrometryNetApiKey=\n"
    "PlateSolvingAnsvrPath=127.0.0.1:8088\n"
    "PlateSolvingAstapPath=astap_cli\n"
    "PlateSolvingSolveFieldPath=\n"
    "PlateSolvingWcsinfoPath=\n"
    "TelescopeDriver=\n"
    "SelectedSiteName=\n"
    "SelectedMountName=\n"
    "SelectedObserverName=\n"
    "SelectedInstrumentName=\n"
    "ReportsDirectory=\n"
    "ReportFileNameTemplate={{EVENT_DATE_YYYYMMDD}}_({{EVENT_ASTEROID_NR}})_{{EVENT_ASTEROID_NAME}}_Report.txt\n"
    "ShowOverflow=FALSE\n"
    "RecordingWithOptionsFormat=ADV\n"
    "RecordingWithOptionsDefaultDurationSec=60\n"
    "NightPlanLeadTimeSec=180\n"
    "NightPlanToleranceArcsec=30\n"
    "C2awExePath=c2aw\n"
    "ReportEditor=xdg-open\n"
    "PreviewZoomFactor=100\n"
    "UseTimeResolution100us=0\n"
    "GuidingTrackingRadius=32\n"
    "GuidingDirections=31\n"
    "NightVision=FALSE\n"
    "SimbadServer=simbad.cds.unistra.fr\n"
    "ToolbarVersion=\n"
    "WorkspaceGeometry=\n"
    "WorkspaceState=\n"
    "WorkspaceToolbars=\n"
    "WorkspaceStatusBar=\n"
    "CameraConfiguration=\n";

TEST_F(SettingsTest, EmptyProfileGivesTheDefaultsAndSavesThemInOrder) {
    settings.Load();
    EXPECT_TRUE(settings.IsLoaded());
    EXPECT_EQ(settings.NofFrameProcessorThreads, "6");
    EXPECT_EQ(settings.PreviewZoomFactor, 100);
    EXPECT_EQ(settings.DarkFlatDelaySeconds, 10);
    EXPECT_EQ(settings.RaTrackingSpeedE5, 417);
    EXPECT_EQ(settings.GuidingTrackingRadius, 32);
    EXPECT_EQ(settings.PreviewMode(), 0);
    EXPECT_FALSE(settings.CameraConfigPresent);

    ASSERT_TRUE(settings.Save());
    // Never written: "NofFrameProcessorThreads", "DarkFlatDelaySeconds", "RaTrackingSpeedE5".
    EXPECT_EQ(ReadFile(FilePath()), kDefaultFile);
    EXPECT_TRUE(recorder.topics.empty());
    EXPECT_FALSE(Reloaded().CameraConfigPresent);
}

TEST_F(SettingsTest, ValuesSurviveASaveAndReloadByteExact) {
    settings.Load();
    settings.LogDirectory = "/data/logs with blanks ";
    settings.ReportFileNameTemplate = "{{EVENT_DATE_YYYYMMDD}}\nsecond line";
    settings.UseTimeResolution100us = 1;
    settings.GuidingTrackingRadius = -7;
    settings.CameraConfig.resolution = "640 x 480";
    settings.CameraConfig.exposureMs = 12.5;
    settings.CameraConfig.flipMode = "None";
    settings.CameraConfigPresent = true;
    ASSERT_TRUE(settings.Save());

    const Settings& again = Reloaded();
    EXPECT_EQ(again.LogDirectory, "/data/logs with blanks ");
    EXPECT_EQ(again.ReportFileNameTemplate, "{{EVENT_DATE_YYYYMMDD}}\nsecond line");
    EXPECT_EQ(again.UseTimeResolution100us, 1);
    EXPECT_EQ(again.GuidingTrackingRadius, -7);
    EXPECT_TRUE(again.CameraConfigPresent);
    EXPECT_EQ(again.CameraConfig.Encode(), "640 x 480;12.5;;0;0;0;None;0;0;0;0;0;0;0;");
    EXPECT_NE(ReadFile(FilePath()).find("\nCameraConfiguration=640 x 480;12.5;;0;0;0;None;0;0;0;0;0;0;0;\n"),
              std::string::npos);
}

TEST_F(SettingsTest, PreviewZoomFactorOutsideItsRangeLoadsAs100) {
    const struct {
        const char* stored;
        int loaded;
    } cases[] = {{"5", 100}, {"9", 100}, {"10", 10}, {"250", 250}, {"1000", 1000},
                 {"1001", 100}, {"2000", 100}, {"-50", 100}, {"zoom", 100}, {"", 100}};
    for (const auto& c : cases) {
        WriteSettings(std::string("PreviewZoomFactor=") + c.stored + "\n");
        EXPECT_EQ(Reloaded().PreviewZoomFactor, c.loaded) << c.stored;
    }
}

// A hand-edited delay beyond its range would overflow the dark-frame countdown (which
// counts half seconds in an int).
TEST_F(SettingsTest, DarkFlatDelayOutsideItsRangeLoadsAsTheDefault) {
    const struct {
        const char* stored;
        int loaded;
    } cases[] = {{"0", 0},     {"10", 10},         {"3600", 3600},     {"3601", 10}, {"-1", 10},
                 {"1e300", 1}, {"99999999999", 10}, {"-99999999999", 10}, {"nan", 0},  {"", 0}};
    for (const auto& c : cases) {
        WriteSettings(std::string("DarkFlatDelaySeconds=") + c.stored + "\n");
        EXPECT_EQ(Reloaded().DarkFlatDelaySeconds, c.loaded) << c.stored;
    }
}

TEST_F(SettingsTest, PreviewModeLoadsThreeAsTwoAndTheGetterMapsStrayTextToZero) {
    const struct {
        const char* stored;
        const char* loadedText;
        int mode;
    } cases[] = {{"0", "0", 0}, {"1", "1", 1}, {"2", "2", 2}, {"3", "2", 2},
                 {"7", "7", 0}, {"-1", "-1", 0}, {"abc", "abc", 0}, {"", "", 0}};
    for (const auto& c : cases) {
        WriteSettings(std::string("PreviewMode=") + c.stored + "\n");
        const Settings& s = Reloaded();
        EXPECT_EQ(s.PreviewModeText, c.loadedText) << c.stored;
        EXPECT_EQ(s.PreviewMode(), c.mode) << c.stored;
    }
    settings.PreviewModeText = "3";  // only loading maps 3 to 2
    EXPECT_EQ(settings.PreviewMode(), 3);
}

TEST_F(SettingsTest, NumbersAreReadAsDecimalTextWithNonNumbersZero) {
    WriteSettings("UseTimeResolution100us=1x\nGuidingTrackingRadius=abc\nDarkFlatDelaySeconds= 25\n"
                  "RaTrackingSpeedE5=-3\n");
    const Settings& s = Reloaded();
    EXPECT_EQ(s.UseTimeResolution100us, 1);
    EXPECT_EQ(s.GuidingTrackingRadius, 0);
    EXPECT_EQ(s.DarkFlatDelaySeconds, 25);
    EXPECT_EQ(s.RaTrackingSpeedE5, -3);
}

TEST_F(SettingsTest, PartialCameraConfigurationIsNotPresent) {
    WriteSettings("CameraConfiguration=800 x 600;20.0;Low;1;1;\n");
    const Settings& s = Reloaded();
    EXPECT_FALSE(s.CameraConfigPresent);
    EXPECT_EQ(s.CameraConfig.resolution, "800 x 600");
    EXPECT_EQ(s.CameraConfig.invertImage, 1);
    EXPECT_EQ(s.CameraConfig.clipOnOverflow, 0);
}

TEST_F(SettingsTest, FlagsAreOnOnlyForTrueAndKeepTextTheyDoNotKnowUntilSet) {
    WriteSettings("CreateStatusCsvFile=yes\nEnableAdvCompression=TRUE\nGpsLogEnabled=\nNightVision=FALSE\n");
    settings.Load();
    EXPECT_FALSE(settings.CreateStatusCsvFile.IsOn());
    EXPECT_FALSE(settings.CreateStatusCsvFile.Value().has_value());
    EXPECT_TRUE(settings.EnableAdvCompression.IsOn());
    EXPECT_FALSE(settings.GpsLogEnabled.Value().has_value());
    EXPECT_EQ(settings.NightVision.Value(), false);
    // The status bar is shown unless the file says otherwise.
    EXPECT_TRUE(settings.WorkspaceStatusBar.Value().value_or(true));

    settings.NightVision.Set(true);
    ASSERT_TRUE(settings.Save());
    const std::string file = ReadFile(FilePath());
    EXPECT_NE(file.find("\nCreateStatusCsvFile=yes\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\nGpsLogEnabled=\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\nNightVision=TRUE\n"), std::string::npos) << file;
}

TEST_F(SettingsTest, ReadOnlyKeysEditedInTheFileAreReadAndKept) {
    WriteSettings("NofFrameProcessorThreads=12\nDarkFlatDelaySeconds=3\nRaTrackingSpeedE5=400\nTelescopeRates.Sim=1;2\n");
    settings.Load();
    EXPECT_EQ(settings.NofFrameProcessorThreads, "12");
    settings.NofFrameProcessorThreads = "1";
    settings.DarkFlatDelaySeconds = 99;
    ASSERT_TRUE(settings.Save());
    const std::string file = ReadFile(FilePath());
    EXPECT_EQ(file.rfind("[Settings]\nNofFrameProcessorThreads=12\nDarkFlatDelaySeconds=3\nRaTrackingSpeedE5=400\n"
                         "TelescopeRates.Sim=1;2\n",
                         0),
              0u)
        << file;
}

TEST_F(SettingsTest, HandEditedFileKeepsCommentUnknownKeyAndMalformedLineThroughASave) {
    const std::string comment = "; camera on the 8-inch, changed by hand";
    const std::string unknown = "FutureOption= two  blanks\\and a backslash ";
    const std::string malformed = "this line has no equals sign";
    WriteFile(FilePath(), comment + "\n[Settings]\n" + unknown + "\n" + malformed + "\nFitsDirectory=/fits ☉ \n");
    settings.Load();
    EXPECT_EQ(settings.FitsDirectory, "/fits ☉ ");
    settings.SerDirectory = "/ser";
    ASSERT_TRUE(settings.Save());

    const std::string file = ReadFile(FilePath());
    EXPECT_EQ(file.rfind(comment + "\n[Settings]\n" + unknown + "\n" + malformed + "\nFitsDirectory=/fits ☉ \n", 0), 0u)
        << file;
    EXPECT_NE(file.find("\nSerDirectory=/ser\n"), std::string::npos) << file;
    Settings& again = Reloaded();
    EXPECT_EQ(again.FitsDirectory, "/fits ☉ ");
    EXPECT_EQ(again.SerDirectory, "/ser");
    ASSERT_TRUE(again.Save());
    EXPECT_EQ(ReadFile(FilePath()), file) << "a second save changes nothing";
}

TEST_F(SettingsTest, SelectionSettersSaveAndPublishOnlyOnChange) {
    settings.Load();
    const struct {
        const char* name;
        bool (Settings::*set)(const std::string&);
        const std::string& (Settings::*get)() const;
        const char* key;
        const char* topic;  // nullptr: nothing is published
    } cases[] = {
        {"instrument", &Settings::SelectedInstrumentName, &Settings::SelectedInstrumentName, "SelectedInstrumentName",
         kTopicInstrumentChanged},
        {"site", &Settings::SelectedSiteName, &Settings::SelectedSiteName, "SelectedSiteName", nullptr},
        {"mount", &Settings::SelectedMountName, &Settings::SelectedMountName, "SelectedMountName", nullptr},
        {"observer", &Settings::SelectedObserverName, &Settings::SelectedObserverName, "SelectedObserverName", nullptr},
        {"program", &Settings::PlateSolvingProgram, &Settings::PlateSolvingProgram, "PlateSolvingProgram",
         kTopicSolverChanged},
        {"astrometry.net path", &Settings::PlateSolvingAstrometryNetPath, &Settings::PlateSolvingAstrometryNetPath,
         "PlateSolvingAstrometryNetPath", kTopicSolverChanged},
        {"api key", &Settings::PlateSolvingAstrometryNetApiKey, &Settings::PlateSolvingAstrometryNetApiKey,
         "PlateSolvingAstrometryNetApiKey", kTopicSolverChanged},
        {"ansvr path", &Settings::PlateSolvingAnsvrPath, &Settings::PlateSolvingAnsvrPath, "PlateSolvingAnsvrPath",
         kTopicSolverChanged},
    };
    for (const auto& c : cases) {
        recorder.topics.clear();
        EXPECT_TRUE((settings.*c.set)("Value A")) << c.name;
        EXPECT_EQ((settings.*c.get)(), "Value A") << c.name;
        EXPECT_NE(ReadFile(FilePath()).find(std::string("\n") + c.key + "=Value A\n"), std::string::npos) << c.name;
        const std::vector<std::string> once = c.topic ? std::vector<std::string>{c.topic} : std::vector<std::string>{};
        EXPECT_EQ(recorder.topics, once) << c.name;

        // The same text again: no save, no publish.
        std::filesystem::remove(FilePath());
        EXPECT_FALSE((settings.*c.set)("Value A")) << c.name;
        EXPECT_FALSE(std::filesystem::exists(FilePath())) << c.name;
        EXPECT_EQ(recorder.topics, once) << c.name;

        // Case counts; a later plain Save publishes nothing more.
        EXPECT_TRUE((settings.*c.set)("value a")) << c.name;
        recorder.topics.clear();
        settings.Save();
        EXPECT_TRUE(recorder.topics.empty()) << c.name;
    }
}

TEST_F(SettingsTest, TelescopeRatesArePerDriverAndWrittenAtOnce) {
    settings.Load();
    settings.FitsDirectory = "/not/saved/yet";
    EXPECT_EQ(settings.GetTelescopeRates("ASCOM.Simulator.Telescope"), "");
    ASSERT_TRUE(settings.SetTelescopeRates("ASCOM.Simulator.Telescope", "0.5;1;2"));
    ASSERT_TRUE(settings.SetTelescopeRates("Other", "9"));
    Settings& again = Reloaded();
    EXPECT_EQ(again.GetTelescopeRates("ASCOM.Simulator.Telescope"), "0.5;1;2");
    EXPECT_EQ(again.GetTelescopeRates("Other"), "9");
    EXPECT_EQ(again.FitsDirectory, "");  // only the rates were written
}

TEST_F(SettingsTest, SaveBeforeLoadKeepsWhatTheFileHolds) {
    WriteSettings("TelescopeRates.Sim=1;2\nNofFrameProcessorThreads=3\n");
    settings.FitsDirectory = "/fits";
    ASSERT_TRUE(settings.Save());
    const Settings& again = Reloaded();
    EXPECT_EQ(again.FitsDirectory, "/fits");
    EXPECT_EQ(again.NofFrameProcessorThreads, "3");
    EXPECT_EQ(reloaded->GetTelescopeRates("Sim"), "1;2");
}

TEST_F(SettingsTest, BadFilesLoadDefaultsForWhatTheyLackWithOneWarning) {
    const std::string path = FilePath();
    const struct {
        const char* name;
        std::string content;  // empty with directory=true: the path is a folder
        bool directory;
        const char* warning;
        const char* fitsDirectory;
    } cases[] = {
        {"missing", "", false, "W Settings file not found, using defaults: ", ""},
        {"unreadable", "", true, "W Settings file unreadable (Is a directory), using defaults: ", ""},
        {"truncated", "[Settings]\nFitsDirectory=/fits\nLogDirectory=/lo", false,
         "W Settings file damaged (line 3), using defaults for missing values: ", "/fits"},
        {"garbage", "\x01\x02garbage\n%%%%\n[Settings]\nFitsDirectory=/fits\nnoise\n", false,
         "W Settings file damaged (line 1), using defaults for missing values: ", "/fits"},
        {"no section", "FitsDirectory=/fits\n", false,
         "W Settings file damaged (line 1), using defaults for missing values: ", ""},
        {"other section only", "[Other]\nFitsDirectory=/fits\n", false,
         "W Settings file damaged (no [Settings] section), using defaults for missing values: ", ""},
        {"zero-filled", std::string(300, '\0'), false,
         "W Settings file damaged (line 1), using defaults for missing values: ", ""},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(path);
        if (c.directory) {
            std::filesystem::create_directory(path);
        } else if (std::string(c.name) != "missing") {
            WriteFile(path, c.content);
        }
        test::LogCapture log;
        Settings& s = Reloaded();
        EXPECT_EQ(s.FitsDirectory, c.fitsDirectory) << c.name;
        EXPECT_EQ(s.PreviewZoomFactor, 100) << c.name;
        EXPECT_EQ(s.LogDirectory, "") << c.name;
        EXPECT_EQ(s.NofFrameProcessorThreads, "6") << c.name;
        const std::string warning = c.warning + path;
        EXPECT_EQ(s.LoadWarning(), warning) << c.name;
        std::vector<std::string> logged = {warning};
        if (c.directory) {
            logged.push_back("W Settings file is left as it is, nothing is saved until the next start, no copy could "
                             "be kept: " + path);
        }
        EXPECT_EQ(log.Messages(), logged) << c.name;
        s.LogLoadWarning();  // already logged
        EXPECT_EQ(log.Messages().size(), logged.size()) << c.name;
    }
}

TEST_F(SettingsTest, LoadWarningWaitsForTheLogAndIsLoggedOnce) {
    WriteSettings("LogDirectory=/lo");  // cut off
    ASSERT_FALSE(IsLogOpen());
    settings.Load();
    EXPECT_FALSE(settings.LoadWarning().empty());
    test::LogCapture log;
    settings.LogLoadWarning();
    settings.LogLoadWarning();
    EXPECT_EQ(log.Messages(), std::vector<std::string>{settings.LoadWarning()});
}

TEST_F(SettingsTest, WholeFileLoadsWithoutWarning) {
    settings.Save();
    test::LogCapture log;
    Reloaded();
    EXPECT_EQ(reloaded->LoadWarning(), "");
    EXPECT_TRUE(log.Messages().empty());
}

// A file that is there but cannot be read (here: larger than any settings file, which
// works also for root, whom permissions do not stop) is never replaced by the defaults:
// every save is refused, the user is told once, and a copy is kept once.
TEST_F(SettingsTest, AnUnreadableFileIsNeverOverwrittenAndIsKeptAsACopy) {
    const std::string original =
        "[Settings]\nFitsDirectory=/mine\n; " + std::string(IniFile::kMaxFileSize, 'x') + "\n";
    WriteFile(FilePath(), original);
    test::FakeUiServices ui;
    test::LogCapture log;
    settings.SetUiServices(&ui);
    settings.Load();
    EXPECT_TRUE(settings.IsFileProtected());
    EXPECT_EQ(settings.FitsDirectory, "");
    settings.FitsDirectory = "/defaults";
    EXPECT_FALSE(settings.Save());
    EXPECT_TRUE(settings.SelectedInstrumentName("New"));
    EXPECT_FALSE(settings.SetTelescopeRates("Sim", "1"));
    EXPECT_TRUE(ReadFile(FilePath()) == original);
    EXPECT_TRUE(ReadFile(FilePath() + ".unreadable") == original);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text.rfind("The settings file " + FilePath() + " could not be read (", 0), 0u);
    EXPECT_NE(ui.messages[0].text.find("A copy of it is kept as " + FilePath() + ".unreadable."), std::string::npos);
    EXPECT_EQ(log.MessagesStartingWith("E Settings::Save refused").size(), 1u);

    // The next start finds the same file: no second copy. A save before any load refuses too.
    Settings& again = Reloaded();
    EXPECT_TRUE(again.IsFileProtected());
    Settings unloaded(dir.Path(), center);
    EXPECT_FALSE(unloaded.Save());
    EXPECT_TRUE(ReadFile(FilePath()) == original);
    EXPECT_FALSE(std::filesystem::exists(FilePath() + ".unreadable-2"));
}

// A save that fails is shown, once while saves keep failing, and again after one worked.
TEST_F(SettingsTest, AFailedSaveIsShown) {
    test::FakeUiServices ui;
    settings.SetUiServices(&ui);
    settings.Load();
    std::filesystem::create_directories(FilePath() + "/inside");
    EXPECT_FALSE(settings.Save());
    EXPECT_FALSE(settings.Save());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Error");
    EXPECT_EQ(ui.messages[0].text.rfind("Failed to save the settings (cannot replace " + FilePath(), 0), 0u)
        << ui.messages[0].text;
    std::filesystem::remove_all(FilePath());
    EXPECT_TRUE(settings.Save());
    std::filesystem::remove(FilePath());
    std::filesystem::create_directories(FilePath() + "/inside");
    EXPECT_FALSE(settings.Save());
    EXPECT_EQ(ui.messages.size(), 2u);
}

TEST_F(SettingsTest, FailedSaveIsLoggedReportedAndKeepsTheOldFile) {
    settings.Load();
    settings.FitsDirectory = "/kept";
    ASSERT_TRUE(settings.Save());
    const std::string before = ReadFile(FilePath());

    // The settings file has become a folder: nothing can be written over it.
    std::filesystem::rename(FilePath(), dir.File("moved.ini"));
    std::filesystem::create_directory(FilePath());
    WriteFile(FilePath() + "/inside", "x");
    test::LogCapture log;
    settings.FitsDirectory = "/lost";
    EXPECT_TRUE(settings.SelectedInstrumentName("New"));  // its save fails, the change still counts
    EXPECT_FALSE(settings.Save());
    EXPECT_FALSE(settings.SetTelescopeRates("Sim", "1"));
    EXPECT_EQ(recorder.topics, std::vector<std::string>{kTopicInstrumentChanged});
    const auto errors = log.MessagesStartingWith("E ");
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[0].rfind("E Settings::Save failed, the previous file is kept: cannot replace " + FilePath(), 0),
              0u)
        << errors[0];
    EXPECT_EQ(errors[2].rfind("E Settings::SetTelescopeRates failed, the previous file is kept: ", 0), 0u)
        << errors[2];
    EXPECT_EQ(ReadFile(FilePath() + "/inside"), "x");
    EXPECT_EQ(ReadFile(dir.File("moved.ini")), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);  // no temporary left
}

TEST_F(SettingsTest, SaveCreatesTheConfigurationFolder) {
    Settings nested(dir.Path() + "/ORVA/deeper", center);
    nested.Load();
    ASSERT_TRUE(nested.Save());
    EXPECT_EQ(ReadFile(dir.Path() + "/ORVA/deeper/ORVA Cam Control.ini"), kDefaultFile);
}

}  // namespace
}  // namespace orva
