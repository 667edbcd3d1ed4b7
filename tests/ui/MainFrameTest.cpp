#include "ui/CD2DControl.h"
#include "ui/CDlgMissedFrames.h"
#include "ui/CHistogramControl.h"
#include "ui/CMainFrame.h"

#include "UiStation.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

namespace orva {
namespace {

using Command = MainFrameModel::Command;

// The main window over a station of the test's own.
class MainFrame : public ::testing::Test, protected test::UiStation {
protected:
    MainFrame() { frame = std::make_unique<CMainFrame>(*station); }
    ~MainFrame() override {
        frame.reset();
        station.reset();
    }

    bool Enabled(Command c) { return frame->Action(c)->isEnabled(); }

    std::unique_ptr<CMainFrame> frame;
};

TEST_F(MainFrame, MenusFollowConnectingAndStreaming) {
    const auto connectEntry = [&] {
        for (QAction* a : frame->CameraMenu()->actions()) {
            if (a->isVisible() && a->text().startsWith("Connect")) return a;
        }
        return static_cast<QAction*>(nullptr);
    };
    ASSERT_NE(connectEntry(), nullptr);
    EXPECT_EQ(connectEntry()->text(), "Connect ORVA+CAM");
    EXPECT_TRUE(connectEntry()->isEnabled());
    EXPECT_FALSE(Enabled(Command::Disconnect));
    EXPECT_FALSE(Enabled(Command::StartStreaming));
    EXPECT_EQ(frame->Action(Command::StartStreaming)->shortcut(), QKeySequence("Ctrl+R"));

    connectEntry()->trigger();
    ASSERT_TRUE(station->IsConnected());
    EXPECT_FALSE(connectEntry()->isEnabled());
    EXPECT_TRUE(Enabled(Command::Disconnect));
    EXPECT_TRUE(Enabled(Command::StartStreaming));
    EXPECT_FALSE(Enabled(Command::StopStreaming));

    frame->Action(Command::StartStreaming)->trigger();
    EXPECT_TRUE(station->IsStreaming());
    EXPECT_FALSE(Enabled(Command::StartStreaming));
    EXPECT_TRUE(Enabled(Command::StopStreaming));
    EXPECT_TRUE(Enabled(Command::ToggleZoom));

    frame->Action(Command::StopStreaming)->trigger();
    EXPECT_FALSE(station->IsStreaming());
    frame->Action(Command::Disconnect)->trigger();
    EXPECT_FALSE(station->IsConnected());
    EXPECT_TRUE(connectEntry()->isEnabled());
}

TEST_F(MainFrame, ClosingWhileStreamingStopsTheStreamFirst) {
    ASSERT_TRUE(frame->ConnectCamera(camera->SymbolicLink()));
    frame->StartStreaming();
    ASSERT_TRUE(station->IsStreaming());
    frame->show();
    frame->close();
    EXPECT_FALSE(station->IsStreaming());
    EXPECT_FALSE(station->IsConnected());
    EXPECT_TRUE(log.Contains("I Closing Main Form"));
    const auto messages = log.Messages();
    const auto closing = std::find(messages.begin(), messages.end(), "I Closing Main Form");
    EXPECT_NE(std::find(closing, messages.end(), "I CDmsWorker::DoStopStreaming, stopping complete"), messages.end());
    EXPECT_NE(std::find(closing, messages.end(), "I OnCameraDisconnected"), messages.end());
}

TEST_F(MainFrame, NightVisionTurnsTheWindowRedAndIsRemembered) {
    frame->Action(Command::NightVision)->trigger();
    EXPECT_TRUE(frame->NightVision());
    EXPECT_EQ(settings.NightVision, "TRUE");
    const QColor text = QApplication::palette().color(QPalette::WindowText);
    EXPECT_GT(text.red(), 100);
    EXPECT_EQ(text.green(), 0);
    EXPECT_EQ(text.blue(), 0);
    Settings reread(dir.Path(), center);
    reread.Load();
    EXPECT_EQ(reread.NightVision, "TRUE");
    frame->Action(Command::NightVision)->trigger();
    EXPECT_EQ(settings.NightVision, "FALSE");
    EXPECT_GT(QApplication::palette().color(QPalette::Window).green(), 100);
}

// The view shows what the frame path composed, through the histogram's lookup table.
TEST_F(MainFrame, ViewShowsTheComposedPictureAndTheHistogramFollows) {
    frame->resize(1000, 600);
    frame->show();
    frame->Histogram().SetLevels(1000, 3000);
    std::vector<uint16_t> pixels(64 * 48, 2000);
    BinaryOverlay overlay;
    CameraStatus status;
    status.overlayMode = 2;
    DisplayFrame d;
    d.pixels = pixels.data();
    d.width = 64;
    d.height = 48;
    d.overlay = &overlay;
    d.status = &status;
    frame->Target().PrepareDisplay(d);
    frame->RefreshView();
    EXPECT_EQ(frame->Histogram().Bins()[2000 >> 6], static_cast<uint64_t>(64 * 15));
    const QImage grab = frame->View().grab().toImage();
    const QPointF centre = frame->View().ViewPointOf(32, 20);
    const QRgb pixel = grab.pixel(centre.toPoint());
    EXPECT_EQ(qRed(pixel), 127);
    EXPECT_EQ(qGreen(pixel), 127);
    EXPECT_EQ(qBlue(pixel), 127);
}

TEST_F(MainFrame, HistogramControlTakesClicksAndKeys) {
    CHistogramControl& control = frame->HistogramControl();
    control.resize(4 + 1024 + 14, 200);
    HistogramControlModel& model = frame->Histogram();
    model.SetSize(control.width(), control.height());
    const int y = (model.GraphTop() + model.GraphBottom()) / 2;
    QTest::mouseClick(&control, Qt::LeftButton, Qt::NoModifier, QPoint(model.GraphLeft() + 256, y));
    EXPECT_NEAR(model.Background().Value(), 16384, 64);
    QTest::mouseClick(&control, Qt::RightButton, Qt::NoModifier, QPoint(model.GraphLeft() + 768, y));
    EXPECT_NEAR(model.White().Value(), 49152, 64);
    const int background = model.Background().Value();
    QTest::keyClick(&control, Qt::Key_Right);
    EXPECT_EQ(model.Background().Value(), background + 256);
    QTest::keyClick(&control, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_NEAR(model.White().Value(), 49152 - 256, 64);
}

TEST(MissedFramesDialog, ListsTheFramesAndLogsItsOpening) {
    test::LogCapture log;
    CDlgMissedFrames dialog({12, 13, 40});
    EXPECT_EQ(dialog.Text(), "12\n13\n40\n");
    EXPECT_TRUE(log.Contains("I Opened Dialog 'Missed Frames'"));
}

}  // namespace
}  // namespace orva
