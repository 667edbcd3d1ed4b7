#include "ui/CDlgSetupWizard.h"

#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "support/EquipmentLists.h"
#include "support/FakeUiServices.h"
#include "support/TempDir.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace orva {
namespace {

// The assistant window over an empty configuration, driven as the observer drives it.
class SetupWizardDialog : public ::testing::Test {
protected:
    SetupWizardDialog()
        : settings(configDir.Path(), center),
          equipment(dataDir.Path(), settings, center),
          model(settings, equipment.Lists(), ui),
          wizard(model) {
        wizard.show();
    }
    void Type(const char* field, const std::string& text) {
        auto* edit = wizard.findChild<QLineEdit*>(field);
        ASSERT_NE(edit, nullptr) << field;
        edit->setText(QString::fromStdString(text));
    }
    QString SubTitle() const { return wizard.currentPage()->subTitle(); }

    test::TempDir dataDir;
    test::TempDir configDir;
    NotificationCenter center;
    Settings settings;
    test::EquipmentLists equipment;
    test::FakeUiServices ui;
    SetupWizardModel model;
    CDlgSetupWizard wizard;
};

TEST_F(SetupWizardDialog, FillsTheListsAndFoldersPageByPage) {
    EXPECT_EQ(SubTitle(), "Click 'Next' to start");
    wizard.next();
    ASSERT_EQ(wizard.currentId(), 1);
    EXPECT_EQ(SubTitle(), "Step 1 of 2");
    EXPECT_FALSE(wizard.currentPage()->isComplete());
    const char* names[] = {"Ann", "Backyard", "EQ6", "C8"};
    for (int i = 0; i < 4; ++i) Type(QString("equipment%1").arg(i).toUtf8().constData(), names[i]);
    EXPECT_FALSE(wizard.currentPage()->isComplete());  // the new site has no coordinates yet
    Type("latitude", "48.2");
    Type("longitude", "16.37");
    EXPECT_TRUE(wizard.currentPage()->isComplete());
    wizard.next();
    ASSERT_EQ(wizard.currentId(), 2);
    EXPECT_EQ(SubTitle(), "Step 2 of 2");

    // Escape and Return sent to the assistant itself neither close it nor move on.
    QTest::keyClick(&wizard, Qt::Key_Escape);
    QTest::keyClick(&wizard, Qt::Key_Return);
    EXPECT_TRUE(wizard.isVisible());
    EXPECT_EQ(wizard.currentId(), 2);

    for (int i = 0; i < 7; ++i) Type(QString("directory%1").arg(i).toUtf8().constData(), dataDir.File("f" + std::to_string(i)));
    wizard.accept();  // "Finish" commits the last page
    EXPECT_EQ(wizard.result(), QDialog::Accepted);
    EXPECT_EQ(settings.SelectedSiteName(), "Backyard");
    EXPECT_EQ(settings.LogDirectory, dataDir.File("f6"));
    EXPECT_TRUE(std::filesystem::is_directory(dataDir.File("f6")));
    EXPECT_FALSE(SetupWizardModel::IsDue(settings, equipment.Lists()));
}

TEST_F(SetupWizardDialog, BackFromTheFoldersReturnsToTheSitePage) {
    wizard.next();
    for (int i = 0; i < 4; ++i) Type(QString("equipment%1").arg(i).toUtf8().constData(), "X");
    Type("latitude", "1");
    Type("longitude", "2");
    wizard.next();
    ASSERT_EQ(wizard.currentId(), 2);
    wizard.back();
    EXPECT_EQ(wizard.currentId(), 1);
    EXPECT_EQ(model.CurrentPage(), SetupWizardModel::Page::SiteAndEquipment);
    EXPECT_EQ(SubTitle(), "Step 1 of 2");
}

}  // namespace
}  // namespace orva
