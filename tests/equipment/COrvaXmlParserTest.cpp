#include "equipment/COrvaXmlParser.h"

#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace orva {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

using Item = std::vector<std::pair<std::string, std::string>>;

// Supplies items for writing and records what reading delivers, checking the call order.
class ListCallback : public IOrvaXmlParserCallback {
public:
    ListCallback() = default;
    ListCallback(std::string root, std::string itemName, std::vector<Item> items)
        : root_(std::move(root)), itemName_(std::move(itemName)), items(std::move(items)) {}

    void StartItem() override {
        EXPECT_FALSE(open_) << "StartItem inside an item";
        open_ = true;
        current_.clear();
    }
    void ItemValue(const std::string& name, const std::string& text) override {
        EXPECT_TRUE(open_) << "ItemValue outside an item";
        current_.emplace_back(name, text);
    }
    void EndItem() override {
        EXPECT_TRUE(open_) << "EndItem without StartItem";
        open_ = false;
        items.push_back(current_);
    }
    void GetRoot(std::string& rootName, std::size_t& itemCount) const override {
        rootName = root_;
        itemCount = items.size();
    }
    void GetItemShape(std::string& itemName, std::size_t& fieldCount) const override {
        itemName = itemName_;
        fieldCount = items.empty() ? 0 : items[0].size();
    }
    void GetField(std::size_t item, std::size_t field, std::string& name, std::string& text) const override {
        name = items[item][field].first;
        text = items[item][field].second;
    }

    bool Balanced() const { return !open_; }

    std::string root_;
    std::string itemName_;
    std::vector<Item> items;

private:
    bool open_ = false;
    Item current_;
};

std::string Utf16LeOfAscii(const std::string& ascii) {
    std::string bytes;
    for (const char c : ascii) {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    return bytes;
}

XmlReadResult ReadInto(ListCallback& into, XmlMode mode, const std::string& path, std::string_view root = {}) {
    return COrvaXmlParser(mode).Read(into, path, root);
}

TEST(COrvaXmlParser, CodedFileHasTheExactShape) {
    TempDir dir;
    const std::string path = dir.File("instruments.xml");
    ListCallback source("Instruments", "Instrument", {{{"Name", "abc"}, {"Notes", ""}}});
    ASSERT_TRUE(COrvaXmlParser(XmlMode::Coded).Write(source, path));
    EXPECT_EQ(ReadFile(path),
              "<Instruments><Instrument><Name>YQBiAGMA</Name><Notes></Notes></Instrument></Instruments>");
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

TEST(COrvaXmlParser, ZeroItemsWriteAnEmptyRootAndReadAsNothing) {
    TempDir dir;
    const std::string path = dir.File("list.xml");
    ListCallback source("Observers", "Observer", {});
    ASSERT_TRUE(COrvaXmlParser(XmlMode::Coded).Write(source, path));
    EXPECT_EQ(ReadFile(path), "<Observers></Observers>");
    ListCallback read;
    const XmlReadResult result = ReadInto(read, XmlMode::Coded, path);
    EXPECT_EQ(result.status, XmlReadStatus::Ok);
    EXPECT_TRUE(read.items.empty());
}

TEST(COrvaXmlParser, AwkwardTextsSurviveBothModes) {
    const std::vector<Item> items = {
        {{"Name", "A & B <C> \"q\" 'a'"}, {"Notes", "line 1\nline 2"}},
        {{"Name", "M\xC3\xBCller \xE2\x80\x93 \xF0\x9D\x84\x9E"}, {"Notes", ""}},
        {{"Name", "]]> &amp; <!-- -->"}, {"Notes", "x"}},
    };
    for (const XmlMode mode : {XmlMode::Coded, XmlMode::Plain}) {
        SCOPED_TRACE(mode == XmlMode::Coded ? "coded" : "plain");
        TempDir dir;
        const std::string path = dir.File("list.xml");
        ListCallback source("Root", "Item", items);
        ASSERT_TRUE(COrvaXmlParser(mode).Write(source, path));
        ListCallback read;
        EXPECT_EQ(ReadInto(read, mode, path).status, XmlReadStatus::Ok);
        EXPECT_EQ(read.items, items);
        if (mode == XmlMode::Coded) {
            for (const char c : ReadFile(path)) {
                const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                     c == '-' || c == '_' || c == '=' || c == '<' || c == '>' || c == '/';
                ASSERT_TRUE(allowed) << "character " << static_cast<int>(c) << " in a coded file";
            }
        }
    }
}

TEST(COrvaXmlParser, ReadsWhatOtherWritersProduce) {
    struct Case {
        const char* name;
        std::string file;
        std::vector<Item> expected;
    };
    const std::vector<Case> cases = {
        {"declaration and comment before the root",
         "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!-- list -->\n<R><I><Name>YQBiAGMA</Name></I></R>\n",
         {{{"Name", "abc"}}}},
        {"indented", "<R>\n  <I>\n    <Name>\n      YQBiAGMA\n    </Name>\n  </I>\n</R>\n", {{{"Name", "abc"}}}},
        {"unknown fields pass through", "<R><I><Name>YQA=</Name><Colour>YQA=</Colour></I></R>",
         {{{"Name", "a"}, {"Colour", "a"}}}},
        {"item and root names are not compared", "<X><Y><Name>YQA=</Name></Y><Z/></X>", {{{"Name", "a"}}, {}}},
        {"self-closed and empty fields", "<R><I><Name/><Notes></Notes></I></R>", {{{"Name", ""}, {"Notes", ""}}}},
        {"empty root", "<R/>", {}},
        {"UTF-16 file with byte-order mark",
         "\xFF\xFE" + Utf16LeOfAscii("<R><I><N>YQA=</N></I></R>"),
         {{{"N", "a"}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::LogCapture log;
        TempDir dir;
        WriteFile(dir.File("list.xml"), c.file);
        ListCallback read;
        EXPECT_EQ(ReadInto(read, XmlMode::Coded, dir.File("list.xml")).status, XmlReadStatus::Ok);
        EXPECT_EQ(read.items, c.expected);
        EXPECT_TRUE(log.MessagesStartingWith("E ").empty());
    }
}

TEST(COrvaXmlParser, PlainModeKeepsTextsUnchanged) {
    TempDir dir;
    WriteFile(dir.File("occult.xml"), "<Events><Event><Star>TYC 1234</Star><Mag>YQA=</Mag></Event></Events>");
    ListCallback read;
    EXPECT_EQ(ReadInto(read, XmlMode::Plain, dir.File("occult.xml")).status, XmlReadStatus::Ok);
    EXPECT_EQ(read.items, (std::vector<Item>{{{"Star", "TYC 1234"}, {"Mag", "YQA="}}}));
}

TEST(COrvaXmlParser, MissingFileYieldsNothingAndNoMessage) {
    test::LogCapture log;
    TempDir dir;
    ListCallback read;
    EXPECT_EQ(ReadInto(read, XmlMode::Coded, dir.File("absent.xml")).status, XmlReadStatus::Missing);
    EXPECT_TRUE(read.items.empty());
    EXPECT_TRUE(log.Messages().empty());
}

TEST(COrvaXmlParser, DamagedFilesDeliverEveryCompleteReadableItemAndLogOnce) {
    const std::string good = "<I><Name>YQA=</Name><Notes>YgA=</Notes></I>";  // "a", "b"
    const Item goodItem = {{"Name", "a"}, {"Notes", "b"}};
    struct Case {
        const char* name;
        std::string file;
        std::size_t goodItems;
        bool emptyItemLast = false;
    };
    const std::vector<Case> cases = {
        {"empty file", "", 0},
        {"not XML", "observer list, please keep", 0},
        {"binary", std::string("\x00\x01\xFF\xFE\x80", 5), 0},
        {"wrong root", "<Mounts>" + good + "</Mounts>", 0},
        {"invalid base64url in the second item", "<R>" + good + "<I><Name>YQ+A</Name></I>" + good + "</R>", 2},
        {"odd byte count", "<R><I><Name>YWJj</Name></I></R>", 0},
        {"truncated inside a field", "<R>" + good + good + "<I><Name>YQ", 2},
        {"truncated inside a tag", "<R>" + good + "<I><Name>YQA=</Na", 1},
        {"truncated after a field", "<R>" + good + "<I><Name>YQA=</Name>", 1},
        {"truncated between items", "<R>" + good + good, 2},
        {"truncated after a self-closed item", "<R>" + good + good + "<I/>", 2, true},
        {"mismatched end tag", "<R>" + good + "<I><Name>YQA=</Notes></I>" + good + "</R>", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::LogCapture log;
        TempDir dir;
        WriteFile(dir.File("list.xml"), c.file);
        ListCallback read;
        const XmlReadResult result = ReadInto(read, XmlMode::Coded, dir.File("list.xml"), "R");
        EXPECT_EQ(result.status, XmlReadStatus::Failed);
        std::vector<Item> expected(c.goodItems, goodItem);
        if (c.emptyItemLast) expected.emplace_back();
        EXPECT_EQ(result.items, expected.size());
        EXPECT_EQ(read.items, expected);
        EXPECT_TRUE(read.Balanced());
        const auto errors = log.MessagesStartingWith("E ");
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].rfind("E COrvaXmlParser::Read failed, ", 0), 0u) << errors[0];
        EXPECT_NE(errors[0].find(dir.File("list.xml")), std::string::npos) << errors[0];
    }
}

TEST(COrvaXmlParser, FailedSaveReportsAndKeepsThePreviousFile) {
    test::LogCapture log;
    TempDir dir;
    const std::string path = dir.File("list.xml");
    ListCallback first("R", "I", {{{"Name", "kept"}}});
    ASSERT_TRUE(COrvaXmlParser(XmlMode::Coded).Write(first, path));
    const std::string before = ReadFile(path);

    // The temporary file cannot be created where a folder of its name stands.
    std::filesystem::create_directory(path + ".tmp");
    ListCallback second("R", "I", {{{"Name", "lost"}}});
    EXPECT_FALSE(COrvaXmlParser(XmlMode::Coded).Write(second, path));
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(log.MessagesStartingWith("E COrvaXmlParser::Write failed for " + path + ":").size(), 1u);

    EXPECT_FALSE(COrvaXmlParser(XmlMode::Coded).Write(second, dir.File("no-such-folder/list.xml")));
}

TEST(COrvaXmlParser, StaleTemporaryFileFromACrashIsHarmless) {
    TempDir dir;
    const std::string path = dir.File("list.xml");
    WriteFile(path + ".tmp", "<R><I><Name>half");
    ListCallback source("R", "I", {{{"Name", "new"}}});
    ASSERT_TRUE(COrvaXmlParser(XmlMode::Coded).Write(source, path));
    ListCallback read;
    EXPECT_EQ(ReadInto(read, XmlMode::Coded, path).status, XmlReadStatus::Ok);
    EXPECT_EQ(read.items, source.items);
}

}  // namespace
}  // namespace orva
