// The settings and equipment dialogs show their models and forward what is typed: the
// settings reach the file on OK; an equipment entry is added, edited (a refused value
// shows the stored one again) and deleted after the confirmation.

#include "ui/CDlgEquipment.h"
#include "ui/CDlgSettings.h"

#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "equipment/ObservingSiteManager.h"
#include "support/FakeUiServices.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace orva {
namespace {

class Dialogs : public ::testing::Test {
protected:
    Dialogs() { settings.Load(); }

    test::LogCapture log;
    test::TempDir dir;
    NotificationCenter center;
    Settings settings{dir.Path(), center};
    test::FakeUiServices ui;
};

TEST_F(Dialogs, SettingsReachTheFileOnOk) {
    settings.SerDirectory = "/old/ser";
    SettingsDialogModel model(settings);
    CDlgSettings dialog(model, ui);
    EXPECT_TRUE(log.Contains("I Opened Dialog 'Settings'"));
    ASSERT_NE(dialog.Edit("SER files"), nullptr);
    EXPECT_EQ(dialog.Edit("SER files")->text(), "/old/ser");
    dialog.Edit("SER files")->setText(QString::fromStdString(dir.File("ser")));
    ASSERT_NE(dialog.Check("Start streaming after connecting"), nullptr);
    dialog.Check("Start streaming after connecting")->setChecked(true);
    // The folder button takes the picked folder.
    ui.pickReplies.push_back(dir.File("fits"));
    dialog.findChildren<QPushButton*>().at(0)->click();
    ASSERT_EQ(ui.pickerTitles.size(), 1u);
    EXPECT_EQ(ui.pickerTitles[0], "FITS files");
    EXPECT_EQ(dialog.Edit("FITS files")->text().toStdString(), dir.File("fits"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    Settings reread(dir.Path(), center);
    reread.Load();
    EXPECT_EQ(reread.SerDirectory, dir.File("ser"));
    EXPECT_EQ(reread.FitsDirectory, dir.File("fits"));
    EXPECT_TRUE(reread.AutoStartStreaming.IsOn());
}

TEST_F(Dialogs, SettingsOfferEverySolverAndKeepAHandSetOne) {
    test::WriteFile(settings.FilePath(), "[Settings]\nPlateSolvingProgram=solve-field\nPlateSolvingWcsinfoPath=/x/wcsinfo\n");
    settings.Load();
    SettingsDialogModel model(settings);
    CDlgSettings dialog(model, ui);
    QStringList solvers;
    for (int i = 0; i < dialog.Solver()->count(); ++i) solvers << dialog.Solver()->itemText(i);
    EXPECT_EQ(solvers, (QStringList{"astrometry.net", "ansvr", "ASTAP", "solve-field"}));
    EXPECT_EQ(dialog.Solver()->currentText(), "solve-field");
    ASSERT_NE(dialog.Edit("wcsinfo"), nullptr);
    EXPECT_EQ(dialog.Edit("wcsinfo")->text(), "/x/wcsinfo");
    dialog.accept();
    Settings reread(dir.Path(), center);
    reread.Load();
    EXPECT_EQ(reread.PlateSolvingProgram(), "solve-field");
    EXPECT_EQ(reread.PlateSolvingWcsinfoPath, "/x/wcsinfo");
}

TEST_F(Dialogs, EquipmentEntryAddedEditedAndDeleted) {
    ObservingSiteManager sites(dir.File("data"), settings);
    CDlgEquipment dialog(sites, ui, EquipmentDialogModel::kSitesDialog);
    EXPECT_TRUE(log.Contains("I Opened Dialog 'Observing Sites'"));
    EXPECT_EQ(dialog.windowTitle(), "Observing Sites");
    EXPECT_FALSE(dialog.DeleteButton()->isEnabled());
    dialog.askName = [] { return std::optional<std::string>("Backyard"); };
    dialog.AddButton()->click();
    ASSERT_EQ(dialog.Names()->count(), 1);
    EXPECT_EQ(dialog.Names()->currentItem()->text(), "Backyard");
    EXPECT_EQ(settings.SelectedSiteName(), "Backyard");

    const auto row = [&](const char* field) {
        for (int r = 0; r < dialog.Fields()->rowCount(); ++r) {
            if (dialog.Fields()->item(r, 0)->text() == field) return r;
        }
        return -1;
    };
    const int lat = row("Lat");
    ASSERT_GE(lat, 0);
    dialog.Fields()->item(lat, 1)->setText("S 12 30");
    EXPECT_EQ(dialog.Fields()->item(row("Lat"), 1)->text(), "S12 30' 00.000\"");
    dialog.Fields()->item(row("Lat"), 1)->setText("N 95");
    EXPECT_EQ(dialog.Fields()->item(row("Lat"), 1)->text(), "S12 30' 00.000\"") << "refused: the stored value again";

    ui.yesNoReplies.push_back(false);
    dialog.DeleteButton()->click();
    EXPECT_EQ(dialog.Names()->count(), 1);
    ui.yesNoReplies.push_back(true);
    dialog.DeleteButton()->click();
    EXPECT_EQ(dialog.Names()->count(), 0);
    EXPECT_EQ(dialog.Fields()->rowCount(), 0);
}

}  // namespace
}  // namespace orva
