#include "equipment/EquipmentDialogModel.h"
#include "equipment/ObservingSiteManager.h"

#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "support/FakeUiServices.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orva {
namespace {

using test::ReadFile;
using test::TempDir;

class EquipmentDialogTest : public ::testing::Test {
protected:
    EquipmentDialogTest()
        : settings(configDir.Path(), center),
          sites(dataDir.Path(), settings),
          dialog(sites, ui, EquipmentDialogModel::kSitesDialog) {}

    std::string SiteFile() const { return dataDir.Path() + "/Equipment/observingsites.xml"; }

    TempDir dataDir;
    TempDir configDir;
    NotificationCenter center;
    Settings settings;
    ObservingSiteManager sites;
    test::FakeUiServices ui;
    EquipmentDialogModel dialog;
};

TEST_F(EquipmentDialogTest, OpeningLogsAndSelectsTheCurrentEntry) {
    ASSERT_TRUE(sites.Add("Backyard"));
    ASSERT_TRUE(sites.Add("Mountain"));
    settings.SelectedSiteName("Mountain");
    test::LogCapture log;
    dialog.Open();
    EXPECT_TRUE(log.Contains("I Opened Dialog 'Observing Sites'"));
    EXPECT_EQ(dialog.Names(), (std::vector<std::string>{"Backyard", "Mountain"}));
    EXPECT_EQ(dialog.Selected(), std::optional<std::size_t>(1));

    settings.SelectedSiteName("Gone");
    dialog.Open();
    EXPECT_EQ(dialog.Selected(), std::nullopt);
    EXPECT_TRUE(dialog.Fields().empty());
}

TEST_F(EquipmentDialogTest, ChoosingAnEntryMakesItCurrent) {
    ASSERT_TRUE(sites.Add("Backyard"));
    ASSERT_TRUE(sites.Add("Mountain"));
    dialog.Open();
    dialog.Choose(0);
    EXPECT_EQ(settings.SelectedSiteName(), "Backyard");
    ASSERT_NE(sites.Current(), nullptr);
    EXPECT_EQ(sites.Current()->name, "Backyard");
    dialog.Choose(7);  // beyond the list: ignored
    EXPECT_EQ(dialog.Selected(), std::optional<std::size_t>(0));
}

TEST_F(EquipmentDialogTest, FieldsShowAndTakeWhatIsTyped) {
    ASSERT_TRUE(dialog.Add("Backyard"));
    struct Case {
        const char* field;
        const char* typed;
        bool accepted;
        const char* shown;  // the field's text afterwards
    };
    const std::vector<Case> cases = {
        {"Lat", "S 12 30", true, "S12 30' 00.000\""},
        {"Lat", "N 95", false, "S12 30' 00.000\""},
        {"Lat", "north", false, "S12 30' 00.000\""},
        {"Lon", "W8 15", true, "W008 15' 00.000\""},
        {"Lon", "E 181", false, "W008 15' 00.000\""},
        {"Alt", " 1200 ", true, "1200"},
        {"Alt", "12abc", false, "1200"},
        {"Alt", "", false, "1200"},
        {"Alt", "99999999999", false, "1200"},
        {"NearestCity", "Gen\xC3\xA8ve", true, "Gen\xC3\xA8ve"},
        {"Notes", "behind the barn", true, "behind the barn"},
        {"Colour", "red", false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " <- " + c.typed);
        const std::string before = ReadFile(SiteFile());
        EXPECT_EQ(dialog.SetField(c.field, c.typed), c.accepted);
        if (!c.accepted) {
            EXPECT_EQ(ReadFile(SiteFile()), before);
        }
        if (c.shown == nullptr) continue;
        bool found = false;
        for (const auto& row : dialog.Fields()) {
            if (row.name == c.field) {
                EXPECT_EQ(row.text, c.shown);
                found = true;
            }
        }
        EXPECT_TRUE(found);
    }
    // What was accepted is in the file.
    ObservingSiteManager read(dataDir.Path(), settings);
    ASSERT_TRUE(read.Load());
    EXPECT_EQ(read.At(0).Real("Lat"), -12.5);
    EXPECT_EQ(read.At(0).Real("Lon"), -8.25);
    EXPECT_EQ(read.At(0).Integer("Alt"), 1200);
    EXPECT_EQ(read.At(0).notes, "behind the barn");
}

TEST_F(EquipmentDialogTest, FieldRowsFollowTheWriteOrder) {
    ASSERT_TRUE(dialog.Add("Backyard"));
    std::vector<std::string> names;
    for (const auto& row : dialog.Fields()) names.push_back(row.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Notes", "NearestCity", "Station", "Lat", "Lon", "Alt", "CountryCode"}));
}

TEST_F(EquipmentDialogTest, AddingChoosesTheNewEntry) {
    dialog.Open();
    EXPECT_FALSE(dialog.Add(""));
    EXPECT_TRUE(dialog.Add("Mountain"));
    EXPECT_TRUE(dialog.Add("Backyard"));
    EXPECT_FALSE(dialog.Add("Backyard"));
    EXPECT_EQ(dialog.Names(), (std::vector<std::string>{"Backyard", "Mountain"}));
    EXPECT_EQ(dialog.Selected(), std::optional<std::size_t>(0));
    EXPECT_EQ(settings.SelectedSiteName(), "Backyard");
}

TEST_F(EquipmentDialogTest, DeletingAsksFirst) {
    ASSERT_TRUE(dialog.Add("Backyard"));
    ASSERT_TRUE(dialog.Add("Mountain"));
    const test::FakeUiServices::Question question{"Confirmation", "Are you sure that you want to delete this entry?"};

    ui.yesNoReplies = {false};
    EXPECT_FALSE(dialog.DeleteSelected());
    EXPECT_EQ(dialog.Names().size(), 2u);

    ui.yesNoReplies = {true};
    EXPECT_TRUE(dialog.DeleteSelected());
    EXPECT_EQ(dialog.Names(), std::vector<std::string>{"Backyard"});
    EXPECT_EQ(dialog.Selected(), std::nullopt);
    EXPECT_EQ(sites.Current(), nullptr);  // "Mountain" was current

    EXPECT_FALSE(dialog.DeleteSelected());  // nothing selected: no question
    EXPECT_EQ(ui.questions, std::vector<test::FakeUiServices::Question>(2, question));
}

TEST(EquipmentDialog, TelescopeDriverLabel) {
    EXPECT_EQ(EquipmentDialogModel::TelescopeDriverLabel(std::string("6.6")), "Telescope Driver (ASCOM Version 6.6");
    EXPECT_EQ(EquipmentDialogModel::TelescopeDriverLabel(std::nullopt), "Telescope Driver (ASCOM, unavailable!)");
}

}  // namespace
}  // namespace orva
