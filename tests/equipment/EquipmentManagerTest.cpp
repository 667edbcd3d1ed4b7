#include "equipment/EquipmentManager.h"
#include "equipment/InstrumentManager.h"
#include "equipment/MountManager.h"
#include "equipment/ObserverManager.h"
#include "equipment/ObservingSiteManager.h"

#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "support/FakeUiServices.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace orva {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class TopicCounter : public NotificationReceiver {
public:
    void Notify(const std::string& topic) override { topics.push_back(topic); }
    std::vector<std::string> topics;
};

// A data folder, a settings file and a notification centre of the test's own.
class EquipmentTest : public ::testing::Test {
protected:
    EquipmentTest() : settings(configDir.Path(), center) {}

    std::unique_ptr<EquipmentManager> Make(const std::string& kind) {
        if (kind == "observers") return std::make_unique<ObserverManager>(dataDir.Path(), settings);
        if (kind == "sites") return std::make_unique<ObservingSiteManager>(dataDir.Path(), settings);
        if (kind == "instruments") return std::make_unique<InstrumentManager>(dataDir.Path(), settings, center);
        return std::make_unique<MountManager>(dataDir.Path(), settings);
    }
    std::string ListFile(const std::string& name) const { return dataDir.Path() + "/Equipment/" + name; }

    TempDir dataDir;
    TempDir configDir;
    NotificationCenter center;
    Settings settings;
};

std::vector<std::string> NamesOf(const EquipmentManager& list) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < list.Count(); ++i) names.push_back(list.At(i).name);
    return names;
}

// Every field of every kind gets a value of its type that a sloppy conversion would change.
void FillDistinctively(EquipmentEntry& entry, int seed) {
    entry.notes = "notes & <b> \xC3\xA4\n" + std::to_string(seed);
    for (std::size_t i = 0; i < entry.Fields().size(); ++i) {
        const EquipmentField& field = entry.Fields()[i];
        switch (field.type) {
            case EquipmentFieldType::Text:
                ASSERT_TRUE(entry.SetText(field.name, std::string(field.name) + " \xE2\x80\x93 \"" + std::to_string(seed)));
                break;
            case EquipmentFieldType::Integer:
                ASSERT_TRUE(entry.SetInteger(field.name, -1000 * seed - static_cast<int>(i)));
                break;
            case EquipmentFieldType::Real:
                ASSERT_TRUE(entry.SetReal(field.name, 1.5 + seed));
                break;
            case EquipmentFieldType::Latitude:
                ASSERT_TRUE(entry.SetReal(field.name, -12.5 - seed));
                break;
            case EquipmentFieldType::Longitude:
                ASSERT_TRUE(entry.SetReal(field.name, -8.25 - seed));
                break;
        }
    }
}

void ExpectSameEntries(const EquipmentManager& a, const EquipmentManager& b) {
    ASSERT_EQ(a.Count(), b.Count());
    for (std::size_t e = 0; e < a.Count(); ++e) {
        const EquipmentEntry& x = a.At(e);
        const EquipmentEntry& y = b.At(e);
        EXPECT_EQ(x.name, y.name);
        EXPECT_EQ(x.notes, y.notes);
        for (const EquipmentField& field : x.Fields()) {
            EXPECT_EQ(x.Text(field.name), y.Text(field.name)) << field.name;
            EXPECT_EQ(x.Integer(field.name), y.Integer(field.name)) << field.name;
            EXPECT_EQ(x.Real(field.name), y.Real(field.name)) << field.name;
        }
    }
}

TEST_F(EquipmentTest, EveryKindSurvivesSaveAndLoad) {
    for (const char* kind : {"observers", "sites", "instruments", "mounts"}) {
        SCOPED_TRACE(kind);
        auto written = Make(kind);
        ASSERT_TRUE(written->Load());
        for (const char* name : {"Home", "Field station \xC3\xB1", ""}) ASSERT_TRUE(written->Add(name));
        for (std::size_t i = 0; i < written->Count(); ++i) FillDistinctively(written->At(i), static_cast<int>(i));
        ASSERT_TRUE(written->Save());

        auto read = Make(kind);
        ASSERT_TRUE(read->Load());
        ExpectSameEntries(*written, *read);
    }
}

TEST_F(EquipmentTest, NegativeCoordinatesReadBackNegative) {
    const std::vector<std::pair<double, double>> cases = {
        {-12.5, -8.25}, {12.5, 8.25}, {-0.5, -0.000001}, {-90.0, -180.0}, {89.99999999, 179.12345678}, {0.0, 0.0}};
    ObservingSiteManager sites(dataDir.Path(), settings);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        ASSERT_TRUE(sites.Add("site " + std::to_string(i)));
        sites.Find("site " + std::to_string(i))->SetReal("Lat", cases[i].first);
        sites.Find("site " + std::to_string(i))->SetReal("Lon", cases[i].second);
    }
    ASSERT_TRUE(sites.Save());
    ObservingSiteManager read(dataDir.Path(), settings);
    ASSERT_TRUE(read.Load());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const EquipmentEntry* site = read.Find("site " + std::to_string(i));
        ASSERT_NE(site, nullptr);
        EXPECT_DOUBLE_EQ(site->Real("Lat"), cases[i].first) << i;
        EXPECT_DOUBLE_EQ(site->Real("Lon"), cases[i].second) << i;
    }
}

TEST_F(EquipmentTest, FlFactorReadsBackAndDefaultsToOne) {
    InstrumentManager instruments(dataDir.Path(), settings, center);
    ASSERT_TRUE(instruments.Add("C14"));
    EXPECT_EQ(instruments.Find("C14")->Real("FlFactor"), 1.0);
    instruments.Find("C14")->SetReal("FlFactor", 1.5);
    ASSERT_TRUE(instruments.Save());
    InstrumentManager read(dataDir.Path(), settings, center);
    ASSERT_TRUE(read.Load());
    EXPECT_EQ(read.Find("C14")->Real("FlFactor"), 1.5);

    // Written by hand: no FlFactor, an unknown field, an integer that is no number.
    // "Name" "Old", "Aperture" "abc", "Colour" "a".
    WriteFile(ListFile("instruments.xml"),
              "<Instruments><Instrument><Name>TwBsAGQA</Name><Aperture>YQBiAGMA</Aperture>"
              "<Colour>YQA=</Colour><FocalLength>MQAyADAAMAA=</FocalLength></Instrument></Instruments>");
    ASSERT_TRUE(read.Load());
    ASSERT_EQ(read.Count(), 1u);
    EXPECT_EQ(read.At(0).name, "Old");
    EXPECT_EQ(read.At(0).Real("FlFactor"), 1.0);
    EXPECT_EQ(read.At(0).Integer("Aperture"), 0);
    EXPECT_EQ(read.At(0).Integer("FocalLength"), 1200);
}

TEST_F(EquipmentTest, NamesAreOrderedByUtf16CodeUnits) {
    ObserverManager observers(dataDir.Path(), settings);
    const std::vector<std::string> added = {"b",   "\xEF\xBC\xA1" /* U+FF21 */, "ab", "Z", "a b",
                                            "\xF0\x9D\x84\x9E" /* U+1D11E */, "a", "\xC3\x84" /* U+00C4 */, "B"};
    for (const auto& name : added) ASSERT_TRUE(observers.Add(name));
    const std::vector<std::string> expected = {"B", "Z", "a", "a b", "ab", "b", "\xC3\x84", "\xF0\x9D\x84\x9E", "\xEF\xBC\xA1"};
    EXPECT_EQ(NamesOf(observers), expected);
    ObserverManager read(dataDir.Path(), settings);
    ASSERT_TRUE(read.Load());
    EXPECT_EQ(NamesOf(read), expected);
}

TEST_F(EquipmentTest, AddingAnExistingNameChangesNothing) {
    MountManager mounts(dataDir.Path(), settings);
    ASSERT_TRUE(mounts.Add("EQ6"));
    mounts.Find("EQ6")->SetText("Model", "EQ6-R");
    ASSERT_TRUE(mounts.Save());
    const std::string before = ReadFile(ListFile("mounts.xml"));
    std::filesystem::remove(ListFile("mounts.xml"));  // a save would bring it back

    EXPECT_FALSE(mounts.Add("EQ6"));
    EXPECT_EQ(mounts.Count(), 1u);
    EXPECT_EQ(mounts.Find("EQ6")->Text("Model"), "EQ6-R");
    EXPECT_FALSE(std::filesystem::exists(ListFile("mounts.xml")));
    EXPECT_TRUE(mounts.Add("eq6"));  // another case is another name
    EXPECT_NE(ReadFile(ListFile("mounts.xml")), before);
}

TEST_F(EquipmentTest, DeleteRemovesEveryEntryOfExactlyThatName) {
    // "Lab" twice and "lab", as a hand-edited file may have them.
    std::filesystem::create_directories(dataDir.Path() + "/Equipment");
    WriteFile(ListFile("observers.xml"),
              "<Observers><Observer><Name>TABhAGIA</Name></Observer><Observer><Name>TABhAGIA</Name></Observer>"
              "<Observer><Name>bABhAGIA</Name></Observer></Observers>");
    ObserverManager observers(dataDir.Path(), settings);
    ASSERT_TRUE(observers.Load());
    ASSERT_EQ(observers.Count(), 3u);
    observers.Delete("Lab");
    EXPECT_EQ(NamesOf(observers), std::vector<std::string>{"lab"});
    ObserverManager read(dataDir.Path(), settings);
    ASSERT_TRUE(read.Load());
    EXPECT_EQ(NamesOf(read), std::vector<std::string>{"lab"});
}

TEST_F(EquipmentTest, CurrentFollowsTheSelectionSetting) {
    InstrumentManager instruments(dataDir.Path(), settings, center);
    ASSERT_TRUE(instruments.Add("C14"));
    ASSERT_TRUE(instruments.Add("Refractor"));
    EXPECT_EQ(instruments.Current(), nullptr);  // nothing selected

    ASSERT_TRUE(instruments.SelectName("Refractor"));
    EXPECT_EQ(settings.SelectedInstrumentName(), "Refractor");
    ASSERT_NE(instruments.Current(), nullptr);
    EXPECT_EQ(instruments.Current()->name, "Refractor");

    instruments.Delete("Refractor");
    EXPECT_EQ(instruments.Current(), nullptr);
    EXPECT_EQ(settings.SelectedInstrumentName(), "Refractor");  // the setting itself stays
}

TEST_F(EquipmentTest, SelectionSettingOfEachKind) {
    struct Case {
        const char* kind;
        std::function<std::string()> setting;
    };
    const std::vector<Case> cases = {
        {"observers", [this] { return settings.SelectedObserverName(); }},
        {"sites", [this] { return settings.SelectedSiteName(); }},
        {"instruments", [this] { return settings.SelectedInstrumentName(); }},
        {"mounts", [this] { return settings.SelectedMountName(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        auto list = Make(c.kind);
        ASSERT_TRUE(list->Add(std::string("my ") + c.kind));
        ASSERT_TRUE(list->SelectName(std::string("my ") + c.kind));
        EXPECT_EQ(c.setting(), std::string("my ") + c.kind);
        ASSERT_NE(list->Current(), nullptr);
    }
}

TEST_F(EquipmentTest, PlaceholdersOfEachKind) {
    ObservingSiteManager sites(dataDir.Path(), settings);
    ASSERT_TRUE(sites.Add("Backyard"));
    EquipmentEntry& site = *sites.Find("Backyard");
    site.notes = "north wall";
    site.SetText("NearestCity", "Lyon");
    site.SetText("Station", "S1");
    site.SetReal("Lat", -12.5);
    site.SetReal("Lon", 12.5);
    site.SetInteger("Alt", 250);
    site.SetText("CountryCode", "FR");

    std::map<std::string, std::string> map = {{"{{KEEP}}", "x"}};
    sites.Placeholders("Nowhere", map);
    EXPECT_EQ(map.size(), 1u);

    sites.Placeholders("Backyard", map);
    const std::map<std::string, std::string> expected = {
        {"{{KEEP}}", "x"},
        {"{{SITE_NAME}}", "Backyard"},
        {"{{SITE_NOTES}}", "north wall"},
        {"{{SITE_NEAREST_CITY}}", "Lyon"},
        {"{{SITE_STATION}}", "S1"},
        {"{{SITE_LATITUDE}}", "S12 30' 00.000\""},
        {"{{SITE_LONGITUDE}}", "E012 30' 00.000\""},
        {"{{SITE_ALTITUDE}}", "250"},
        {"{{SITE_COUNTRY_CODE}}", "FR"},
    };
    EXPECT_EQ(map, expected);

    InstrumentManager instruments(dataDir.Path(), settings, center);
    ASSERT_TRUE(instruments.Add("C14"));
    instruments.Find("C14")->SetReal("FlFactor", 0.63);
    instruments.Find("C14")->SetInteger("FocalLength", 3910);
    std::map<std::string, std::string> telescope;
    instruments.Placeholders("C14", telescope);
    EXPECT_EQ(telescope["{{TELESCOPE_FL_FACTOR}}"], "0.630000");
    EXPECT_EQ(telescope["{{TELESCOPE_FL_RAW}}"], "3910");
    EXPECT_EQ(telescope["{{TELESCOPE_NAME}}"], "C14");
    EXPECT_EQ(telescope.size(), 8u);

    for (const auto& [kind, prefix, count] : {std::tuple{"observers", "{{OBSERVER_", 4u}, std::tuple{"mounts", "{{MOUNT_", 5u}}) {
        auto list = Make(kind);
        ASSERT_TRUE(list->Add("X"));
        std::map<std::string, std::string> m;
        list->Placeholders("X", m);
        EXPECT_EQ(m.size(), count) << kind;
        EXPECT_EQ(m[std::string(prefix) + "NAME}}"], "X");
    }
}

TEST_F(EquipmentTest, OnlyTheInstrumentListPublishesOnSave) {
    TopicCounter counter;
    center.Subscribe(&counter, kTopicInstrumentChanged);
    for (const char* kind : {"observers", "sites", "mounts"}) ASSERT_TRUE(Make(kind)->Add("A"));
    EXPECT_TRUE(counter.topics.empty());
    InstrumentManager instruments(dataDir.Path(), settings, center);
    ASSERT_TRUE(instruments.Add("A"));
    ASSERT_TRUE(instruments.Save());
    EXPECT_EQ(counter.topics, (std::vector<std::string>{"InstrumentChanged", "InstrumentChanged"}));
    center.Unsubscribe(&counter);
}

TEST_F(EquipmentTest, FileIsReadableByAnotherXmlReader) {
    if (std::system("python3 -c 'import xml.etree.ElementTree' >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "python3 is not available";
    }
    ObservingSiteManager sites(dataDir.Path(), settings);
    ASSERT_TRUE(sites.Add("M\xC3\xBCnchen & <Co>"));
    EquipmentEntry& site = sites.At(0);
    site.SetText("NearestCity", "\xF0\x9D\x84\x9E");
    site.SetReal("Lat", -12.5);
    site.SetReal("Lon", 8.25);
    site.SetInteger("Alt", -3);
    ASSERT_TRUE(sites.Save());

    // Python decodes every element text from base64url and UTF-16LE and prints it as
    // "Root/Item/Field=text", one field per line.
    const std::string script = dataDir.File("decode.py");
    WriteFile(script,
              "import base64, sys, xml.etree.ElementTree as ET\n"
              "root = ET.parse(sys.argv[1]).getroot()\n"
              "out = open(sys.argv[2], 'w', encoding='utf-8', newline='')\n"
              "for item in root:\n"
              "    for field in item:\n"
              "        text = base64.urlsafe_b64decode(field.text or '').decode('utf-16-le')\n"
              "        out.write(root.tag + '/' + item.tag + '/' + field.tag + '=' + text + '\\n')\n");
    const std::string output = dataDir.File("decoded.txt");
    const std::string command = "python3 " + script + " " + ListFile("observingsites.xml") + " " + output;
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadFile(output),
              "ObservingSites/ObservingSite/Name=M\xC3\xBCnchen & <Co>\n"
              "ObservingSites/ObservingSite/Notes=\n"
              "ObservingSites/ObservingSite/NearestCity=\xF0\x9D\x84\x9E\n"
              "ObservingSites/ObservingSite/Station=\n"
              "ObservingSites/ObservingSite/Lat=-  12.50000000\n"
              "ObservingSites/ObservingSite/Lon=   8.25000000\n"
              "ObservingSites/ObservingSite/Alt=-3\n"
              "ObservingSites/ObservingSite/CountryCode=\n");
}

TEST_F(EquipmentTest, DamagedFileGivesWhatWasReadableAndIsKept) {
    struct Case {
        const char* name;
        std::string file;
        std::vector<std::string> names;
    };
    const std::string lab = "<Observer><Name>TABhAGIA</Name></Observer>";  // "Lab"
    const std::vector<Case> cases = {
        {"not XML", "hello", {}},
        {"invalid base64url", "<Observers>" + lab + "<Observer><Name>TA*hAGIA</Name></Observer></Observers>", {"Lab"}},
        {"truncated", "<Observers>" + lab + "<Observer><Name>TABh", {"Lab"}},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        test::LogCapture log;
        std::filesystem::create_directories(dataDir.Path() + "/Equipment");
        WriteFile(ListFile("observers.xml"), c.file);
        ObserverManager observers(dataDir.Path(), settings);
        EXPECT_FALSE(observers.Load());
        EXPECT_EQ(NamesOf(observers), c.names);
        EXPECT_EQ(log.MessagesStartingWith("E ").size(), 1u);
        EXPECT_EQ(ReadFile(ListFile("observers.xml")), c.file);
        // Each damaged file gets its own copy; the earlier ones stay.
        const std::string copy = i == 0 ? "observers.xml.damaged" : "observers.xml.damaged-" + std::to_string(i + 1);
        EXPECT_EQ(ReadFile(ListFile(copy)), c.file);
        if (i > 0) {
            EXPECT_EQ(ReadFile(ListFile("observers.xml.damaged")), cases[0].file);
        }

        // Saving the readable part replaces the list; the copy keeps the rest.
        ASSERT_TRUE(observers.Add("New"));
        EXPECT_EQ(ReadFile(ListFile(copy)), c.file);
    }
}

// The list's root element carries no meaning: a list written under another name (by hand,
// or by another program) is read whole, not set aside, and a change keeps its entries.
TEST_F(EquipmentTest, AListUnderAnotherRootNameIsReadAndKeptThroughAChange) {
    test::LogCapture log;
    std::filesystem::create_directories(dataDir.Path() + "/Equipment");
    WriteFile(ListFile("observers.xml"), "<List><Observer><Name>TABhAGIA</Name></Observer></List>");  // "Lab"
    ObserverManager observers(dataDir.Path(), settings);
    EXPECT_TRUE(observers.Load());
    EXPECT_EQ(NamesOf(observers), (std::vector<std::string>{"Lab"}));
    EXPECT_TRUE(log.MessagesStartingWith("E ").empty());
    EXPECT_FALSE(std::filesystem::exists(ListFile("observers.xml.damaged")));

    ASSERT_TRUE(observers.Add("New"));
    ObserverManager again(dataDir.Path(), settings);
    EXPECT_TRUE(again.Load());
    EXPECT_EQ(NamesOf(again), (std::vector<std::string>{"Lab", "New"}));
}

// A damaged list that stays as it is (nothing changed it) is copied once, however often
// it is loaded.
TEST_F(EquipmentTest, TheSameDamagedListIsCopiedOnce) {
    std::filesystem::create_directories(dataDir.Path() + "/Equipment");
    WriteFile(ListFile("observers.xml"), "hello");
    for (int start = 0; start < 3; ++start) {
        ObserverManager observers(dataDir.Path(), settings);
        EXPECT_FALSE(observers.Load());
    }
    EXPECT_EQ(ReadFile(ListFile("observers.xml.damaged")), "hello");
    EXPECT_FALSE(std::filesystem::exists(ListFile("observers.xml.damaged-2")));
}

TEST_F(EquipmentTest, UndecodableEntryCostsOnlyItselfAndTheFileWaitsForAChange) {
    // "Lab", an entry whose name is not base64url, "Pier" and "Roof".
    const std::string file = "<Observers><Observer><Name>TABhAGIA</Name></Observer>"
                             "<Observer><Name>TA*hAGIA</Name><Notes>bgA=</Notes></Observer>"
                             "<Observer><Name>UABpAGUAcgA=</Name></Observer>"
                             "<Observer><Name>UgBvAG8AZgA=</Name></Observer></Observers>";
    std::filesystem::create_directories(dataDir.Path() + "/Equipment");
    WriteFile(ListFile("observers.xml"), file);
    test::LogCapture log;
    ObserverManager observers(dataDir.Path(), settings);
    EXPECT_FALSE(observers.Load());
    EXPECT_EQ(NamesOf(observers), (std::vector<std::string>{"Lab", "Pier", "Roof"}));
    ASSERT_EQ(log.MessagesStartingWith("E ").size(), 1u);
    EXPECT_EQ(log.MessagesStartingWith("E COrvaXmlParser::Read failed, invalid coded text in <Name> of item 2, the "
                                       "item is left out: " + ListFile("observers.xml")).size(),
              1u);
    EXPECT_EQ(ReadFile(ListFile("observers.xml")), file) << "loading writes nothing";
    EXPECT_EQ(ReadFile(ListFile("observers.xml.damaged")), file);

    // The user's change writes every readable entry; the copy keeps the damaged one.
    ASSERT_TRUE(observers.Add("Dome"));
    ObserverManager reread(dataDir.Path(), settings);
    EXPECT_TRUE(reread.Load());
    EXPECT_EQ(NamesOf(reread), (std::vector<std::string>{"Dome", "Lab", "Pier", "Roof"}));
    EXPECT_EQ(ReadFile(ListFile("observers.xml.damaged")), file);
}

TEST_F(EquipmentTest, UnreachableDataFolderIsLoggedAndShown) {
    struct Case {
        const char* name;
        std::string dataDirectory;
        std::string logLine;
    };
    const std::string blocked = dataDir.File("blocked");
    WriteFile(blocked, "a file where the folder should be");
    const std::vector<Case> cases = {
        {"no data folder", "", "E EquipmentManager failed to access LocalAppData 2"},
        {"folder cannot be created", blocked, "E EquipmentManager failed to access LocalAppData (2) 20"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::LogCapture log;
        test::FakeUiServices ui;
        MountManager mounts(c.dataDirectory, settings);
        mounts.SetUiServices(&ui);
        EXPECT_FALSE(mounts.Load());
        EXPECT_FALSE(mounts.Save());
        EXPECT_TRUE(mounts.Add("EQ6"));  // kept in memory, though it could not be saved
        EXPECT_EQ(mounts.Count(), 1u);
        EXPECT_EQ(log.MessagesStartingWith(c.logLine).size(), 3u);
        const test::FakeUiServices::Message box{"Error", "Failed to access the application data directory.",
                                               MessageIcon::Warning};
        EXPECT_EQ(ui.messages, std::vector<test::FakeUiServices::Message>(3, box));
    }
}

// The command line and the window hold lists on one folder: what one of them wrote is
// taken in by the other's next save. An entry added there is kept, one edited only there
// keeps that edit, one deleted here stays deleted.
TEST_F(EquipmentTest, TwoListsOnOneFolderKeepEachOthersChanges) {
    ObserverManager window(dataDir.Path(), settings);
    ObserverManager cli(dataDir.Path(), settings);
    window.Load();
    cli.Load();
    ASSERT_TRUE(cli.Add("Ann"));
    ASSERT_TRUE(window.Add("Bob"));
    ObserverManager fresh(dataDir.Path(), settings);
    ASSERT_TRUE(fresh.Load());
    EXPECT_EQ(NamesOf(fresh), (std::vector<std::string>{"Ann", "Bob"}));

    cli.Find("Ann")->notes = "from the command line";
    ASSERT_TRUE(cli.Save());
    ASSERT_TRUE(window.Delete("Bob"));
    ObserverManager last(dataDir.Path(), settings);
    ASSERT_TRUE(last.Load());
    EXPECT_EQ(NamesOf(last), (std::vector<std::string>{"Ann"}));
    EXPECT_EQ(last.Find("Ann")->notes, "from the command line");
    EXPECT_EQ(NamesOf(window), (std::vector<std::string>{"Ann"}));
}

// A list that cannot be read at all (here: a folder stands where the file should be, which
// no copy can be made of) is never replaced; the refusal is shown.
TEST_F(EquipmentTest, AnUnreadableListIsNeverOverwritten) {
    std::filesystem::create_directories(ListFile("observers.xml/inside"));
    test::FakeUiServices ui;
    ObserverManager observers(dataDir.Path(), settings);
    observers.SetUiServices(&ui);
    EXPECT_FALSE(observers.Load());
    EXPECT_TRUE(observers.Add("New"));
    EXPECT_FALSE(observers.Save());
    EXPECT_TRUE(std::filesystem::is_directory(ListFile("observers.xml/inside")));
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_NE(ui.messages[0].text.find("could not be read"), std::string::npos) << ui.messages[0].text;
}

// A failed save is shown, not only logged, and Delete says so.
TEST_F(EquipmentTest, FailedAddAndDeleteAreShown) {
    test::FakeUiServices ui;
    ObserverManager observers(dataDir.Path(), settings);
    observers.SetUiServices(&ui);
    ASSERT_TRUE(observers.Add("Kept"));
    ASSERT_TRUE(ui.messages.empty());
    std::filesystem::create_directory(ListFile("observers.xml.tmp"));
    EXPECT_TRUE(observers.Add("Unsaved"));
    EXPECT_FALSE(observers.Delete("Kept"));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].title, "Error");
    EXPECT_EQ(ui.messages[0].text,
              "Failed to save the equipment list " + ListFile("observers.xml") + ". Please check the data folder.");
}

TEST_F(EquipmentTest, FailedSaveKeepsThePreviousFile) {
    ObserverManager observers(dataDir.Path(), settings);
    ASSERT_TRUE(observers.Add("Kept"));
    const std::string before = ReadFile(ListFile("observers.xml"));
    std::filesystem::create_directory(ListFile("observers.xml.tmp"));
    test::LogCapture log;
    EXPECT_TRUE(observers.Add("Unsaved"));
    EXPECT_FALSE(observers.Save());
    EXPECT_EQ(ReadFile(ListFile("observers.xml")), before);
    EXPECT_EQ(log.MessagesStartingWith("E COrvaXmlParser::Write failed").size(), 2u);
}

}  // namespace
}  // namespace orva
