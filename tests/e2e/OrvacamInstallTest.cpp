// What `cmake --install` puts into a fresh prefix: both programs, the desktop entry that
// puts the station into the application menu, and its icon; the installed station
// answers --version. Built only with the GUI (the desktop station is installed with it).

#ifdef ORVA_HAS_GUI

#include "common/ProgramVersion.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace orva {
namespace {

// Runs a shell command; its stdout and stderr, and its exit status.
std::string RunShell(const std::string& command, int& status) {
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        status = -1;
        return output;
    }
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    status = pclose(pipe);
    return output;
}

TEST(OrvacamInstall, PutsTheProgramsDesktopEntryAndIconInPlace) {
    const auto build = std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path();
    test::TempDir prefix;
    int status = 0;
    const std::string log =
        RunShell("cmake --install '" + build.string() + "' --prefix '" + prefix.Path() + "'", status);
    ASSERT_EQ(status, 0) << log;

    const std::string bin = prefix.File("bin/orvacam");
    const std::string entry = prefix.File("share/applications/orvacam.desktop");
    for (const std::string& path : {bin, prefix.File("bin/orvacam-cli"), entry,
                                    prefix.File("share/icons/hicolor/scalable/apps/orvacam.svg"),
                                    prefix.File("share/orva/report_template.txt"),
                                    prefix.File("share/orva/tycho2-regions.csv")}) {
        EXPECT_TRUE(std::filesystem::is_regular_file(path)) << path << "\n" << log;
    }
    EXPECT_NE(std::filesystem::status(bin).permissions() & std::filesystem::perms::owner_exec,
              std::filesystem::perms::none);

    // The entry starts the installed program by name and shows the installed icon.
    const std::string text = test::ReadFile(entry);
    EXPECT_NE(text.find("\nExec=orvacam\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nIcon=orvacam\n"), std::string::npos) << text;
    if (std::system("command -v desktop-file-validate >/dev/null") == 0) {
        const std::string problems = RunShell("desktop-file-validate '" + entry + "'", status);
        EXPECT_EQ(status, 0) << problems;
    }

    // No display needed to ask the version.
    const std::string version = RunShell("env -u DISPLAY '" + bin + "' --version", status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(version, "orvacam " + ProgramVersionText() + "\n");
}

}  // namespace
}  // namespace orva

#endif  // ORVA_HAS_GUI
