#include "EventWindowsFixture.h"
#include "common/ProgramVersion.h"
#include "events/ReportPlaceholders.h"

#include <fstream>

namespace orva {
namespace {

namespace fs = std::filesystem;
using test::EventWindowsTest;
using test::ReadFile;
using test::WriteFile;

// A report template of ours for the tests: a few lines with placeholders of every source,
// one placeholder that no source fills, and a last line without line end.
const char* const kTemplate =
    "Report {{EVENT_ASTEROID_NR}}|{{EVENT_ASTEROID_NAME}}|{{EVENT_STAR_NAME}}|\r\n"
    "{{EVENT_DATE_TIME}} {{EVENT_PREDICTED_TIME}} {{EVENT_PROBABILITY}}\n"
    "D {{D_TYPE}} {{D_TIME}} {{D_ACCURACY_SEC}} R {{R_TYPE}} {{R_TIME_SODIS}} {{R_ACCURACY_SEC}} "
    "{{DURATION_SEC}} {{OCCULTATION_NEGATIVE_POSITIVE}}\n"
    "{{OBSERVER_NAME}} <{{OBSERVER_EMAIL}}> {{SITE_LONGITUDE}} {{SITE_LONGITUDE_SODIS}} {{SITE_LATITUDE_SODIS}}\n"
    "{{TELESCOPE_NAME}} {{TELESCOPE_FOCAL_LENGTH}} {{TELESCOPE_FOCAL_LENGTH_CM}} {{TELESCOPE_APERTURE_CM}} "
    "{{TELESCOPE_TYPE_SHORT}} {{MOUNT_NAME}}\n"
    "{{RECORDING_START}} {{RECORDING_END_SODIS}} {{CAMERA_EXPOSURE_TIME_SEC}} {{RECORDING_SEEING}} "
    "{{RECORDING_WIND_BFT}}|{{UNKNOWN}}|{{CAMERA_GAIN}}\n"
    "{{ORVA_SOFTWARE_NAME}} {{ORVA_SOFTWARE_VERSION}} \xC3\xA4";

class ReportTest : public EventWindowsTest {
protected:
    ReportTest() {
        WriteFile(templateFile, kTemplate);
        observers.Add("Jane Doe");
        observers.Find("Jane Doe")->SetText("Email", "jane@example.org");
        sites.Add("Backyard");
        sites.Find("Backyard")->SetReal("Lat", -33.25);
        sites.Find("Backyard")->SetReal("Lon", 12.5);
        instruments.Add("C8");
        instruments.Find("C8")->SetInteger("FocalLength", 2032);
        instruments.Find("C8")->SetInteger("Aperture", 203);
        instruments.Find("C8")->SetReal("FlFactor", 0.63);
        instruments.Find("C8")->SetText("Type", "SCT");
        instruments.Add("Refractor 80");
        instruments.Find("Refractor 80")->SetInteger("FocalLength", 480);
        mounts.Add("EQ6");
        // The instrument selected now is not the one the event was recorded with.
        settings.SelectedInstrumentName("Refractor 80");

        id = AddShownEvent();
        store.UpdateEvent(id, [](OwEvent& e) {
            e.Probability = 75.0;
            e.RecordingObserver = "Jane Doe";
            e.RecordingObservingSite = "Backyard";
            e.RecordingInstrument = "C8";
            e.RecordingMount = "EQ6";
            e.RecordingStartTimestamp_valid = 1;
            e.RecordingStartTimestamp_ms = 77400000;
            e.RecordingEndTimestamp_valid = 1;
            e.RecordingEndTimestamp_ms = 77460500;
            e.CameraExposureTime = "40.5 ms";
            e.RecordingSeeing = " ";
            e.RecordingWindBft = 2.6;
            e.DType = "D";
            e.DTimestamp_valid = 1;
            e.DTimestamp_ms = 86399000;  // 23:59:59.000
            e.DTimestamp_acc_ms = 40;
            e.RType = "R";
            e.RTimestamp_valid = 1;
            e.RTimestamp_ms = 1500;  // 00:00:01.500, after midnight
            e.RTimestamp_acc_ms = 1250;
        });
        settings.ReportEditor = WriteScript("editor", "printf '%s\\n' \"$#\" \"$@\" > \"$0.args.tmp\"\n"
                                                      "mv \"$0.args.tmp\" \"$0.args\"");
    }

    std::string EditorArgs() const { return programsDir.File("editor.args"); }

    std::string templateFile = programsDir.File("template.txt");
    ObservationReport ownReport{templateFile, ui, launcher};
    OccultationDetailsModel ownDetails{{store, ui, lists, settings, ownReport, planetarium, launcher}};
    OwEventId id = 0;
};

const char* const kExpectedReport =
    "Report 16|Psyche         |TYC 1234-567-1      |\n"
    "2024 Mar 05, 21:30 (UTC) 21 30 12.250 75.0\n"
    "D D 23 59 59.000 0.040 R R 00:00:01.500 1.250 2.500 POSITIVE\n"
    "Jane Doe <jane@example.org> E012 30' 00.000\" +012 30 00.000 -33 15 00.000\n"
    "C8 1280 128.0 20.3 3 EQ6\n"
    "21 30 00.000 21:31:00.500 0.041 _ 3|{{UNKNOWN}}|{{CAMERA_GAIN}}\n"
    "ORVA Cam Control ";

TEST_F(ReportTest, CreateReportWritesTheFilledTemplateAndOpensItInTheEditor) {
    ownDetails.Show(id);
    const ObservationReport::Result r = ownDetails.CreateReport();
    ASSERT_EQ(r.outcome, ObservationReport::Outcome::Opened);
    EXPECT_TRUE(r.written);
    EXPECT_EQ(r.path, reportsDir.Path() + "/Report_20240305__16_Psyche.txt");
    EXPECT_EQ(ReadFile(r.path), std::string(kExpectedReport) + ProgramVersionWithBuild() + " \xC3\xA4");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(log.Contains("I Using report template:  " + templateFile));

    // The editor got the report's path as its one argument.
    ASSERT_TRUE(AwaitFile(EditorArgs()));
    EXPECT_EQ(ReadFile(EditorArgs()), "1\n" + r.path + "\n");
    // A quick editor may have ended before the launcher looked.
    EXPECT_EQ(log.MessagesStartingWith("I Process successfully started with ID ").size() +
                  log.MessagesStartingWith("E Failed to confirm process start.").size(),
              1u);
}

// Texts from outside (the feed, an Occult file) may hold what looks like a placeholder:
// the report shows it as it is, never the value of another placeholder.
TEST_F(ReportTest, APlaceholderInsideAValueIsNotFilledAgain) {
    store.UpdateEvent(id, [](OwEvent& e) {
        e.StarName = "HIP {{OBSERVER_EMAIL}}";
        e.AsteroidName = "(16) {{ORVA_SOFTWARE_NAME}}";
    });
    ownDetails.Show(id);
    const ObservationReport::Result r = ownDetails.CreateReport();
    ASSERT_TRUE(r.written);
    const std::string report = ReadFile(r.path);
    EXPECT_EQ(report.rfind("Report 16|{{ORVA_SOFTWARE_NAME}}|HIP {{OBSERVER_EMAIL}}|\n", 0), 0u) << report;
    EXPECT_EQ(report.find("jane@example.org"), report.find("<jane@example.org>") + 1) << "only where the template has it";

    const PlaceholderMap map = {{"{{A}}", "a{{B}}"}, {"{{B}}", "b{{A}}"}, {"{{C}}", "c"}};
    const struct {
        const char* text;
        const char* filled;
    } cases[] = {
        {"{{A}}|{{B}}|{{C}}", "a{{B}}|b{{A}}|c"},
        {"{{{{C}}}}", "{{c}}"},
        {"{{X {{C}}", "{{X c"},
        {"{{A}", "{{A}"},
        {"}}{{C}}{{", "}}c{{"},
        {"no placeholder", "no placeholder"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ReportPlaceholders::Fill(c.text, map), c.filled) << c.text;
}

TEST_F(ReportTest, AnExistingReportIsReplacedOnlyWhenTheObserverAgrees) {
    ownDetails.Show(id);
    const std::string path = reportsDir.Path() + "/Report_20240305__16_Psyche.txt";
    WriteFile(path, "my edited report");
    ui.yesNoReplies.push_back(false);
    ObservationReport::Result r = ownDetails.CreateReport();
    EXPECT_EQ(r.outcome, ObservationReport::Outcome::Opened);
    EXPECT_FALSE(r.written);
    EXPECT_EQ(ReadFile(path), "my edited report");
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0].title, "Report exists");
    ASSERT_TRUE(AwaitFile(EditorArgs()));  // the existing report is opened

    ui.yesNoReplies.push_back(true);
    r = ownDetails.CreateReport();
    EXPECT_TRUE(r.written);
    EXPECT_NE(ReadFile(path), "my edited report");
}

TEST_F(ReportTest, FailedWriteIsShownAndTheEditorIsNotStarted) {
    ownDetails.Show(id);
    // A folder in the way of the file being written.
    fs::create_directories(reportsDir.Path() + "/Report_20240305__16_Psyche.txt.writing/x");
    const ObservationReport::Result r = ownDetails.CreateReport();
    EXPECT_EQ(r.outcome, ObservationReport::Outcome::WriteFailed);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Error");
    EXPECT_TRUE(log.MessagesStartingWith("I Process successfully started").empty());
    EXPECT_FALSE(fs::exists(reportsDir.Path() + "/Report_20240305__16_Psyche.txt"));
}

TEST_F(ReportTest, EditorThatCannotStartAndBadSettingsAreShown) {
    ownDetails.Show(id);
    settings.ReportEditor = programsDir.File("no-such-editor");
    EXPECT_EQ(ownDetails.CreateReport().outcome, ObservationReport::Outcome::EditorFailed);
    EXPECT_TRUE(log.Contains("E Failed to start process: " + programsDir.File("no-such-editor")));

    settings.ReportsDirectory = reportsDir.File("missing");
    EXPECT_EQ(ownDetails.CreateReport().outcome, ObservationReport::Outcome::InvalidDirectory);
    settings.ReportsDirectory = reportsDir.Path();
    settings.ReportFileNameTemplate = " /:;@`\\ ";
    EXPECT_EQ(ownDetails.CreateReport().outcome, ObservationReport::Outcome::InvalidFileName);
    ASSERT_EQ(ui.messages.size(), 3u);
    EXPECT_EQ(ui.messages[1].text,
              "The path specified for the reports directory is invalid. Please open the settings menu, make sure the "
              "specified path exists and try again.");

    details.Show(0);
    EXPECT_EQ(details.CreateReport().outcome, ObservationReport::Outcome::NoEvent);
}

TEST_F(ReportTest, TemplateOf511LinesIsReadOneOf512IsRefused) {
    std::string lines;
    for (int i = 0; i < 511; ++i) lines += "line\n";
    WriteFile(templateFile, lines);
    EXPECT_TRUE(ownReport.LoadTemplate().has_value());
    WriteFile(templateFile, lines + "one more");
    EXPECT_FALSE(ownReport.LoadTemplate().has_value());
    ObservationReport missing(programsDir.File("none.txt"), ui, launcher);
    EXPECT_FALSE(missing.LoadTemplate().has_value());
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, "Report template file too big. Please use a smaller report template.");
    EXPECT_EQ(ui.messages[1].title, "Report template file not found");
}

TEST_F(ReportTest, ShippedTemplateHasEveryPlaceholderFilledForACompleteEvent) {
    store.UpdateEvent(id, [](OwEvent& e) {
        e.OwEventInfoVersion = 2;
        e.FeedName = "Feed";
        e.RecordingFormat = "ADV";
        e.CameraGainDb = "12 dB";
        e.CameraModelName = "M";
        e.CameraSerialNr = "1";
        e.CameraSensorName = "S";
        e.CameraBinning = "1x1";
        e.CameraWh = "640x480";
    });
    const PlaceholderMap map = ReportPlaceholders::Build(*store.Find(id), lists);
    const std::string shipped = ReadFile(ObservationReport::DefaultTemplatePath());
    ASSERT_FALSE(shipped.empty());
    const std::string filled = ReportPlaceholders::Fill(shipped, map);
    EXPECT_EQ(filled.find("{{"), std::string::npos) << filled;
    // And every placeholder the report knows is in the shipped template.
    for (const auto& [key, value] : map) EXPECT_NE(shipped.find(key), std::string::npos) << key;
}

TEST_F(ReportTest, PlaceholderEdgeCases) {
    OwEvent e = *store.Find(id);
    e.AsteroidName = "Psyche";
    e.DType = "M";
    e.RType = "M";
    e.RecordingStartTimestamp_valid = 0;
    e.RecordingSNR = -9999.0;
    e.RecordingObservingSite = "";
    e.RecordingInstrument = "";
    const PlaceholderMap map = ReportPlaceholders::Build(e, lists);
    EXPECT_EQ(map.at("{{EVENT_ASTEROID_NR}}"), "");
    EXPECT_EQ(map.at("{{EVENT_ASTEROID_NAME}}"), "Psyche              ");
    EXPECT_EQ(map.at("{{OCCULTATION_NEGATIVE_POSITIVE}}"), "NEGATIVE");
    EXPECT_EQ(map.at("{{D_TIME}}"), std::string(12, ' '));
    EXPECT_EQ(map.at("{{RECORDING_START}}"), "XX XX XX.XXX");
    EXPECT_EQ(map.at("{{RECORDING_START_SODIS}}"), "00:00:00.000");
    EXPECT_EQ(map.at("{{RECORDING_SNR}}"), "");
    // No site: both coordinates and their SODIS forms are empty; no instrument: no focal length.
    EXPECT_EQ(map.at("{{SITE_LONGITUDE}}"), "");
    EXPECT_EQ(map.at("{{SITE_LATITUDE_SODIS}}"), "");
    EXPECT_FALSE(map.contains("{{TELESCOPE_FOCAL_LENGTH}}"));
    EXPECT_FALSE(map.contains("{{EVENT_FEED_NAME}}"));

    e.DType = "M";
    e.RType = "R";
    e.SourceOccultXml = 1;
    EXPECT_EQ(ReportPlaceholders::Build(e, lists).at("{{OCCULTATION_NEGATIVE_POSITIVE}}"), "POSITIVE");
    EXPECT_EQ(ReportPlaceholders::Build(e, lists).at("{{EVENT_FEED_NAME}}"), "XML file from Occult");
    sites.Add("West");
    sites.Find("West")->SetReal("Lon", -8.25);
    e.RecordingObservingSite = "West";
    EXPECT_EQ(ReportPlaceholders::Build(e, lists).at("{{SITE_LONGITUDE_SODIS}}"), "-008 15 00.000");
}

TEST(ReportFileName, KeepsOnlyPlainPrintableBytes) {
    const PlaceholderMap map = {{"{{EVENT_ASTEROID_NAME}}", "Ps\xC3\xBF" "che / x:y;z@w`v\\u   "}};
    EXPECT_EQ(ObservationReport::FileName("R_{{EVENT_ASTEROID_NAME}}!.txt", map), "R_Pschexyzwvu.txt");
}

}  // namespace
}  // namespace orva
