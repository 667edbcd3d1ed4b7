#include "equipment/SetupWizardModel.h"

#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "support/EquipmentLists.h"
#include "support/FakeUiServices.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace orva {
namespace {

using Page = SetupWizardModel::Page;
using Result = SetupWizardModel::NextResult;

class SetupWizardTest : public ::testing::Test {
protected:
    SetupWizardTest()
        : settings(configDir.Path(), center),
          equipment(dataDir.Path(), settings, center),
          lists(equipment.Lists()),
          wizard(settings, lists, ui) {}

    void FillEquipment() {
        wizard.SetEquipmentName(SetupWizardModel::kObserver, "Ann Observer");
        wizard.SetEquipmentName(SetupWizardModel::kSite, "Backyard");
        wizard.SetEquipmentName(SetupWizardModel::kMount, "EQ6");
        wizard.SetEquipmentName(SetupWizardModel::kInstrument, "C8");
        wizard.SetSiteLatitude("48.5");
        wizard.SetSiteLongitude("-11.25");
    }
    std::string Folder(std::size_t i) const { return dataDir.File("night/" + std::to_string(i)); }
    void FillDirectories() {
        for (std::size_t i = 0; i < SetupWizardModel::kDirectoryCount; ++i) wizard.SetDirectory(i, Folder(i));
    }
    void CompleteEquipment() {
        for (EquipmentManager* list : equipment.All()) {
            ASSERT_TRUE(list->Add("X"));
            list->SelectName("X");
        }
    }

    test::TempDir dataDir;
    test::TempDir configDir;
    NotificationCenter center;
    Settings settings;
    test::EquipmentLists equipment;
    ObservingSiteManager& sites = equipment.sites;
    SetupLists lists;
    test::FakeUiServices ui;
    SetupWizardModel wizard;
};

TEST_F(SetupWizardTest, FirstStartWalksBothPagesAndTheSecondCheckIsComplete) {
    settings.Load();  // an empty settings folder
    ASSERT_TRUE(SetupWizardModel::IsDue(settings, lists));
    wizard.Open();
    EXPECT_EQ(wizard.CurrentPage(), Page::Welcome);
    EXPECT_EQ(wizard.PageLabel(), "Click 'Next' to start");
    EXPECT_FALSE(wizard.PreviousEnabled());

    ASSERT_EQ(wizard.Next(), Result::Moved);
    EXPECT_EQ(wizard.CurrentPage(), Page::SiteAndEquipment);
    EXPECT_EQ(wizard.PageLabel(), "Step 1 of 2");
    EXPECT_FALSE(wizard.NextEnabled());
    FillEquipment();
    EXPECT_TRUE(wizard.SiteNeedsCoordinates());
    EXPECT_TRUE(wizard.NextEnabled());
    ASSERT_EQ(wizard.Next(), Result::Moved);

    EXPECT_EQ(wizard.CurrentPage(), Page::Directories);
    EXPECT_EQ(wizard.PageLabel(), "Step 2 of 2");
    EXPECT_FALSE(wizard.NextEnabled());
    FillDirectories();
    ASSERT_EQ(wizard.Next(), Result::Finished);

    for (std::size_t i = 0; i < SetupWizardModel::kDirectoryCount; ++i) {
        EXPECT_TRUE(std::filesystem::is_directory(Folder(i))) << SetupWizardModel::kDirectoryLabels[i];
    }
    EXPECT_EQ(settings.AdvDirectory, Folder(0));
    EXPECT_EQ(settings.SerDirectory, Folder(1));
    EXPECT_EQ(settings.FitsDirectory, Folder(2));
    EXPECT_EQ(settings.DarkFramesDirectory, Folder(3));
    EXPECT_EQ(settings.FlatFramesDirectory, Folder(4));
    EXPECT_EQ(settings.ReportsDirectory, Folder(5));
    EXPECT_EQ(settings.LogDirectory, Folder(6));

    // What was stored survives a restart: fresh settings and lists read from the files.
    NotificationCenter center2;
    Settings reread(configDir.Path(), center2);
    reread.Load();
    test::EquipmentLists equipment2(dataDir.Path(), reread, center2);
    for (EquipmentManager* list : equipment2.All()) ASSERT_TRUE(list->Load());
    EXPECT_FALSE(SetupWizardModel::IsDue(reread, equipment2.Lists()));
    EXPECT_EQ(reread.SelectedObserverName(), "Ann Observer");
    EXPECT_EQ(reread.SelectedInstrumentName(), "C8");
    EXPECT_EQ(reread.SelectedMountName(), "EQ6");
    const EquipmentEntry* site = equipment2.sites.Find("Backyard");
    ASSERT_NE(site, nullptr);
    EXPECT_DOUBLE_EQ(site->Real("Lat"), 48.5);
    EXPECT_DOUBLE_EQ(site->Real("Lon"), -11.25);
    EXPECT_TRUE(ui.messages.empty());
}

// A first start offers a folder below the home folder for every empty field; a stored
// folder stays as it is. Committed, the offered folders are made.
TEST_F(SetupWizardTest, EmptyFoldersAreOfferedBelowTheHomeFolder) {
    settings.Load();
    CompleteEquipment();
    settings.AdvDirectory = Folder(0);
    const std::string home = dataDir.File("home");
    SetupWizardModel offered(settings, lists, ui, home);
    offered.Open();
    ASSERT_EQ(offered.Next(), Result::Moved);
    ASSERT_EQ(offered.CurrentPage(), Page::Directories);
    EXPECT_EQ(offered.Directory(0), Folder(0));
    EXPECT_EQ(offered.Directory(1), home + "/ORVA/SER");
    EXPECT_EQ(offered.Directory(3), home + "/ORVA/Darks");
    EXPECT_EQ(offered.Directory(6), home + "/ORVA/Logs");
    EXPECT_TRUE(offered.NextEnabled());
    ASSERT_EQ(offered.Next(), Result::Finished);
    EXPECT_EQ(settings.FlatFramesDirectory, home + "/ORVA/Flats");
    EXPECT_TRUE(std::filesystem::is_directory(home + "/ORVA/Reports"));
    EXPECT_FALSE(SetupWizardModel::IsDue(settings, lists));
}

TEST_F(SetupWizardTest, TheCheckFailsOnAnyMissingOrUnknownSelection) {
    CompleteEquipment();
    settings.AdvDirectory = settings.FitsDirectory = settings.ReportsDirectory = settings.LogDirectory = "/d";
    EXPECT_FALSE(SetupWizardModel::IsDue(settings, lists));
    // SER, dark and flat folders are not essential.
    EXPECT_TRUE(settings.SerDirectory.empty());

    settings.SelectedMountName("Gone");
    EXPECT_TRUE(SetupWizardModel::EquipmentIncomplete(settings, lists));
    settings.SelectedMountName("X");
    settings.ReportsDirectory.clear();
    EXPECT_FALSE(SetupWizardModel::EquipmentIncomplete(settings, lists));
    EXPECT_TRUE(SetupWizardModel::DirectoriesIncomplete(settings));
}

TEST_F(SetupWizardTest, OnlyFoldersMissingShowsWelcomeAndFoldersAsStepOneOfOne) {
    CompleteEquipment();
    wizard.Open();
    ASSERT_EQ(wizard.Next(), Result::Moved);
    EXPECT_EQ(wizard.CurrentPage(), Page::Directories);
    EXPECT_EQ(wizard.PageLabel(), "Step 1 of 1");
    EXPECT_TRUE(wizard.IsLastPage());
    wizard.Previous();
    EXPECT_EQ(wizard.CurrentPage(), Page::Welcome);
}

TEST_F(SetupWizardTest, OnlyEquipmentMissingFinishesOnTheSitePage) {
    settings.AdvDirectory = settings.FitsDirectory = settings.ReportsDirectory = settings.LogDirectory = "/d";
    ASSERT_TRUE(sites.Add("Backyard"));
    wizard.Open();
    wizard.Next();
    EXPECT_EQ(wizard.PageLabel(), "Step 1 of 1");
    EXPECT_TRUE(wizard.IsLastPage());
    FillEquipment();
    wizard.SetSiteLatitude("");  // a known site needs no coordinates
    EXPECT_FALSE(wizard.SiteNeedsCoordinates());
    EXPECT_EQ(wizard.Next(), Result::Finished);
    EXPECT_EQ(settings.SelectedSiteName(), "Backyard");
    EXPECT_EQ(sites.Count(), 1u);
    EXPECT_FALSE(SetupWizardModel::IsDue(settings, lists));
}

TEST_F(SetupWizardTest, ANewSiteNeedsValidCoordinates) {
    wizard.Open();
    wizard.Next();
    FillEquipment();
    struct Case {
        const char* latitude;
        const char* longitude;
        bool accepted;
    };
    for (const Case& c : {Case{"", "10", false}, Case{"10", "", false}, Case{"north", "10", false},
                          Case{"91", "10", false}, Case{"10", "181", false}, Case{"-33.9", "151.2", true}}) {
        wizard.SetSiteLatitude(c.latitude);
        wizard.SetSiteLongitude(c.longitude);
        EXPECT_EQ(wizard.NextEnabled(), c.accepted) << c.latitude << " " << c.longitude;
    }
    wizard.SetSiteLatitude("");
    EXPECT_EQ(wizard.Next(), Result::Stayed);
    EXPECT_EQ(sites.Count(), 0u);
}

TEST_F(SetupWizardTest, AFolderThatCannotBeCreatedIsRefusedAndNothingIsStored) {
    CompleteEquipment();
    test::WriteFile(dataDir.File("plainfile"), "x");
    for (const std::string& bad : {dataDir.File("plainfile/sub"), std::string("relative/folder")}) {
        wizard.Open();
        wizard.Next();
        FillDirectories();
        wizard.SetDirectory(5, bad);
        ui.messages.clear();
        EXPECT_EQ(wizard.Next(), Result::Stayed) << bad;
        EXPECT_EQ(wizard.CurrentPage(), Page::Directories);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_NE(ui.messages[0].text.find("Observation reports"), std::string::npos);
        EXPECT_TRUE(settings.AdvDirectory.empty());
        EXPECT_EQ(test::ReadFile(configDir.File(Settings::kFileName)).find("night/"), std::string::npos);
    }
}

TEST_F(SetupWizardTest, FolderPickerFillsTheFieldAndCancelKeepsIt) {
    wizard.Open();
    wizard.SetDirectory(0, "/old");
    ui.pickReplies = {std::string("/picked"), std::nullopt};
    EXPECT_TRUE(wizard.PickDirectory(0));
    EXPECT_EQ(wizard.Directory(0), "/picked");
    EXPECT_FALSE(wizard.PickDirectory(0));
    EXPECT_EQ(wizard.Directory(0), "/picked");
    EXPECT_EQ(ui.pickerTitles.front(), "ADV video files");
}

}  // namespace
}  // namespace orva
