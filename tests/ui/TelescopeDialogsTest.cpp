// The telescope chooser and the rates window, opened from the telescope window, against
// the real INDI telescope simulator.
#include "ui/CDlgTelescope.h"
#include "ui/CDlgTelescopeChooser.h"
#include "ui/CDlgTelescopeRates.h"
#include "ui/ToolWindows.h"

#include "UiStation.h"

#include "support/IndiServerProcess.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace orva {
namespace {

// The mount and the server answer in real time.
constexpr int kWaitMs = 30000;

class TelescopeDialogsTest : public ::testing::Test, protected test::UiStation {
protected:
    TelescopeDialogsTest() { windows = std::make_unique<ToolWindows>(*station, nullptr); }
    ~TelescopeDialogsTest() override {
        windows.reset();  // joins the telescope worker
        station.reset();
    }

    void SetUp() override { ASSERT_TRUE(server.Start()); }

    // Waits, with the windows' timers running, until the telescope window offers a connected mount.
    static bool Connect(CDlgTelescope& window) {
        if (!QTest::qWaitFor([&] { return window.Button("Connect") && window.Button("Connect")->isEnabled(); }, kWaitMs)) {
            return false;
        }
        QTest::mouseClick(window.Button("Connect"), Qt::LeftButton);
        return QTest::qWaitFor([&] { return window.Button("Disconnect") != nullptr; }, kWaitMs);
    }

    test::IndiServerProcess server;
    std::unique_ptr<ToolWindows> windows;
};

TEST_F(TelescopeDialogsTest, ChooserListsTheSimulatorStoresItAndTheWindowConnectsToIt) {
    CDlgTelescope& window = windows->ShowTelescope();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ui.messages.empty(); }, kWaitMs));
    EXPECT_EQ(ui.messages[0].text, "No telescope driver selected. Please select a driver in the settings and try again.");
    QPushButton* choose = window.Button("Choose...");
    ASSERT_NE(choose, nullptr);
    ASSERT_TRUE(choose->isEnabled());

    const QString port = QString::number(server.Port());
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* chooser = dynamic_cast<CDlgTelescopeChooser*>(QApplication::activeModalWidget());
        if (!chooser) return;
        seen = true;
        EXPECT_EQ(chooser->windowTitle(), "Telescope Chooser");
        // Nothing chosen yet: the local server is asked first.
        EXPECT_EQ(chooser->Host()->text(), "localhost");
        EXPECT_EQ(chooser->Port()->text(), "7624");
        EXPECT_TRUE(QTest::qWaitFor([&] { return chooser->ListButton()->isEnabled(); }, kWaitMs));
        chooser->Host()->setText("127.0.0.1");
        chooser->Port()->setText(port);
        QTest::mouseClick(chooser->ListButton(), Qt::LeftButton);
        EXPECT_FALSE(chooser->ListButton()->isEnabled()) << "the listing runs off the GUI thread";
        EXPECT_FALSE(chooser->OkButton()->isEnabled());
        EXPECT_EQ(chooser->Status()->text(), "Asking the INDI server for its telescopes...");
        EXPECT_TRUE(QTest::qWaitFor([&] { return chooser->OkButton()->isEnabled(); }, kWaitMs));
        ASSERT_EQ(chooser->List()->count(), 1);
        EXPECT_TRUE(chooser->List()->item(0)->text().startsWith("Telescope Simulator ("));
        EXPECT_EQ(chooser->List()->currentRow(), 0);
        EXPECT_EQ(chooser->Label()->text(), "Telescope Driver (INDI server 127.0.0.1:" + port + ")");
        QTest::mouseClick(chooser->OkButton(), Qt::LeftButton);
    });
    QTest::mouseClick(choose, Qt::LeftButton);
    ASSERT_TRUE(seen);

    EXPECT_EQ(settings.TelescopeDriver, server.ProgramId());
    Settings reloaded(dir.Path(), center);
    reloaded.Load();
    EXPECT_EQ(reloaded.TelescopeDriver, server.ProgramId());
    EXPECT_EQ(window.Driver()->text().toStdString(), server.ProgramId());
    ASSERT_TRUE(Connect(window));
    EXPECT_FALSE(choose->isEnabled()) << "the window keeps its driver until the next start";
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(log.Contains("I Opened Dialog 'Telescope Chooser'"));
}

TEST_F(TelescopeDialogsTest, ChooserCancelledStoresNothing) {
    settings.TelescopeDriver = "127.0.0.1:1/Nothing Here";
    CDlgTelescope& window = windows->ShowTelescope();
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* chooser = dynamic_cast<CDlgTelescopeChooser*>(QApplication::activeModalWidget());
        if (!chooser) return;
        seen = true;
        // The chosen server is asked at once; one that is not there says so.
        EXPECT_EQ(chooser->Host()->text(), "127.0.0.1");
        EXPECT_EQ(chooser->Port()->text(), "1");
        EXPECT_TRUE(QTest::qWaitFor([&] { return chooser->ListButton()->isEnabled(); }, kWaitMs));
        EXPECT_EQ(chooser->Label()->text(), "Telescope Driver (INDI server 127.0.0.1:1 unavailable!)");
        EXPECT_EQ(chooser->List()->count(), 0);
        EXPECT_FALSE(chooser->OkButton()->isEnabled());
        chooser->reject();
    });
    QTest::mouseClick(window.Button("Choose..."), Qt::LeftButton);
    ASSERT_TRUE(seen);
    EXPECT_EQ(settings.TelescopeDriver, "127.0.0.1:1/Nothing Here");
}

TEST_F(TelescopeDialogsTest, RatesWindowRefusesAnOutOfRangeRateAndStoresAValidOne) {
    const std::string id = server.ProgramId();
    settings.TelescopeDriver = id;
    CDlgTelescope& window = windows->ShowTelescope();
    ASSERT_TRUE(Connect(window));
    QPushButton* rate = window.Button("1");
    ASSERT_NE(rate, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return rate->isEnabled(); }, kWaitMs));
    QTest::mouseClick(rate, Qt::LeftButton);
    CDlgTelescopeRates* rates = window.RatesWindow();
    ASSERT_NE(rates, nullptr);
    EXPECT_TRUE(rates->isVisible());
    EXPECT_EQ(rates->windowTitle(), "Telescope Rates");
    EXPECT_EQ(rates->Driver()->text().toStdString(), id);
    EXPECT_FALSE(rates->UseCustomRates()->isChecked());
    EXPECT_FALSE(rates->ApplyButton()->isEnabled());
    EXPECT_FALSE(rates->RightAscension(0)->text().isEmpty()) << "the rates determined from the mount";
    EXPECT_FALSE(rates->RightAscension(0)->isEnabled());

    // On the box itself: the widget is as wide as the window.
    QTest::mouseClick(rates->UseCustomRates(), Qt::LeftButton, {}, QPoint(6, rates->UseCustomRates()->height() / 2));
    ASSERT_TRUE(rates->UseCustomRates()->isChecked());
    EXPECT_TRUE(rates->ApplyButton()->isEnabled());
    for (int row = 0; row < TelescopeRatesDialogModel::kRows; ++row) {
        rates->RightAscension(row)->setText(QString::number(0.5 * (row + 1), 'f', 1));
        rates->Declination(row)->setText(QString::number(0.25 * (row + 1), 'f', 2));
    }
    rates->RightAscension(4)->setText("91");
    QTest::mouseClick(rates->ApplyButton(), Qt::LeftButton);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], (test::FakeUiServices::Message{"Telescope Rates",
                                                             "Rates must be numbers from 0 to 90 degrees per second.",
                                                             MessageIcon::Error}));
    EXPECT_EQ(settings.GetTelescopeRates(id), "");
    EXPECT_EQ(rates->RightAscension(4)->text(), "91") << "the observer's text stays to be corrected";

    // The window's timer does not overwrite what is typed.
    rates->RightAscension(4)->setText("2.5");
    window.OnTimer();
    EXPECT_EQ(rates->RightAscension(4)->text(), "2.5");
    QTest::mouseClick(rates->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(settings.GetTelescopeRates(id), "0.500;0.250;1.000;0.500;1.500;0.750;2.000;1.000;2.500;1.250");
    EXPECT_EQ(rates->RightAscension(1)->text(), "1.000");
    EXPECT_DOUBLE_EQ(windows->Telescope()->Worker().Rates().Rows()[4].rightAscensionRate, 2.5);

    // Hidden with the telescope window, shown again on the next click.
    rates->hide();
    QTest::mouseClick(rate, Qt::LeftButton);
    EXPECT_EQ(window.RatesWindow(), rates);
    EXPECT_TRUE(rates->isVisible());
    EXPECT_TRUE(rates->UseCustomRates()->isChecked());
}

}  // namespace
}  // namespace orva
