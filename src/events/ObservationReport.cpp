#include "events/ObservationReport.h"

#include "common/AppPaths.h"
#include "common/IUiServices.h"
#include "common/Log.h"
#include "events/ProcessLauncher.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace orva {
namespace {

namespace fs = std::filesystem;

constexpr const char* kErrorTitle = "Error";
constexpr const char* kWarningTitle = "Warning";

bool KeptInFileName(unsigned char c) {
    return c >= 40 && c <= 126 && c != '/' && c != ':' && c != ';' && c != '\\' && c != '`' && c != '@';
}

}  // namespace

ObservationReport::ObservationReport(std::string templatePath, IUiServices& ui, ProcessLauncher& launcher)
    : templatePath_(std::move(templatePath)), ui_(ui), launcher_(launcher) {}

std::string ObservationReport::DefaultTemplatePath() { return AppPaths::ProgramDataFile(kTemplateFileName); }

std::optional<std::vector<std::string>> ObservationReport::LoadTemplate() {
    LogMessageString("I Using report template: ", templatePath_);
    std::ifstream in(templatePath_, std::ios::binary);
    if (!in) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            ui_.ShowMessage("Report template file not found",
                            "Make sure the file report_template.txt exists in the program directory.",
                            MessageIcon::Warning);
        } else if (error == EACCES || error == EPERM) {
            ui_.ShowMessage("Report template file inaccessible",
                            "Make sure the file report_template.txt exists in the program directory and has the "
                            "correct permissions.",
                            MessageIcon::Warning);
        } else {
            ui_.ShowMessage(kWarningTitle,
                            "Failed to open the report template file. Make sure the file report_template.txt exists "
                            "in the program directory and the program has the right to access the file.",
                            MessageIcon::Warning);
        }
        return std::nullopt;
    }
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!in.eof()) line += '\n';
        if (lines.size() == kMaxTemplateLines) {
            ui_.ShowMessage(kWarningTitle, "Report template file too big. Please use a smaller report template.",
                            MessageIcon::Warning);
            return std::nullopt;
        }
        lines.push_back(std::move(line));
    }
    if (in.bad()) {
        ui_.ShowMessage(kWarningTitle,
                        "Failed to open the report template file. Make sure the file report_template.txt exists in "
                        "the program directory and the program has the right to access the file.",
                        MessageIcon::Warning);
        return std::nullopt;
    }
    return lines;
}

std::string ObservationReport::FileName(const std::string& nameTemplate, const PlaceholderMap& map) {
    std::string name;
    for (const char c : ReportPlaceholders::Fill(nameTemplate, map)) {
        if (KeptInFileName(static_cast<unsigned char>(c))) name += c;
    }
    return name;
}

bool ObservationReport::Write(const std::string& path, const std::vector<std::string>& lines,
                              const PlaceholderMap& map) {
    const std::string temporary = path + ".writing";
    bool ok = false;
    int error = 0;
    if (std::FILE* f = std::fopen(temporary.c_str(), "wb")) {
        ok = true;
        for (const std::string& line : lines) {
            const std::string filled = ReportPlaceholders::Fill(line, map);
            ok = ok && std::fwrite(filled.data(), 1, filled.size(), f) == filled.size();
        }
        ok = std::fflush(f) == 0 && ok && ::fsync(fileno(f)) == 0;
        if (!ok) error = errno;
        ok = std::fclose(f) == 0 && ok;
        if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
            ok = false;
            error = errno;
        }
        if (!ok) std::remove(temporary.c_str());
    } else {
        error = errno;
    }
    if (!ok) {
        LogMessageString("E Failed to write the report file", path);
        ui_.ShowMessage(kErrorTitle,
                        "The report could not be written to " + path + " (" + std::strerror(error != 0 ? error : EIO) +
                            "). Please check the reports directory and try again.",
                        MessageIcon::Error);
    }
    return ok;
}

ObservationReport::Result ObservationReport::OpenInEditor(Result result, const std::string& editor) {
    const ProcessLauncher::Started started = launcher_.Start({editor, result.path});
    if (started.ok()) {
        result.outcome = Outcome::Opened;
        return result;
    }
    ui_.ShowMessage(kErrorTitle,
                    "The report was written to " + result.path + ", but the text editor '" + editor +
                        "' could not be started (" + std::strerror(-started.result) +
                        "). Please check the report editor in the settings.",
                    MessageIcon::Error);
    result.outcome = Outcome::EditorFailed;
    return result;
}

ObservationReport::Result ObservationReport::Create(const OwEvent* event, const EquipmentLists& lists,
                                                     const Options& options) {
    Result result;
    if (event == nullptr) return result;
    std::string directory = options.reportsDirectory;
    if (directory.empty() || directory.back() != '/') directory += '/';
    std::error_code ec;
    if (options.reportsDirectory.empty() || !fs::is_directory(directory, ec)) {
        ui_.ShowMessage(kErrorTitle,
                        "The path specified for the reports directory is invalid. Please open the settings menu, make "
                        "sure the specified path exists and try again.",
                        MessageIcon::Error);
        result.outcome = Outcome::InvalidDirectory;
        return result;
    }
    const std::optional<std::vector<std::string>> lines = LoadTemplate();
    if (!lines) {
        result.outcome = Outcome::NoTemplate;
        return result;
    }
    const PlaceholderMap map = ReportPlaceholders::Build(*event, lists);
    const std::string name = FileName(
        options.fileNameTemplate.empty() ? std::string(kDefaultFileNameTemplate) : options.fileNameTemplate, map);
    if (name.find_first_not_of('.') == std::string::npos) {
        ui_.ShowMessage(kErrorTitle,
                        "The report file name template gives no usable file name. Please correct it in the settings.",
                        MessageIcon::Error);
        result.outcome = Outcome::InvalidFileName;
        return result;
    }
    result.path = directory + name;
    if (options.headless) result.outcome = Outcome::Saved;
    if (fs::exists(result.path, ec) &&
        !(options.headless ? options.replace
                           : ui_.AskYesNo("Report exists",
                                          "The report " + result.path +
                                              " already exists and may hold your changes. Do you want to replace it? "
                                              "Choose No to open the existing report."))) {
        return options.headless ? result : OpenInEditor(result, options.editor);
    }
    if (!Write(result.path, *lines, map)) {
        result.outcome = Outcome::WriteFailed;
        return result;
    }
    result.written = true;
    return options.headless ? result : OpenInEditor(result, options.editor);
}

}  // namespace orva
