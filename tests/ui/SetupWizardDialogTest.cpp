#include "ui/CDlgSetupWizard.h"

#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "support/EquipmentLists.h"
#include "support/FakeUiServices.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QPixmap>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
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

// "Edit site..." opens the sites' dialog; the site chosen there fills the field, and
// the page keeps its room for the new-site line whether it shows or not.
TEST_F(SetupWizardDialog, EditButtonsOpenTheListsAndTheSitePageKeepsItsRoom) {
    wizard.next();
    ASSERT_EQ(wizard.currentId(), 1);
    QApplication::processEvents();
    auto* latitude = wizard.findChild<QLineEdit*>("latitude");
    ASSERT_NE(latitude, nullptr);
    const int height = latitude->height();
    const QPoint where = latitude->mapTo(&wizard, QPoint(0, 0));
    Type("equipment1", "A site not in the list");
    QApplication::processEvents();
    EXPECT_TRUE(latitude->isEnabled());
    EXPECT_EQ(latitude->height(), height);
    EXPECT_EQ(latitude->mapTo(&wizard, QPoint(0, 0)), where);
    EXPECT_GE(latitude->height(), latitude->minimumSizeHint().height());
    // Kept beside the test program, for a person to look at.
    const auto grab = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "setup-assistant-site-page.png";
    EXPECT_TRUE(wizard.grab().save(QString::fromStdString(grab.string())));

    ASSERT_TRUE(equipment.sites.Add("Hill"));
    settings.SelectedSiteName("Hill");  // as choosing it in the dialog does
    QPushButton* editSite = nullptr;
    for (QPushButton* b : wizard.findChildren<QPushButton*>()) {
        if (b->text() == SetupWizardModel::kEditButtons[SetupWizardModel::kSite]) editSite = b;
    }
    ASSERT_NE(editSite, nullptr);
    bool opened = false;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        opened = dialog != nullptr && dialog != &wizard;
        if (opened) dialog->close();
    });
    editSite->click();
    EXPECT_TRUE(opened);
    EXPECT_EQ(wizard.findChild<QLineEdit*>("equipment1")->text(), "Hill");
    EXPECT_FALSE(latitude->isEnabled()) << "a known site needs no coordinates";
}

}  // namespace
}  // namespace orva
