// The main window's camera control panel and recording commands over the station and
// the simulated camera in real time: what the panel's controls send (read back from the
// simulator's own state), the status it shows, a SER recorded from the menu and stopped
// with the shortcut, a dark frame taken through its dialog, the disk space in the
// status bar.

#include "ui/CD2DControl.h"
#include "ui/CDlgDarkFlat.h"
#include "ui/CDlgRecordingWithOptions.h"
#include "ui/CMainForm.h"
#include "ui/CMainFrame.h"

#include "recording/RecordingInspector.h"
#include "simcam/SimFaultPlan.h"
#include "station/SimulatedStation.h"
#include "support/LogCapture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace orva {
namespace {

using namespace std::chrono_literals;
using Command = MainFrameModel::Command;

// 176 x 128 at 5 ms: 200 frames a second.
const StationCameraSettings kFastMode{2, 5.0, 0, 0, 0};

class CameraPanel : public ::testing::Test {
protected:
    CameraPanel() {
        frame = std::make_unique<CMainFrame>(
            *rig.station, nullptr, [this](const std::string&) { return freeBytes; }, [this] { return utc; });
        frame->show();
        QApplication::setActiveWindow(frame.get());
    }
    ~CameraPanel() override {
        frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    CMainForm& Form() { return frame->Form(); }
    SimDeviceState Camera() { return rig.cameraDevice->Device().State(); }

    // Connects through the window and lets the panel load the camera's controls.
    bool ConnectAndStream() {
        if (!frame->ConnectCamera(rig.cameraDevice->SymbolicLink())) return false;
        Form().TimerTick();
        frame->Action(Command::StartStreaming)->trigger();
        return rig.station->IsStreaming() && rig.WaitForFrames(3);
    }
    void Ticks(int count) {
        for (int i = 0; i < count; ++i) Form().TimerTick();
    }
    static void Choose(QComboBox* box, int index) {
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    static void Enter(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    // Runs the window's 100 ms step as its timer would until `done`, in real time.
    template <typename Done>
    bool RunUntil(Done done, std::chrono::seconds limit = 30s) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            frame->RefreshView();
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }

    test::LogCapture log;
    test::SimulatedStation rig{kFastMode};
    std::optional<uint64_t> freeBytes = 500ULL * 1000 * 1000 * 1000;
    UtcDateTime utc{2024, 5, 23, 21, 30, 0, 0};
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(CameraPanel, ControlsReachTheCameraAndTheStatusComesBack) {
    EXPECT_EQ(Form().Identification()->text(), "not connected");
    EXPECT_FALSE(Form().ExposureEdit()->isEnabled());
    ASSERT_TRUE(ConnectAndStream());
    EXPECT_EQ(Form().Identification()->text(), "ORVA+CAM 174  -  #1234  -  1.3.5");
    EXPECT_TRUE(Form().ExposureEdit()->isEnabled());
    ASSERT_EQ(Form().Resolution()->count(), 5);
    EXPECT_EQ(Form().Resolution()->currentText(), "176 x 128 (Fast)");
    EXPECT_EQ(Form().Gain()->count(), 49);

    Choose(Form().Resolution(), 4);
    EXPECT_EQ(Camera().modeIndex, 4);
    EXPECT_TRUE(rig.station->IsStreaming());

    Enter(Form().ExposureEdit(), "20");
    EXPECT_FALSE(Form().ExposureEdit()->hasFocus()) << "an accepted entry leaves the edit";
    Choose(Form().Gain(), 12);
    Form().BlackLevelLock()->click();
    Enter(Form().BlackLevelEdit(), "300");
    Form().Invert()->click();
    Choose(Form().Flip(), 3);
    SimDeviceState camera = Camera();
    EXPECT_EQ(camera.exposureUs, 20000u);
    EXPECT_EQ(camera.gainCode, 12);
    EXPECT_EQ(camera.blackLevel, 300);
    EXPECT_TRUE(camera.invert);

    // Out of range: nothing is sent and the text is selected for correction.
    Enter(Form().ExposureEdit(), "5001");
    EXPECT_EQ(Camera().exposureUs, 20000u);
    EXPECT_TRUE(Form().ExposureEdit()->hasSelectedText());
    Form().ExposureEdit()->clearFocus();
    // A clamped black level is written back.
    Enter(Form().BlackLevelEdit(), "70000");
    Form().BlackLevelEdit()->clearFocus();
    Form().Refresh();
    EXPECT_EQ(Camera().blackLevel, 65535);
    EXPECT_EQ(Form().BlackLevelEdit()->text(), "65535");
    // The spin's up arrow takes the next longer exposure.
    Form().StepExposure(1);
    EXPECT_EQ(Camera().exposureUs, 50000u);
    EXPECT_EQ(Form().ExposureEdit()->text(), "50");

    // The camera changes behind the panel's back; the status refresh shows it.
    StationCameraSettings other = rig.station->CameraSettings();
    other.exposureMs = 30.0;
    other.gainIndex = 7;
    std::string error;
    ASSERT_TRUE(rig.station->ChangeCameraSettings(other, error)) << error;
    ASSERT_TRUE(rig.WaitForFrames(5));
    Ticks(CameraPanelModel::kStatusEveryTicks);
    EXPECT_EQ(Form().ExposureEdit()->text(), "30");
    EXPECT_EQ(Form().FrameRateEdit()->text(), "33.33");
    EXPECT_EQ(Form().Gain()->currentIndex(), 7);
    EXPECT_TRUE(Form().Invert()->isChecked());
    EXPECT_EQ(Form().Flip()->currentIndex(), 3);
    EXPECT_EQ(Form().LinkText()->text(), "USB3.0");
    EXPECT_EQ(Form().RecordedText()->text(), "0 (missed 0)");
    EXPECT_EQ(rig.settings.CameraConfig.blackLevelValue, 65535);
}

TEST_F(CameraPanel, SerRecordedFromTheMenuAndStoppedWithTheShortcut) {
    EXPECT_FALSE(frame->Action(Command::RecordSer)->isEnabled());
    ASSERT_TRUE(ConnectAndStream());
    frame->UpdateCommands();
    ASSERT_TRUE(frame->Action(Command::RecordSer)->isEnabled());
    EXPECT_FALSE(frame->Action(Command::StopRecording)->isEnabled());
    EXPECT_FALSE(frame->DiskStatus()->isVisible());

    frame->Action(Command::RecordSer)->trigger();
    ASSERT_TRUE(frame->Recording().IsRecording());
    EXPECT_FALSE(frame->Action(Command::RecordSer)->isEnabled());
    EXPECT_FALSE(frame->Action(Command::RecordAdv)->isEnabled());
    EXPECT_TRUE(frame->Action(Command::StopRecording)->isEnabled());
    EXPECT_FALSE(Form().Resolution()->isEnabled()) << "no mode change while recording";
    ASSERT_TRUE(rig.WaitForFrames(40));
    frame->RefreshView();
    EXPECT_TRUE(frame->DiskStatus()->isVisible());
    EXPECT_TRUE(frame->DiskStatus()->text().startsWith("Disk: ")) << frame->DiskStatus()->text().toStdString();

    QTest::keyClick(frame.get(), Qt::Key_F8);
    ASSERT_TRUE(RunUntil([&] { return !frame->Recording().IsRecording(); }));
    EXPECT_EQ(frame->Recording().LastOutcome(), RecordingOutcome::StoppedByUser);
    EXPECT_TRUE(frame->Action(Command::RecordSer)->isEnabled());
    EXPECT_FALSE(frame->DiskStatus()->isVisible());

    const std::string path = frame->Recording().Session()->RecordingPath();
    EXPECT_EQ(path.substr(path.size() - 4), ".ser");
    std::string error;
    const auto ser = RecordingInspector::Inspect(path, error);
    ASSERT_TRUE(ser) << error;
    EXPECT_EQ(ser->format, "SER 16-bit");
    EXPECT_GE(ser->frames.size(), 39u);
    EXPECT_FALSE(RecordingInspector::Unsound(*ser, AnalyzeTimeline(ser->frames)));
}

// Frames the camera dropped during a recording: the statistics count them and the
// missed-frames button appears.
TEST_F(CameraPanel, MissedFramesOfARecordingShowInTheStatistics) {
    ASSERT_TRUE(ConnectAndStream());
    Ticks(CameraPanelModel::kStatusEveryTicks);
    EXPECT_FALSE(Form().MissedFramesButton()->isVisible());
    frame->Action(Command::RecordSer)->trigger();
    ASSERT_TRUE(frame->Recording().IsRecording());
    std::string error;
    SimFaultPlan plan;
    plan.faults.push_back(*SimFaultPlan::Parse("drop:10:3", error));
    rig.cameraDevice->Faults().SetPlan(plan);
    rig.cameraDevice->RestartFaultPlan();
    ASSERT_TRUE(rig.WaitForFrames(40));
    Ticks(CameraPanelModel::kStatusEveryTicks);
    EXPECT_TRUE(Form().RecordedText()->text().endsWith(" (missed 3)")) << Form().RecordedText()->text().toStdString();
    EXPECT_TRUE(Form().MissedFramesButton()->isVisible());
    frame->Action(Command::StopRecording)->trigger();
    ASSERT_TRUE(RunUntil([&] { return !frame->Recording().IsRecording(); }));
}

// Closing the window in the middle of a recording still leaves a whole file.
TEST_F(CameraPanel, ClosingWhileRecordingLeavesASoundFile) {
    ASSERT_TRUE(ConnectAndStream());
    frame->Action(Command::RecordSer)->trigger();
    ASSERT_TRUE(frame->Recording().IsRecording());
    const std::string path = frame->Recording().Session()->RecordingPath();
    ASSERT_TRUE(rig.WaitForFrames(20));
    frame->close();
    frame.reset();
    std::string error;
    const auto ser = RecordingInspector::Inspect(path, error);
    ASSERT_TRUE(ser) << error;
    EXPECT_GE(ser->frames.size(), 19u);
    EXPECT_FALSE(RecordingInspector::Unsound(*ser, AnalyzeTimeline(ser->frames)));
}

TEST_F(CameraPanel, DiskSpaceTurnsYellowThenRedWhileRecording) {
    ASSERT_TRUE(ConnectAndStream());
    frame->Action(Command::RecordAdv)->trigger();
    ASSERT_TRUE(frame->Recording().IsRecording());
    // The data rate is known after a second of recording.
    ASSERT_TRUE(RunUntil([&] { return frame->Recording().Disk().DataRate() > 0; }));
    QLabel* label = frame->DiskStatus();
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->styleSheet(), "");
    const double rate = frame->Recording().Disk().DataRate();
    const auto leaving = [&](int seconds) {
        freeBytes = DiskSpaceModel::kReserveBytes + static_cast<uint64_t>(rate * seconds);
        frame->RefreshView();
    };
    leaving(300);
    EXPECT_EQ(frame->Recording().Disk().GetLevel(), DiskSpaceModel::Level::Yellow);
    EXPECT_TRUE(label->styleSheet().contains("background: #e0c000")) << label->styleSheet().toStdString();
    leaving(60);
    EXPECT_EQ(frame->Recording().Disk().GetLevel(), DiskSpaceModel::Level::Red);
    EXPECT_TRUE(label->styleSheet().contains("background: #c00000")) << label->styleSheet().toStdString();
    EXPECT_EQ(label->text().toStdString(), frame->Recording().Disk().StatusText());
    frame->Action(Command::StopRecording)->trigger();
    ASSERT_TRUE(RunUntil([&] { return !frame->Recording().IsRecording(); }));
    EXPECT_FALSE(label->isVisible());
}

TEST_F(CameraPanel, DarkFrameThroughItsDialogThenChosenInThePanel) {
    ASSERT_TRUE(ConnectAndStream());
    frame->UpdateCommands();
    frame->Action(Command::FitsDark)->trigger();
    CDlgDarkFlat* dialog = frame->DarkFlatDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowTitle(), "Create Dark Frame Image");
    EXPECT_EQ(dialog->FramesEdit()->text(), "16");
    EXPECT_FALSE(frame->Action(Command::FitsFlat)->isEnabled()) << "one dark/flat dialog at a time";

    // Out of range: the message, and the dialog stays for correction.
    dialog->FramesEdit()->setText("257");
    dialog->StartButton()->click();
    ASSERT_FALSE(rig.ui.messages.empty());
    EXPECT_EQ(rig.ui.messages.back().text, "The number of frames needs to be in the range from 1 to 256.");
    EXPECT_TRUE(dialog->FramesEdit()->isEnabled());

    dialog->FramesEdit()->setText("8");
    dialog->DelayBox()->setChecked(false);
    dialog->StartButton()->click();
    EXPECT_FALSE(dialog->FramesEdit()->isEnabled());
    EXPECT_EQ(dialog->Progress()->maximum(), 8);
    ASSERT_TRUE(RunUntil([&] { return !frame->Capture().Busy(); }));
    ASSERT_EQ(frame->Capture().LastResult(), FitsCaptureModel::Result::Written);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frame->DarkFlatDialog(), nullptr) << "closed when the file is written";

    std::string error;
    const auto dark = RecordingInspector::Inspect(frame->Capture().Path(), error);
    ASSERT_TRUE(dark) << error;
    EXPECT_NE(std::find(dark->notes.begin(), dark->notes.end(), "average of 8 frames"), dark->notes.end());

    // The new file is offered in the panel's Dark list and loads.
    Form().Refresh();
    EXPECT_FALSE(Form().DarkList()->isEnabled());
    Form().Dark()->click();
    ASSERT_EQ(Form().DarkList()->count(), 2);
    EXPECT_TRUE(Form().DarkList()->isEnabled());
    Choose(Form().DarkList(), 1);
    EXPECT_NE(frame->Capture().Path().find(Form().DarkList()->currentText().toStdString()), std::string::npos);
    EXPECT_EQ(Form().DarkList()->currentIndex(), 1);
}

TEST_F(CameraPanel, CancellingTheFlatDialogRestoresThePanel) {
    ASSERT_TRUE(ConnectAndStream());
    frame->UpdateCommands();
    frame->Action(Command::FitsFlat)->trigger();
    CDlgDarkFlat* dialog = frame->DarkFlatDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Create Flat Field Image");
    dialog->CancelButton()->click();
    ASSERT_TRUE(RunUntil([&] { return !frame->Capture().Busy(); }));
    EXPECT_EQ(frame->Capture().LastResult(), FitsCaptureModel::Result::Cancelled);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frame->DarkFlatDialog(), nullptr);
    frame->UpdateCommands();
    EXPECT_TRUE(frame->Action(Command::FitsFlat)->isEnabled());
}

// The dialog shows the model and forwards its inputs: a bad frame interval is refused
// with the message; without row 1 it records until Stop, every n-th frame.
TEST_F(CameraPanel, RecordingWithOptionsDialogRecordsUntilStop) {
    rig.settings.RecordingWithOptionsFormat = "SER";
    rig.settings.RecordingWithOptionsDefaultDurationSec = "60";
    ASSERT_TRUE(ConnectAndStream());
    frame->UpdateCommands();
    frame->Action(Command::RecordWithOptions)->trigger();
    CDlgRecordingWithOptions* dialog = frame->RecordingOptionsDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowTitle(), "Recording with Options");
    EXPECT_EQ(dialog->Format()->currentText(), "SER");
    EXPECT_EQ(dialog->RowAt(0).center->text(), "21:30:00");
    EXPECT_EQ(dialog->RowAt(0).duration->text(), "60");
    EXPECT_EQ(dialog->RowAt(1).center->text(), "");
    EXPECT_FALSE(dialog->CopyEvents()->isVisible()) << "no event ahead";

    dialog->EveryNth()->setChecked(true);
    dialog->EveryNthValue()->setText("0");
    dialog->StartStop()->click();
    EXPECT_EQ(rig.ui.messages.back().text, "The frame interval value is invalid. Please set the value to 1 or greater.");
    EXPECT_EQ(dialog->StartStop()->text(), "Start");

    dialog->EveryNthValue()->setText("2");
    dialog->RowAt(0).checked->setChecked(false);
    dialog->StartStop()->click();
    EXPECT_EQ(frame->RecordingOptions().GetState(), RecordingWithOptionsModel::State::Running);
    ASSERT_TRUE(frame->Recording().IsRecording());
    EXPECT_EQ(dialog->StartStop()->text(), "Stop");
    EXPECT_FALSE(dialog->RowAt(0).center->isEnabled());
    ASSERT_TRUE(rig.WaitForFrames(40));
    dialog->StartStop()->click();
    ASSERT_TRUE(RunUntil([&] { return !frame->Recording().IsRecording(); }));
    EXPECT_EQ(dialog->StartStop()->text(), "Start");
    EXPECT_TRUE(dialog->RowAt(0).center->isEnabled());

    std::string error;
    const auto ser = RecordingInspector::Inspect(frame->Recording().Session()->RecordingPath(), error);
    ASSERT_TRUE(ser) << error;
    ASSERT_GE(ser->frames.size(), 2u);
    // Every second frame of the 5 ms stream.
    EXPECT_EQ(ser->frames[1].startTicks - ser->frames[0].startTicks, 100000u);
}

}  // namespace
}  // namespace orva

namespace orva {
namespace {

// The live view's options: the panel's boxes, the View menu and the view agree, and
// Invert mirrors the stretch so that the sky keeps its look.
TEST_F(CameraPanel, PreviewOptionsCrosshairAndInvertStayInStep) {
    QAction* menuCrosshair = frame->Action(Command::Crosshair);
    Form().Crosshair()->click();
    EXPECT_TRUE(frame->View().Crosshair());
    EXPECT_TRUE(menuCrosshair->isChecked());
    menuCrosshair->trigger();
    EXPECT_FALSE(frame->View().Crosshair());
    EXPECT_FALSE(Form().Crosshair()->isChecked());
    EXPECT_EQ(rig.settings.CameraConfig.crosshair, 0);
    EXPECT_TRUE(log.Contains("I MainForm: show crosshair overlay: 1"));

    Form().Overflow()->click();
    EXPECT_TRUE(rig.settings.ShowOverflow.IsOn());

    ASSERT_EQ(Form().PreviewMode()->count(), 3);
    EXPECT_FALSE(Form().Zoom()->isEnabled()) << "the zoom belongs to aspect scale";
    Choose(Form().PreviewMode(), 2);
    EXPECT_EQ(frame->View().Geometry().Mode(), ViewGeometry::ZoomMode::AspectScale);
    EXPECT_TRUE(Form().Zoom()->isEnabled());
    emit Form().Zoom()->textActivated("300");
    EXPECT_EQ(frame->View().Geometry().ZoomPercent(), 300);
    EXPECT_EQ(Form().Zoom()->currentText(), "300%");
    EXPECT_EQ(rig.settings.PreviewZoomFactor, 300);

    ASSERT_TRUE(ConnectAndStream());
    frame->UpdateCommands();
    frame->Action(Command::ToggleZoom)->trigger();  // the menu's toggle, with a picture to zoom
    EXPECT_EQ(frame->View().Geometry().Mode(), ViewGeometry::ZoomMode::AspectFit);
    EXPECT_EQ(Form().PreviewMode()->currentIndex(), 1);
    EXPECT_EQ(rig.settings.PreviewModeText, "1");
    frame->Histogram().SetLevels(1000, 5000);
    Form().Invert()->click();
    EXPECT_EQ(frame->Histogram().Levels().background, 65535 - 5000);
    EXPECT_EQ(frame->Histogram().Levels().white, 65535 - 1000);
    Form().Invert()->click();
    EXPECT_EQ(frame->Histogram().Levels().background, 1000);
    EXPECT_EQ(frame->Histogram().Levels().white, 5000);
}

// The equipment of the next recording is chosen on the panel; not while the camera streams.
TEST_F(CameraPanel, EquipmentListsChooseTheCurrentEntries) {
    ASSERT_TRUE(rig.observers.Add("Ada"));
    ASSERT_TRUE(rig.observers.Add("Bea"));
    ASSERT_TRUE(rig.instruments.Add("C8"));
    frame->SetEquipmentLists({&rig.observers, &rig.sites, &rig.instruments, &rig.mounts});
    Form().Refresh();
    using Kind = EquipmentSelectionModel::Kind;
    QComboBox* observers = Form().EquipmentList(Kind::Observer);
    ASSERT_EQ(observers->count(), 2);
    EXPECT_EQ(observers->currentIndex(), -1);
    Choose(observers, 1);
    EXPECT_EQ(rig.settings.SelectedObserverName(), "Bea");
    Choose(Form().EquipmentList(Kind::Instrument), 0);
    EXPECT_EQ(rig.settings.SelectedInstrumentName(), "C8");

    // An entry added in the Edit dialog shows at once.
    ASSERT_TRUE(rig.observers.Add("Cyd"));
    Form().Refresh();
    EXPECT_EQ(observers->count(), 3);
    EXPECT_EQ(observers->currentText(), "Bea");

    EXPECT_TRUE(observers->isEnabled());
    ASSERT_TRUE(ConnectAndStream());
    EXPECT_FALSE(observers->isEnabled());
    frame->Action(Command::StopStreaming)->trigger();
    Form().Refresh();
    EXPECT_TRUE(observers->isEnabled());
}

}  // namespace
}  // namespace orva
