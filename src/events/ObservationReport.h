#pragma once
// Writes the observation report of an event: the report template (a text file shipped
// with the program) with every placeholder replaced, saved in the reports folder under a
// name made from the file-name template, then opened in the observer's text editor.
//
// The report is the observer's document once written: an existing report is replaced
// only when the observer agrees (otherwise the existing one is opened), and a report is
// written whole into a temporary file first, so a failed write leaves an existing report
// as it was. A failed write is shown and the editor is not started.
//
// Threads: GUI thread only.

#include "events/EquipmentLists.h"
#include "events/OwEvent.h"
#include "events/ReportPlaceholders.h"

#include <optional>
#include <string>
#include <vector>

namespace orva {

class IUiServices;
class ProcessLauncher;

class ObservationReport {
public:
    static constexpr const char* kTemplateFileName = "report_template.txt";
    static constexpr const char* kDefaultFileNameTemplate =
        "Report_{{EVENT_DATE_YYYYMMDD}}__{{EVENT_ASTEROID_NR}}_{{EVENT_ASTEROID_NAME}}.txt";
    static constexpr std::size_t kMaxTemplateLines = 511;

    enum class Outcome {
        NoEvent,
        InvalidDirectory,  // the reports folder does not exist (shown)
        NoTemplate,        // the template could not be read (shown)
        InvalidFileName,   // nothing of the file name is left (shown)
        WriteFailed,       // shown; the editor is not started
        EditorFailed,      // written, but the editor could not be started (shown)
        Opened,            // written (or kept, see below) and handed to the editor
        Saved,             // written (or kept), no editor asked for (see Options)
    };
    struct Result {
        Outcome outcome = Outcome::NoEvent;
        std::string path;
        bool written = false;  // false with Opened or Saved: the existing report was kept
    };

    struct Options {
        std::string reportsDirectory;
        std::string fileNameTemplate;  // empty: kDefaultFileNameTemplate
        std::string editor;            // a program path or a name on PATH
        // Without a screen (the command line): no editor is started, and an existing
        // report is replaced only with `replace`, without asking.
        bool headless = false;
        bool replace = false;
    };

    // templatePath: usually DefaultTemplatePath().
    ObservationReport(std::string templatePath, IUiServices& ui, ProcessLauncher& launcher);

    // The installed template ("<prefix>/share/orva/report_template.txt" beside the
    // program's "bin" folder, or beside the program itself), else the source tree's copy
    // (a program run from its build tree).
    static std::string DefaultTemplatePath();

    // "Create Report..." of the details view.
    Result Create(const OwEvent* event, const EquipmentLists& lists, const Options& options);

    // The template's lines, line ends turned into "\n"; empty (shown) when it cannot be
    // read or has more than kMaxTemplateLines lines.
    std::optional<std::vector<std::string>> LoadTemplate();

    // The file-name template filled in and cut to the bytes from "(" to "~", without
    // "/", ":", ";", "\", "`" and "@" (so blanks and non-ASCII letters are dropped).
    static std::string FileName(const std::string& nameTemplate, const PlaceholderMap& map);

private:
    bool Write(const std::string& path, const std::vector<std::string>& lines, const PlaceholderMap& map);
    Result OpenInEditor(Result result, const std::string& editor);

    std::string templatePath_;
    IUiServices& ui_;
    ProcessLauncher& launcher_;
};

}  // namespace orva
