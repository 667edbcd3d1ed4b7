#include "common/IniFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>

namespace orva {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(IniFile, KeysAndValuesRoundTripByteExact) {
    const struct {
        const char* name;
        std::string key;
        std::string value;
    } cases[] = {
        {"plain", "LogDirectory", "/home/obs/logs"},
        {"empty value", "FitsDirectory", ""},
        {"leading and trailing blanks", "Name", "  two blanks around  "},
        {"line breaks", "Multi", "first\nsecond\r\nthird\r"},
        {"backslashes", "WinPath", "C:\\Program Files\\astap\\astap_cli.exe\\"},
        {"escape look-alikes", "Tricky", "\\n is not a line break"},
        {"zero byte", "Zero", std::string("a\0b", 3)},
        {"equals in key and value", "TelescopeRates.a=b", "x=1;y=2"},
        {"section-like value", "Bracket", "[Other]"},
        {"comment-like key", ";NotAComment", "#"},
        {"section-like key", "[Key]", "v"},
        {"non-ASCII", "SelectedSiteName", "Sternwarte Köln ☉"},
    };
    for (const auto& c : cases) {
        IniFile out;
        out.Set("Settings", c.key, c.value);
        out.Set("Settings", "After", "still here");
        IniFile in;
        EXPECT_EQ(in.Parse(out.Serialize()), 0u) << c.name << "\n" << out.Serialize();
        EXPECT_EQ(in.Get("Settings", c.key), c.value) << c.name;
        EXPECT_EQ(in.Get("Settings", "After"), "still here") << c.name;
    }
}

TEST(IniFile, WritesOneLinePerKeyInOrder) {
    IniFile f;
    f.Set("Settings", "B", "2");
    f.Set("Settings", "A", "1");
    f.Set("Other", "C", "3");
    f.Set("settings", "b", "two");  // the registry's names ignore case; the first spelling stays
    EXPECT_EQ(f.Serialize(), "[Settings]\nB=two\nA=1\n\n[Other]\nC=3\n");
}

TEST(IniFile, ParseKeepsGoodLinesAndReportsTheFirstBadOne) {
    const struct {
        const char* name;
        std::string text;
        std::size_t firstBad;
        const char* key;            // a key expected to survive (or nullptr)
        const char* absentKey;      // a key expected to be dropped (or nullptr)
    } cases[] = {
        {"clean with comments and CRLF", "; note\r\n[Settings]\r\n\r\nA=1\r\n# x\nB= 2 \n", 0, "B", nullptr},
        {"cut off last line", "[Settings]\nA=1\nB=12", 3, "A", "B"},
        {"line without equals", "[Settings]\ngarbage\nA=1\n", 2, "A", nullptr},
        {"key before any section", "A=1\n[Settings]\nB=2\n", 1, "B", "A"},
        {"bad escape", "[Settings]\nA=x\\q\nB=2\n", 2, "B", "A"},
        {"escape at line end", "[Settings]\nA=x\\\nB=2\n", 2, "B", "A"},
        {"zero-filled tail", std::string("[Settings]\nA=1\n\0\0\0\0\n", 20), 3, "A", nullptr},
        {"unclosed section header", "[Settings\nA=1\n", 1, nullptr, "A"},
        {"empty key", "[Settings]\n=1\nA=1\n", 2, "A", nullptr},
        {"binary noise", std::string("\x7f" "ELF\x02\x01\n\xff\xfe=\n[Settings]\nA=1\n"), 1, "A", nullptr},
    };
    for (const auto& c : cases) {
        IniFile f;
        EXPECT_EQ(f.Parse(c.text), c.firstBad) << c.name;
        if (c.key != nullptr) {
            EXPECT_TRUE(f.Get("Settings", c.key).has_value()) << c.name;
        }
        if (c.absentKey != nullptr) {
            EXPECT_FALSE(f.Get("Settings", c.absentKey).has_value()) << c.name;
        }
    }
    IniFile f;
    f.Parse("[Settings]\nB= 2 \n");
    EXPECT_EQ(f.Get("SETTINGS", "b"), " 2 ");
}

TEST(IniFile, HandEditedLinesAreWrittenBackAsTheyWere) {
    // Everything but the two changed values must come back byte for byte.
    const std::string edited =
        "; written by hand\r\n"
        "\n"
        "[Settings]\r\n"
        "# the observer's note\n"
        "Unknown=  kept \\n as is\r\n"
        "FitsDirectory=/old\n"
        "garbage without equals\n"
        "Bad=escape \\q\n"
        "LogDirectory=/logs\n"
        "Same=unchanged\r\n"
        "\n"
        "[Broken\n"
        "Orphan=1\n"
        "[Other]\n"
        "X=1\n"
        "X=2\n"
        "cut off";
    IniFile f;
    EXPECT_EQ(f.Parse(edited), 7u);
    EXPECT_EQ(f.Get("Settings", "Unknown"), "  kept \n as is");
    EXPECT_EQ(f.Get("Other", "X"), "2") << "the last of a twice-named key counts";
    EXPECT_FALSE(f.Get("Broken", "Orphan").has_value());
    f.Set("Settings", "FitsDirectory", "/new");
    f.Set("Settings", "Same", "unchanged");
    f.Set("Settings", "Added", "a");
    f.Set("Other", "X", "3");
    f.Set("New", "K", "v");
    EXPECT_EQ(f.Serialize(),
              "; written by hand\r\n"
              "\n"
              "[Settings]\r\n"
              "# the observer's note\n"
              "Unknown=  kept \\n as is\r\n"
              "FitsDirectory=/new\n"
              "garbage without equals\n"
              "Bad=escape \\q\n"
              "LogDirectory=/logs\n"
              "Same=unchanged\r\n"
              "Added=a\n"
              "\n"
              "[Broken\n"
              "Orphan=1\n"
              "[Other]\n"
              "X=1\n"
              "X=3\n"
              "cut off\n"
              "\n"
              "[New]\n"
              "K=v\n");
}

TEST(IniFile, LoadTellsMissingUnreadableDamagedAndWholeFilesApart) {
    TempDir dir;
    WriteFile(dir.File("good.ini"), "[Settings]\nA=1\n");
    WriteFile(dir.File("cut.ini"), "[Settings]\nA=1\nB=");
    WriteFile(dir.File("empty.ini"), "");
    std::filesystem::create_directory(dir.File("folder.ini"));
    const struct {
        const char* file;
        IniFile::LoadStatus status;
        bool hasA;
    } cases[] = {
        {"good.ini", IniFile::LoadStatus::Loaded, true},
        {"cut.ini", IniFile::LoadStatus::Damaged, true},
        {"empty.ini", IniFile::LoadStatus::Damaged, false},
        {"missing.ini", IniFile::LoadStatus::Missing, false},
        {"folder.ini", IniFile::LoadStatus::Unreadable, false},
    };
    for (const auto& c : cases) {
        IniFile f;
        f.Set("Settings", "A", "stale");
        EXPECT_EQ(f.Load(dir.File(c.file)).status, c.status) << c.file;
        EXPECT_EQ(f.Get("Settings", "A").has_value(), c.hasA) << c.file;
    }
}

TEST(IniFile, SaveCreatesTheFolderAndLeavesNoTemporaryFile) {
    TempDir dir;
    const std::string path = dir.Path() + "/a/b/settings.ini";
    IniFile f;
    f.Set("Settings", "A", "1");
    std::string error;
    ASSERT_TRUE(f.Save(path, error)) << error;
    EXPECT_EQ(ReadFile(path), "[Settings]\nA=1\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path() + "/a/b"), {}), 1);
}

// Makes writes beyond a size fail as on a full disk, for as long as it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

TEST(IniFile, FailedSaveKeepsTheOldFileWhole) {
    TempDir dir;
    const std::string path = dir.File("settings.ini");
    const std::string old = "[Settings]\nA=old\n";
    WriteFile(path, old);

    IniFile f;
    f.Set("Settings", "A", std::string(64 * 1024, 'x'));
    std::string error;
    {
        const FileSizeLimit diskFull(16 * 1024);
        EXPECT_FALSE(f.Save(path, error));
    }
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(IniFile, SaveOntoAFolderOrIntoAFileFails) {
    TempDir dir;
    std::filesystem::create_directory(dir.File("taken.ini"));
    WriteFile(dir.File("plain"), "x");
    IniFile f;
    f.Set("Settings", "A", "1");
    std::string error;
    EXPECT_FALSE(f.Save(dir.File("taken.ini"), error));
    EXPECT_NE(error.find("cannot replace"), std::string::npos) << error;
    EXPECT_FALSE(f.Save(dir.File("plain") + "/settings.ini", error));
    EXPECT_NE(error.find("cannot create the folder"), std::string::npos) << error;
    EXPECT_EQ(ReadFile(dir.File("plain")), "x");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
}

}  // namespace
}  // namespace orva
