#include "station/WorkspaceReset.h"

#include "common/NotificationCenter.h"
#include "common/Settings.h"

#include "support/FakeUiServices.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

class WorkspaceResetTest : public ::testing::Test {
protected:
    // The settings as the next start reads them from the file.
    Settings& Reread() {
        reread = std::make_unique<Settings>(dir.Path(), center);
        reread->Load();
        return *reread;
    }

    test::TempDir dir;
    NotificationCenter center;
    test::FakeUiServices ui;
    std::unique_ptr<Settings> reread;
};

TEST_F(WorkspaceResetTest, AProfileWithoutTheVersionIsResetAndToldOnceOnly) {
    Settings& first = Reread();
    first.WorkspaceGeometry = "Z2VvbWV0cnk=";
    first.WorkspaceState = "c3RhdGU=";
    first.WorkspaceStatusBar.Set(false);
    first.WorkspaceToolbars = "Record=SER";
    first.NightVision.Set(true);
    ASSERT_TRUE(first.Save());

    EXPECT_TRUE(WorkspaceReset::RunOnce(Reread(), ui));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Toolbar customization");
    EXPECT_EQ(ui.messages[0].text,
              "Since version 5.5.3 of the camera control software, you can customize the toolbar (add, remove, "
              "re-arrange buttons) and also create your own toolbars, which are preserved across application "
              "runs.\n\nFor example, if you never record SER files, you can remove the SER button.\n\nThe "
              "workspace configuration has been reset to the default.");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Information);

    // Written to the file at once: a crash before the window closes does not show it again.
    Settings& next = Reread();
    EXPECT_EQ(next.ToolbarVersion, "1");
    EXPECT_EQ(next.WorkspaceGeometry, "");
    EXPECT_EQ(next.WorkspaceState, "");
    EXPECT_EQ(next.WorkspaceToolbars, "");
    EXPECT_FALSE(next.WorkspaceStatusBar.Value().has_value());
    EXPECT_TRUE(next.NightVision.IsOn()) << "only the workspace is reset";

    // Every later start leaves the saved workspace alone and says nothing.
    next.WorkspaceState = "c3RhdGU=";
    ASSERT_TRUE(next.Save());
    for (int start = 0; start < 2; ++start) EXPECT_FALSE(WorkspaceReset::RunOnce(Reread(), ui));
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(Reread().WorkspaceState, "c3RhdGU=");
}

// A first start has no workspace to reset: nothing is said, and no later start says it.
TEST_F(WorkspaceResetTest, AFirstStartIsToldNothing) {
    EXPECT_FALSE(WorkspaceReset::RunOnce(Reread(), ui));
    EXPECT_TRUE(ui.messages.empty());
    Settings& next = Reread();
    EXPECT_EQ(next.ToolbarVersion, "1");
    next.WorkspaceState = "c3RhdGU=";
    ASSERT_TRUE(next.Save());
    EXPECT_FALSE(WorkspaceReset::RunOnce(Reread(), ui));
    EXPECT_TRUE(ui.messages.empty());
}

// A profile that cannot be written still gets the notice and the default layout for this
// run; the failure is logged by the settings.
TEST_F(WorkspaceResetTest, AnUnwritableProfileStillGetsTheDefaultLayout) {
    test::WriteFile(dir.File("blocker"), "a file where the folder should be");
    Settings settings(dir.File("blocker/config"), center);
    settings.Load();
    settings.WorkspaceState = "c3RhdGU=";
    EXPECT_TRUE(WorkspaceReset::RunOnce(settings, ui));
    EXPECT_EQ(settings.WorkspaceState, "");
    EXPECT_EQ(settings.ToolbarVersion, "1");
    EXPECT_EQ(ui.messages.size(), 1u);
}

}  // namespace
}  // namespace orva
