#include "ui/CD2DControl.h"
#include "ui/CDlgCustomizeToolbar.h"
#include "ui/CDlgGuiding.h"
#include "ui/CDlgMissedFrames.h"
#include "ui/CDlgTelescope.h"
#include "ui/CHistogramControl.h"
#include "ui/CMainFrame.h"

#include "ui/CMainForm.h"
#include "events/OwEventTime.h"
#include "telescope/PlateSolvingResult.h"

#include "UiStation.h"

#include <QAction>
#include <QCheckBox>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <thread>

namespace orva {
namespace {

using Command = MainFrameModel::Command;
using test::SimulatedMount;
using test::SimulatedMountFactory;

// The main window over a station of the test's own.
class MainFrame : public ::testing::Test, protected test::UiStation {
protected:
    MainFrame() { frame = std::make_unique<CMainFrame>(*station); }
    ~MainFrame() override {
        frame.reset();
        station.reset();
    }

    bool Enabled(Command c) { return frame->Action(c)->isEnabled(); }

    // The frame path hands the view a 64 x 48 picture of level 2000 with this camera
    // overlay mode; the view shows it.
    void ShowEvenPicture(int overlayMode) {
        std::vector<uint16_t> pixels(64 * 48, 2000);
        BinaryOverlay overlay;
        CameraStatus status;
        status.overlayMode = overlayMode;
        DisplayFrame d;
        d.pixels = pixels.data();
        d.width = 64;
        d.height = 48;
        d.overlay = &overlay;
        d.status = &status;
        frame->Target().PrepareDisplay(d);
        frame->RefreshView();
    }

    // The window of the next start: a new station and window over the settings as the
    // file holds them.
    void Restart() {
        frame.reset();
        settings.Load();
        NewStation();
        frame = std::make_unique<CMainFrame>(*station);
    }

    std::unique_ptr<CMainFrame> frame;
};

struct MenuEntry {
    QAction* action;
    QString menu;  // the title of the menu it sits in
};

// Every entry of the visible menus, submenus included, without separators and submenu titles.
void CollectEntries(QMenu* menu, std::vector<MenuEntry>& entries) {
    for (QAction* a : menu->actions()) {
        if (a->isSeparator() || !a->isVisible()) continue;
        if (a->menu() != nullptr) {
            CollectEntries(a->menu(), entries);
        } else {
            entries.push_back({a, menu->title()});
        }
    }
}

std::vector<MenuEntry> MenuEntries(QMenuBar* bar) {
    std::vector<MenuEntry> entries;
    for (QAction* a : bar->actions()) {
        if (a->menu() != nullptr) CollectEntries(a->menu(), entries);
    }
    return entries;
}

// Calls `onHide` whenever the watched window is hidden.
class HideWatcher final : public QObject {
public:
    explicit HideWatcher(std::function<void()> onHide) : onHide_(std::move(onHide)) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide) onHide_();
        return false;
    }

private:
    std::function<void()> onHide_;
};

// The icon comes from the program's own resource through Qt's SVG plugin: a missing
// plugin (an install step forgotten) leaves the window without one and says so.
TEST_F(MainFrame, TheWindowHasItsProgramIconInBothSizes) {
    EXPECT_TRUE(log.Contains("I Program icon 32x32 successfully configured."));
    EXPECT_TRUE(log.Contains("I Program icon 16x16 successfully configured."));
    EXPECT_TRUE(log.MessagesStartingWith("W Failed to create").empty());
    const QList<QSize> sizes = frame->windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
}

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

// Every menu entry against the window's enabling table, through the states an observer
// goes through: camera listed but not connected, connected, streaming, recording ADV.
TEST_F(MainFrame, EveryMenuEntryFollowsTheEnablingTable) {
    settings.AdvDirectory = dataDir.Path();
    const auto check = [&](const char* phase, const MainFrameState& expected) {
        frame->UpdateCommands();
        std::set<Command> seen;
        int connectEntries = 0;
        for (const MenuEntry& e : MenuEntries(frame->menuBar())) {
            const std::string text = e.action->text().toStdString();
            const Command* command = std::find_if(
                std::begin(MainFrameModel::kAllCommands), std::end(MainFrameModel::kAllCommands),
                [&](Command c) { return frame->Action(c) == e.action; });
            if (command != std::end(MainFrameModel::kAllCommands)) {
                seen.insert(*command);
                EXPECT_EQ(e.action->isEnabled(), MainFrameModel::IsEnabled(*command, expected)) << phase << ": " << text;
            } else if (text.rfind("Connect", 0) == 0 || e.menu == "C&onnect") {
                ++connectEntries;
                EXPECT_EQ(e.action->isEnabled(), MainFrameModel::IsConnectEnabled(expected)) << phase << ": " << text;
            } else {
                // The percentile stretches are view settings, always at hand.
                EXPECT_EQ(e.menu, "&Auto stretch") << phase << ": " << text << " is no command of the table";
                EXPECT_TRUE(e.action->isEnabled()) << phase << ": " << text;
            }
        }
        EXPECT_EQ(connectEntries, 1) << phase;
        for (const Command c : MainFrameModel::kAllCommands) {
            EXPECT_EQ(seen.count(c), 1u) << phase << ": " << MainFrameModel::Text(c) << " is not in the menus";
        }
    };

    check("not connected", {true, false, false});

    ASSERT_TRUE(frame->ConnectCamera(camera->SymbolicLink()));
    check("connected", {true, true, false});

    frame->Action(Command::StartStreaming)->trigger();
    ASSERT_TRUE(station->IsStreaming());
    MainFrameState streaming{true, true, true};
    streaming.canRecord = streaming.canCaptureLight = streaming.canCaptureDarkFlat = true;
    check("streaming", streaming);

    frame->Action(Command::RecordAdv)->trigger();
    ASSERT_TRUE(frame->Recording().IsRecording()) << (ui.messages.empty() ? "" : ui.messages.back().text);
    MainFrameState recording = streaming;
    recording.canRecord = false;
    recording.recording = true;
    check("recording", recording);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MainFrame, EditCommandsActOnTheFocusedTextField) {
    QLineEdit field;
    field.show();
    field.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&field));
    field.setFocus();
    ASSERT_EQ(QApplication::focusWidget(), &field);
    frame->UpdateCommands();
    for (const Command c : {Command::Undo, Command::Cut, Command::Copy, Command::Paste}) EXPECT_TRUE(Enabled(c));

    field.setText("21:30:12");
    field.selectAll();
    frame->Action(Command::Copy)->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "21:30:12");
    field.end(false);
    frame->Action(Command::Paste)->trigger();
    EXPECT_EQ(field.text(), "21:30:1221:30:12");
    frame->Action(Command::Undo)->trigger();
    EXPECT_EQ(field.text(), "21:30:12");
    field.selectAll();
    frame->Action(Command::Cut)->trigger();
    EXPECT_EQ(field.text(), "");

    field.hide();
    frame->UpdateCommands();
    for (const Command c : {Command::Undo, Command::Cut, Command::Copy, Command::Paste}) EXPECT_FALSE(Enabled(c));
}

// The toolbar's place and visibility, the status bar and the window size come back with
// the next start.
TEST_F(MainFrame, TheNextWindowRestoresTheLayout) {
    frame->show();
    QToolBar* toolbar = frame->RecordToolbar();
    EXPECT_EQ(frame->toolBarArea(toolbar), Qt::TopToolBarArea);
    frame->addToolBar(Qt::LeftToolBarArea, toolbar);
    frame->Action(Command::Toolbars)->trigger();
    frame->Action(Command::StatusBar)->trigger();
    EXPECT_TRUE(toolbar->isHidden());
    EXPECT_TRUE(frame->statusBar()->isHidden());
    frame->resize(1000, 700);
    const QSize size = frame->size();  // the panel may need more height
    ASSERT_EQ(size.width(), 1000);
    frame->close();

    EXPECT_TRUE(log.Contains("I default toolbar"));
    EXPECT_FALSE(log.Contains("I user-defined toolbar"));
    Restart();
    frame->show();
    EXPECT_TRUE(log.Contains("I user-defined toolbar"));
    EXPECT_EQ(frame->toolBarArea(frame->RecordToolbar()), Qt::LeftToolBarArea);
    EXPECT_TRUE(frame->RecordToolbar()->isHidden());
    EXPECT_FALSE(frame->Action(Command::Toolbars)->isChecked());
    EXPECT_TRUE(frame->statusBar()->isHidden());
    EXPECT_FALSE(frame->Action(Command::StatusBar)->isChecked());
    EXPECT_EQ(frame->size(), size);

    // Shown again, and so kept.
    frame->Action(Command::Toolbars)->trigger();
    frame->Action(Command::StatusBar)->trigger();
    Restart();
    frame->show();
    EXPECT_FALSE(frame->RecordToolbar()->isHidden());
    EXPECT_EQ(frame->toolBarArea(frame->RecordToolbar()), Qt::LeftToolBarArea);
    EXPECT_FALSE(frame->statusBar()->isHidden());
    EXPECT_TRUE(frame->Action(Command::StatusBar)->isChecked());
}

// The toolbars arranged in "Customize Toolbar...": a command taken off the Record toolbar, a
// toolbar of one's own with its place, and all of it again at the next start.
TEST_F(MainFrame, CustomizedToolbarsComeBackWithTheNextStart) {
    frame->show();
    CDlgCustomizeToolbar dialog(frame->ToolbarArrangement());
    dialog.OnToolbar()->setCurrentRow(0);  // SER
    dialog.RemoveSelected();
    EXPECT_EQ(dialog.OnToolbar()->item(0)->text(), "ADV");
    ASSERT_TRUE(dialog.NewToolbar("Focus"));
    EXPECT_FALSE(dialog.NewToolbar("Focus"));
    EXPECT_EQ(dialog.ToolbarList()->currentText(), "Focus");
    const auto items = dialog.AvailableList()->findItems("Start streaming", Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    dialog.AvailableList()->setCurrentItem(items[0]);
    dialog.AddSelected();
    ASSERT_EQ(dialog.OnToolbar()->count(), 1);
    frame->ArrangeToolbars(dialog.Layout());

    ASSERT_EQ(frame->Toolbars().size(), 2u);
    QToolBar* focus = frame->Toolbars()[1];
    ASSERT_EQ(focus->actions().size(), 1);
    EXPECT_EQ(focus->actions()[0], frame->Action(Command::StartStreaming));
    EXPECT_FALSE(frame->RecordToolbar()->actions().contains(frame->Action(Command::RecordSer)));
    frame->addToolBar(Qt::LeftToolBarArea, focus);
    frame->close();

    Restart();
    frame->show();
    ASSERT_EQ(frame->Toolbars().size(), 2u);
    EXPECT_EQ(frame->Toolbars()[1]->windowTitle(), "Focus");
    EXPECT_EQ(frame->toolBarArea(frame->Toolbars()[1]), Qt::LeftToolBarArea);
    EXPECT_EQ(frame->Toolbars()[1]->actions().size(), 1);
    EXPECT_FALSE(frame->RecordToolbar()->actions().contains(frame->Action(Command::RecordSer)));

    // Deleted again: gone from the window and from the next start.
    CDlgCustomizeToolbar again(frame->ToolbarArrangement());
    again.ToolbarList()->setCurrentIndex(1);
    again.DeleteToolbar();
    again.ResetToDefault();
    frame->ArrangeToolbars(again.Layout());
    EXPECT_EQ(frame->Toolbars().size(), 1u);
    EXPECT_TRUE(frame->RecordToolbar()->actions().contains(frame->Action(Command::RecordSer)));
    Restart();
    EXPECT_EQ(frame->Toolbars().size(), 1u);
}

TEST_F(MainFrame, ADamagedSavedLayoutGivesTheDefaultLayout) {
    // A real layout, but of another version of the window.
    frame->addToolBar(Qt::LeftToolBarArea, frame->RecordToolbar());
    const std::string otherVersion = frame->saveState(CMainFrame::kWorkspaceVersion + 1).toBase64().toStdString();
    const std::string good = frame->saveState(CMainFrame::kWorkspaceVersion).toBase64().toStdString();
    const struct {
        const char* name;
        std::string state;
        std::string geometry;
    } cases[] = {
        {"not base64", "%%% not a layout %%%", "%%%"},
        {"cut short", good.substr(0, good.size() / 2), "AdnQywADAAA="},
        {"random bytes", "q83vASNFZ4mrze8BI0VniavN7wEjRWeJ", "q83vASNFZ4mrze8BI0VniavN7wEj"},
        {"other version", otherVersion, ""},
    };
    std::size_t warnings = 0;
    for (const auto& c : cases) {
        frame.reset();
        settings.WorkspaceState = c.state;
        settings.WorkspaceGeometry = c.geometry;
        settings.WorkspaceStatusBar.Clear();
        ASSERT_TRUE(settings.Save());
        Restart();
        frame->show();
        EXPECT_EQ(frame->toolBarArea(frame->RecordToolbar()), Qt::TopToolBarArea) << c.name;
        EXPECT_FALSE(frame->RecordToolbar()->isHidden()) << c.name;
        EXPECT_FALSE(frame->statusBar()->isHidden()) << c.name;
        EXPECT_EQ(log.MessagesStartingWith("W The saved toolbar layout is damaged; the default layout is used").size(),
                  ++warnings)
            << c.name;
    }
    EXPECT_FALSE(log.Contains("I user-defined toolbar"));
}

TEST_F(MainFrame, APlateSolveSetsTheViewMirroringFromTheStoredFlip) {
    PlateSolvingResult& solves = station->Tools().PlateSolution();
    EXPECT_EQ(solves.Listener(), frame.get());
    const struct {
        const char* flip;
        bool x, y;
    } cases[] = {{"XY", true, true}, {"X", true, false}, {"Y", false, true}, {"none", false, false}};
    for (const auto& c : cases) {
        settings.CameraConfig.flipMode = c.flip;
        // As the solving worker calls it.
        std::thread worker([&solves] { solves.Listener()->OnPlateSolvingCompleted(); });
        worker.join();
        QCoreApplication::processEvents();
        EXPECT_EQ(frame->View().MirrorX(), c.x) << c.flip;
        EXPECT_EQ(frame->View().MirrorY(), c.y) << c.flip;
    }
    frame.reset();
    EXPECT_EQ(solves.Listener(), nullptr);
}

// A flip chosen on the panel turns the view's mirroring of the axes that changed.
TEST_F(MainFrame, AFlipChangeTurnsTheViewMirroring) {
    ASSERT_TRUE(frame->ConnectCamera(camera->SymbolicLink()));
    frame->Panel().SelectFlip(3);  // XY
    EXPECT_TRUE(frame->View().MirrorX());
    EXPECT_TRUE(frame->View().MirrorY());
    frame->Panel().SelectFlip(2);  // Y
    EXPECT_FALSE(frame->View().MirrorX());
    EXPECT_TRUE(frame->View().MirrorY());
    frame->Panel().SelectFlip(0);
    EXPECT_FALSE(frame->View().MirrorX());
    EXPECT_FALSE(frame->View().MirrorY());
}

// Closing with tool windows open: they are hidden before the window says it closes, the
// plate solver's worker is joined, and the stream stops after that line.
TEST_F(MainFrame, ClosingHidesTheToolWindowsFirst) {
    frame->show();
    ASSERT_TRUE(frame->ConnectCamera(camera->SymbolicLink()));
    frame->StartStreaming();
    frame->Action(Command::PlateSolving)->trigger();
    frame->Action(Command::Guiding)->trigger();
    frame->UpdateCommands();
    frame->Action(Command::RecordWithOptions)->trigger();
    std::vector<QDialog*> windows;
    for (QDialog* d : frame->findChildren<QDialog*>()) {
        if (d->isVisible()) windows.push_back(d);
    }
    ASSERT_EQ(windows.size(), 3u);
    int hiddenBeforeClosingLine = 0;
    HideWatcher watcher([&] {
        if (!log.Contains("I Closing Main Form")) ++hiddenBeforeClosingLine;
    });
    for (QDialog* d : windows) d->installEventFilter(&watcher);
    frame->close();
    EXPECT_EQ(hiddenBeforeClosingLine, 3);
    const auto messages = log.Messages();
    const auto closing = std::find(messages.begin(), messages.end(), "I Closing Main Form");
    ASSERT_NE(closing, messages.end());
    EXPECT_NE(std::find(closing, messages.end(), "I CDmsWorker::DoStopStreaming, stopping complete"), messages.end());
    EXPECT_FALSE(station->IsConnected());
}

TEST_F(MainFrame, NightVisionTurnsTheWindowRedAndIsRemembered) {
    frame->Action(Command::NightVision)->trigger();
    EXPECT_TRUE(frame->NightVision());
    EXPECT_EQ(settings.NightVision.Value(), true);
    const QColor text = QApplication::palette().color(QPalette::WindowText);
    EXPECT_GT(text.red(), 100);
    EXPECT_EQ(text.green(), 0);
    EXPECT_EQ(text.blue(), 0);
    Settings reread(dir.Path(), center);
    reread.Load();
    EXPECT_EQ(reread.NightVision.Value(), true);
    frame->Action(Command::NightVision)->trigger();
    EXPECT_EQ(settings.NightVision.Value(), false);
    EXPECT_GT(QApplication::palette().color(QPalette::Window).green(), 100);
}

// The view shows what the frame path composed, through the histogram's lookup table.
TEST_F(MainFrame, ViewShowsTheComposedPictureAndTheHistogramFollows) {
    frame->resize(1000, 600);
    frame->show();
    frame->Histogram().SetLevels(1000, 3000);
    ShowEvenPicture(2);
    EXPECT_EQ(frame->Histogram().Bins()[2000 >> 6], static_cast<uint64_t>(64 * 15));
    const QImage grab = frame->View().grab().toImage();
    const QPointF centre = frame->View().ViewPointOf(32, 20);
    const QRgb pixel = grab.pixel(centre.toPoint());
    EXPECT_EQ(qRed(pixel), 127);
    EXPECT_EQ(qGreen(pixel), 127);
    EXPECT_EQ(qBlue(pixel), 127);
}

// "Platesolving (next Event)": remembered over a restart, and while ticked the view shows
// the offset from the last solve to the next event's star.
TEST_F(MainFrame, PlateSolvingCheckBoxShowsTheOffsetToTheNextEvent) {
    ASSERT_TRUE(station->Events().Load());
    OwEvent event;
    event.AsteroidName = "Ceres";
    event.StarName = "TYC 1234-567-1";
    event.EventTime = SystemEventTicksNow() + 3600ull * kEventTicksPerSecond;
    event.OwEventInfoVersion = 1;
    event.StarRaHours = 6.0 + 4.0 / 60.0;
    event.StarDecDegrees = 20.5;
    ASSERT_EQ(station->Events().AddEvent(event).status, AddEventStatus::Added);
    station->Tick();
    PlateSolution solved;
    solved.coordinatesValid = true;
    solved.rightAscensionDeg = 90.0;
    solved.declinationDeg = 20.0;
    station->Tools().PlateSolution().Publish(solved);

    ShowEvenPicture(0);
    QCheckBox* box = frame->Form().PlateSolvingNextEvent();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Platesolving (next Event)");
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(frame->View().PlateSolvingArrowShown());

    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_TRUE(box->isChecked());
    frame->RefreshView();
    const auto& arrow = frame->View().PlateSolvingArrowShown();
    ASSERT_TRUE(arrow);
    EXPECT_EQ(arrow->text, "Dir 30.0' N, 60.0' E");
    EXPECT_EQ(arrow->startX, 32.0);
    EXPECT_LT(arrow->endX, arrow->startX) << "east on the left";
    EXPECT_LT(arrow->endY, arrow->startY) << "north up";

    Restart();
    EXPECT_TRUE(frame->Form().PlateSolvingNextEvent()->isChecked());
    QTest::mouseClick(frame->Form().PlateSolvingNextEvent(), Qt::LeftButton);
    frame->RefreshView();
    EXPECT_FALSE(frame->View().PlateSolvingArrowShown());
    settings.Load();
    EXPECT_EQ(settings.CameraConfig.plateSolvingNextEvent, 0);
}

// Nobody has set levels: the first histogram stretches the picture, so that the sky
// shows dark and a star white instead of a nearly black picture over the full range.
TEST_F(MainFrame, TheFirstPictureIsStretchedByItsHistogram) {
    frame->resize(1000, 600);
    frame->show();
    constexpr int kWidth = 640;
    constexpr int kHeight = 480;
    // Sky at 2000, a fifth of it darker at 1800, and a star of 20 x 15 pixels at 30000.
    std::vector<uint16_t> pixels(kWidth * kHeight, 2000);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; x += 5) pixels[static_cast<std::size_t>(y * kWidth + x)] = 1800;
    }
    for (int y = 100; y < 115; ++y) {
        for (int x = 300; x < 320; ++x) pixels[static_cast<std::size_t>(y * kWidth + x)] = 30000;
    }
    BinaryOverlay overlay;
    CameraStatus status;
    status.overlayMode = 2;
    DisplayFrame d;
    d.pixels = pixels.data();
    d.width = kWidth;
    d.height = kHeight;
    d.overlay = &overlay;
    d.status = &status;
    // The first frame brings the histogram, the second is drawn with its levels.
    for (int i = 0; i < 2; ++i) {
        frame->Target().PrepareDisplay(d);
        frame->RefreshView();
    }
    EXPECT_EQ(frame->Histogram().Origin(), HistogramControlModel::LevelsOrigin::Automatic);
    const QImage grab = frame->View().grab().toImage();
    EXPECT_EQ(qGray(grab.pixel(frame->View().ViewPointOf(310, 107).toPoint())), 255);
    EXPECT_LE(qGray(grab.pixel(frame->View().ViewPointOf(101, 200).toPoint())), 10);
}

// A frame of 640 x 480 with sky at 2000 and a star at (300, 200), handed to the live
// view as the frame path hands it.
class GuidingPicture {
public:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;

    GuidingPicture() : pixels_(kWidth * kHeight) {
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const double d2 = (x - 300) * (x - 300) + (y - 200) * (y - 200);
                pixels_[static_cast<std::size_t>(y * kWidth + x)] =
                    static_cast<uint16_t>(2000 + (x * 5 + y * 3) % 7 + 20000 * std::exp(-d2 / 4.0));
            }
        }
        status_.overlayMode = 2;
    }
    void ShowIn(CMainFrame& frame) {
        DisplayFrame d;
        d.pixels = pixels_.data();
        d.width = kWidth;
        d.height = kHeight;
        d.overlay = &overlay_;
        d.status = &status_;
        frame.Target().PrepareDisplay(d);
        frame.RefreshView();
    }

private:
    std::vector<uint16_t> pixels_;
    BinaryOverlay overlay_;
    CameraStatus status_;
};

// "Select..." in the guiding window, then a click beside the star on the live view: the
// star becomes the target, the choice ends and "Start" is offered; the box and the
// centroid's cross are drawn over the picture, green once guiding runs.
TEST_F(MainFrame, AClickOnTheLiveViewChoosesTheGuidingStar) {
    frame->resize(1000, 600);
    frame->show();
    GuidingPicture picture;
    picture.ShowIn(*frame);
    frame->Action(Command::Guiding)->trigger();
    auto* window = frame->findChild<CDlgGuiding*>();
    ASSERT_NE(window, nullptr);
    GuidingService& guiding = station->Guiding();
    ASSERT_EQ(guiding.radius.load(), 32);

    // Not choosing: a click is the view's own.
    CD2DControl& view = frame->View();
    QTest::mouseClick(&view, Qt::LeftButton, {}, view.ViewPointOf(306, 195).toPoint());
    EXPECT_EQ(guiding.Target(), std::make_pair(0, 0));

    QTest::mouseClick(window->SelectButton(), Qt::LeftButton);
    EXPECT_FALSE(window->StartButton()->isEnabled());
    // The next picture carries the frame's pixels for the choice.
    frame->RefreshView();
    picture.ShowIn(*frame);
    ASSERT_FALSE(frame->Target().Picture().raw.empty());
    // Too near the edge for the box: nothing chosen yet.
    QTest::mouseClick(&view, Qt::LeftButton, {}, view.ViewPointOf(10, 200).toPoint());
    EXPECT_TRUE(guiding.selecting.load());
    QTest::mouseClick(&view, Qt::LeftButton, {}, view.ViewPointOf(306, 195).toPoint());
    EXPECT_EQ(guiding.Target(), std::make_pair(300, 200));
    EXPECT_FALSE(guiding.selecting.load());
    EXPECT_TRUE(log.Contains("I Guiding target selected 300 200"));
    window->OnTimer();
    EXPECT_EQ(window->Target()->text(), "300 / 200");
    EXPECT_TRUE(window->StartButton()->isEnabled());
    // The pixels are no longer copied once the star is chosen.
    frame->RefreshView();
    picture.ShowIn(*frame);
    EXPECT_TRUE(frame->Target().Picture().raw.empty());

    QTest::mouseClick(window->StartButton(), Qt::LeftButton);
    EXPECT_TRUE(guiding.active.load());
    guiding.SetCentroid(32.0, 32.0);  // the star on its target
    const QImage grab = view.grab().toImage();
    const auto green = [](QRgb c) { return qGreen(c) > 180 && qRed(c) < 60 && qBlue(c) < 60; };
    // The box's left edge (the picture is drawn smaller than its size here) and the cross.
    const QPointF corner = view.ViewPointOf(300 - 32, 200);
    const QPointF left = QPointF(std::floor(corner.x() - 0.5 * view.Geometry().PictureRect().width / 640), corner.y());
    bool edge = false;
    for (int dx = -1; dx <= 1; ++dx) edge = edge || green(grab.pixel(left.toPoint() + QPoint(dx, 0)));
    EXPECT_TRUE(edge) << "no box edge at " << left.x();
    const QPoint cross = view.ViewPointOf(300, 200).toPoint() + QPoint(5, 0);
    EXPECT_TRUE(green(grab.pixel(cross)) || green(grab.pixel(cross + QPoint(0, 1))) ||
                green(grab.pixel(cross - QPoint(0, 1))));
}

// The tracking zone chosen in the window is the radius of the next start, and the window
// shows it again.
TEST_F(MainFrame, TheTrackingZoneSurvivesARestart) {
    frame->Action(Command::Guiding)->trigger();
    auto* window = frame->findChild<CDlgGuiding*>();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Size()->currentText(), "64 x 64");
    EXPECT_EQ(window->CorrectionPush()->text(), "400");
    EXPECT_FALSE(window->CorrectionPush()->isEnabled());
    emit window->Size()->activated(2);
    EXPECT_EQ(station->Guiding().radius.load(), 24);

    Restart();
    EXPECT_EQ(station->Guiding().radius.load(), 24);
    frame->Action(Command::Guiding)->trigger();
    window = frame->findChild<CDlgGuiding*>();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Size()->currentText(), "48 x 48");
}

// Ctrl+arrow keys in the main window move the mount through the telescope window's logic,
// before the live view (whose plain arrows pan) sees them; the keyboard's repeats of a
// held key move it once, the release stops the axis.
TEST_F(MainFrame, ControlArrowKeysMoveTheMount) {
    useSimulatedMount = true;
    mounts.config.connected = true;
    mounts.config.tracking = true;
    settings.TelescopeDriver = SimulatedMountFactory::kProgramId;
    settings.RaTrackingSpeedE5 = 417;
    settings.Save();
    Restart();
    constexpr double kT = 0.00417;
    CD2DControl& view = frame->View();
    // No telescope window yet: the keys are the mount's, but nothing moves.
    QTest::keyClick(&view, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_FALSE(log.Contains("I Keyboard triggers move in RA"));

    frame->Action(Command::Telescope)->trigger();
    ASSERT_NE(frame->findChild<CDlgTelescope*>(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return mounts.Last() != nullptr; }, 30000));
    const auto movesUntil = [&](std::size_t count) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return mounts.Last()->Moves().size() >= count; }, 30000));
        return mounts.Last()->Moves();
    };

    QTest::keyPress(&view, Qt::Key_Left, Qt::ControlModifier);
    for (int i = 0; i < 3; ++i) {  // the keyboard repeats the held key
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Left, Qt::ControlModifier, QString(), true);
        QApplication::sendEvent(&view, &release);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Left, Qt::ControlModifier, QString(), true);
        QApplication::sendEvent(&view, &press);
    }
    QTest::keyRelease(&view, Qt::Key_Left, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_Down, Qt::ControlModifier);
    const auto moves = movesUntil(4);
    ASSERT_EQ(moves.size(), 4u);
    // The worker moves right ascension relative to the tracking sky: -t - t.
    EXPECT_EQ(moves[0].axis, 0);
    EXPECT_DOUBLE_EQ(moves[0].rate, -2 * kT);
    EXPECT_EQ(moves[1], (SimulatedMount::Move{0, 0.0}));
    EXPECT_EQ(moves[2].axis, 1);
    EXPECT_DOUBLE_EQ(moves[2].rate, 2 * kT);
    EXPECT_EQ(moves[3], (SimulatedMount::Move{1, 0.0}));
    EXPECT_TRUE(log.Contains("I Keyboard triggers move in DEC"));

    // A plain arrow is the live view's: no move.
    QTest::keyClick(&view, Qt::Key_Up);
    frame->findChild<CDlgTelescope*>()->OnTimer();
    EXPECT_EQ(mounts.Last()->Moves().size(), 4u);
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
