// The camera's maintenance windows over the simulated camera: a firmware file written
// through the Firmware Update dialog and booted after a power cycle, a damaged file
// refused before the flash is touched, the serial-number question, the GPS module's
// version and one satellite system switched off through the GNSS Selector and read back,
// and the Camera menu commands that open them.
//
// The station runs on a manual clock that the tests move with each timer tick; the
// simulated camera keeps real time but is not streaming here.

#include "ui/CDlgFwUpdate.h"
#include "ui/CDlgSatConfig.h"
#include "ui/CDlgSatGnssSelection.h"
#include "ui/CDlgSerialNr.h"
#include "ui/CMainForm.h"
#include "ui/CMainFrame.h"

#include "UiStation.h"

#include "simcam/SimFirmwareImage.h"
#include "simcam/SimFlash.h"
#include "simcam/SimGpsReceiver.h"
#include "support/ManualClock.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace orva {
namespace {

using namespace std::chrono_literals;
using Command = MainFrameModel::Command;
using Bytes = std::vector<uint8_t>;

constexpr SimFirmwareVersion kNewVersion{1, 4, 2};

Bytes FirmwareFile() {
    return SimFirmwareImage::File(SimFirmwareImage::Fx3Part(kNewVersion, 6000, 1), SimFirmwareImage::FpgaPart(100000, 2),
                                  SimFirmwareImage::FpgaPart(100300, 3));
}

// The frame's tool windows of one class (the dialogs carry no meta-object of their own,
// so findChild cannot tell them apart).
template <class Window>
std::vector<Window*> Windows(QObject& parent) {
    std::vector<Window*> found;
    for (QDialog* d : parent.findChildren<QDialog*>()) {
        if (auto* w = dynamic_cast<Window*>(d)) found.push_back(w);
    }
    return found;
}

// Built before the station, which runs on it.
struct StationClock {
    test::ManualClock clock;
};

class MaintenanceDialogs : public ::testing::Test, protected StationClock, protected test::UiStation {
protected:
    MaintenanceDialogs() : UiStation(StationClock::clock) { frame = std::make_unique<CMainFrame>(*station); }
    ~MaintenanceDialogs() override {
        frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        station.reset();
    }

    bool Connect() {
        if (!frame->ConnectCamera(camera->SymbolicLink())) return false;
        frame->Form().TimerTick();  // the panel loads the camera's identification
        return true;
    }
    std::string Store(const std::string& name, const Bytes& bytes) {
        const std::string path = dir.File(name);
        test::WriteFile(path, std::string(bytes.begin(), bytes.end()));
        return path;
    }
    // Opens the dialog through the menu, declining the offer to stream.
    CDlgFwUpdate* OpenFirmwareDialog() {
        ui.yesNoReplies = {false};
        frame->Action(Command::UpdateFirmware)->trigger();
        return frame->FirmwareUpdateDialog();
    }
    // The main window's housekeeping timer, as it runs, until `done`.
    template <typename Done>
    bool Housekeeping(Done done, int maxTicks = 5000) {
        for (int i = 0; i < maxTicks; ++i) {
            if (done()) return true;
            clock.Advance(200ms);
            frame->HousekeepingTick();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        return done();
    }
    // The GNSS Selector's timer until its read (or write and read-back) has ended.
    void RunGnss(CDlgSatGnssSelection& gnss) {
        for (int i = 0; i < 200 && !gnss.ReadButton()->isEnabled(); ++i) {
            clock.Advance(100ms);
            gnss.OnTimer();
        }
        ASSERT_TRUE(gnss.ReadButton()->isEnabled()) << gnss.Status()->text().toStdString();
    }
    int ErasedBlocks() { return camera->Device().WithFlash([](SimFlash& f) { return f.ErasedBlockCount(); }); }
    uint8_t ActiveSlot() { return camera->Device().WithFlash([](SimFlash& f) { return f.ActiveSlot(); }); }
    Bytes Receiver() {
        return camera->Device().WithGpsReceiver([](SimGpsReceiver& r) { return r.GnssConfiguration(); });
    }

    std::unique_ptr<CMainFrame> frame;
};

TEST_F(MaintenanceDialogs, CommandsNeedAConnectedCamera) {
    for (const Command c : {Command::UpdateFirmware, Command::SatelliteConfiguration}) {
        EXPECT_FALSE(frame->Action(c)->isEnabled()) << MainFrameModel::Text(c);
    }
    ASSERT_TRUE(Connect());
    for (const Command c : {Command::UpdateFirmware, Command::SatelliteConfiguration}) {
        EXPECT_TRUE(frame->Action(c)->isEnabled()) << MainFrameModel::Text(c);
    }
    frame->Action(Command::Disconnect)->trigger();
    for (const Command c : {Command::UpdateFirmware, Command::SatelliteConfiguration}) {
        EXPECT_FALSE(frame->Action(c)->isEnabled()) << MainFrameModel::Text(c);
    }
}

TEST_F(MaintenanceDialogs, FirmwareWrittenThroughTheDialogRunsAfterAPowerCycle) {
    const std::string path = Store("new.dat", FirmwareFile());
    ASSERT_TRUE(Connect());
    EXPECT_TRUE(frame->Form().Identification()->text().endsWith("1.3.5")) << frame->Form().Identification()->text().toStdString();

    CDlgFwUpdate* dialog = OpenFirmwareDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0].title, "Enable Streaming");
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(log.Contains("I Opened Dialog 'Firmware Update'"));
    EXPECT_EQ(dialog->ActiveSlot()->text(), "(Active: IMG-1)");
    EXPECT_EQ(dialog->SlotList()->currentText(), "IMG-2") << "the slot the camera does not run";
    EXPECT_FALSE(dialog->SlotList()->isEnabled()) << "only with Shift held";
    EXPECT_EQ(dialog->Status()->text(), "Select firmware image and click on \"Run\".");

    ui.pickReplies = {path};
    QTest::mouseClick(dialog->SelectButton(), Qt::LeftButton);
    ASSERT_EQ(ui.pickerTitles.size(), 1u);
    EXPECT_EQ(ui.pickerTitles[0], "Select Camera Firmware File");
    EXPECT_EQ(dialog->FileEdit()->text().toStdString(), path);

    QTest::mouseClick(dialog->RunButton(), Qt::LeftButton);
    EXPECT_EQ(dialog->Status()->text(), "Erasing the FLASH memory...");
    for (QWidget* w : std::initializer_list<QWidget*>{dialog->FileEdit(), dialog->SelectButton(), dialog->RunButton(),
                                                      dialog->CancelButton()}) {
        EXPECT_FALSE(w->isEnabled()) << w->metaObject()->className();
    }
    dialog->close();
    EXPECT_TRUE(dialog->isVisible()) << "no closing while the flash is written";

    // The bar follows the update between ticks of the window's timer.
    int shownBetween = 0;
    ASSERT_TRUE(Housekeeping([&] {
        if (frame->FirmwareUpdateDialog() == nullptr) return true;
        const int value = frame->FirmwareUpdateDialog()->Progress()->value();
        if (value > 0 && value < 100) {
            ++shownBetween;
            EXPECT_EQ(frame->FirmwareUpdateDialog()->Percent()->text(), QString("%1%").arg(value));
        }
        return false;
    }));
    EXPECT_GT(shownBetween, 1);
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back(), (test::FakeUiServices::Message{
                                      "Success", "The firmware update was successful. Please re-connect the camera.",
                                      MessageIcon::Information}));
    EXPECT_EQ(ActiveSlot(), SimFlash::kSlotImg2);
    EXPECT_EQ(settings.UpdateFirmwareFile, path);

    // Disconnect, power cycle, connect: the camera runs the written image.
    frame->Action(Command::Disconnect)->trigger();
    camera->Unplug();
    ASSERT_TRUE(Housekeeping([&] { return station->CameraList().empty(); }));
    camera->Replug(0ms);
    ASSERT_TRUE(Housekeeping([&] { return !station->CameraList().empty(); }));
    ASSERT_TRUE(Connect());
    EXPECT_TRUE(frame->Form().Identification()->text().endsWith("1.4.2")) << frame->Form().Identification()->text().toStdString();
}

TEST_F(MaintenanceDialogs, DamagedFileIsRefusedBeforeTheFlashIsTouched) {
    Bytes truncated = FirmwareFile();
    truncated.pop_back();
    const std::string path = Store("truncated.dat", truncated);
    ASSERT_TRUE(Connect());
    CDlgFwUpdate* dialog = OpenFirmwareDialog();
    ASSERT_NE(dialog, nullptr);

    dialog->FileEdit()->setFocus();
    QTest::keyClicks(dialog->FileEdit(), QString::fromStdString(path));
    QTest::mouseClick(dialog->RunButton(), Qt::LeftButton);
    EXPECT_EQ(dialog->Status()->text(),
              "Error: The firmware file is incomplete or damaged: its length does not match the sizes in its header.");
    EXPECT_EQ(dialog->Progress()->value(), 0);
    EXPECT_EQ(dialog->Percent()->text(), "");
    EXPECT_TRUE(dialog->RunButton()->isEnabled()) << "another file may be run";
    Housekeeping([] { return false; }, 10);
    EXPECT_EQ(frame->FirmwareUpdateDialog(), dialog) << "the dialog stays open";
    EXPECT_EQ(ErasedBlocks(), 0);
    EXPECT_EQ(ActiveSlot(), SimFlash::kSlotImg1);

    // A camera without a serial number is asked for it through the dialog's own question.
    std::optional<uint32_t> serial;
    QTimer::singleShot(0, [&] {
        auto* ask = dynamic_cast<CDlgSerialNr*>(QApplication::activeModalWidget());
        ASSERT_NE(ask, nullptr);
        ask->Edit()->setText("49");
        ask->accept();
    });
    serial = station->FirmwareUpdateDialog().askSerialNumber();
    EXPECT_EQ(serial, 49u);

    QTest::mouseClick(dialog->CancelButton(), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frame->FirmwareUpdateDialog(), nullptr);
    EXPECT_FALSE(station->FirmwareUpdateDialog().IsOpen());
}

TEST_F(MaintenanceDialogs, UnplugDuringTheUpdateClosesTheDialog) {
    const std::string path = Store("new.dat", FirmwareFile());
    ASSERT_TRUE(Connect());
    CDlgFwUpdate* dialog = OpenFirmwareDialog();
    ASSERT_NE(dialog, nullptr);
    ui.pickReplies = {path};
    QTest::mouseClick(dialog->SelectButton(), Qt::LeftButton);
    QTest::mouseClick(dialog->RunButton(), Qt::LeftButton);
    Housekeeping([] { return false; }, 1);
    ASSERT_EQ(frame->FirmwareUpdateDialog(), dialog) << "erasing takes more than one tick";

    camera->Unplug();
    EXPECT_TRUE(Housekeeping([&] { return frame->FirmwareUpdateDialog() == nullptr; }, 3));
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().title, "Camera disconnected");
    EXPECT_EQ(ActiveSlot(), SimFlash::kSlotImg1) << "the camera still boots its old firmware";
}

TEST(SerialNumberDialog, OnlyAWholeNumberAboveZeroCloses) {
    test::LogCapture log;
    test::FakeUiServices ui;
    SerialNumberDialogModel model(ui);
    const struct {
        const char* text;
        bool accepted;
    } cases[] = {{"", false}, {"0", false}, {"-5", false}, {"12a", false}, {"4294967296", false}, {" 50 ", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ui.messages.clear();
        CDlgSerialNr dialog(model);
        dialog.show();
        dialog.Edit()->setText(c.text);
        dialog.accept();
        EXPECT_EQ(dialog.isVisible(), !c.accepted);
        EXPECT_EQ(dialog.result(), c.accepted ? QDialog::Accepted : QDialog::Rejected);
        if (c.accepted) {
            EXPECT_TRUE(ui.messages.empty());
            EXPECT_EQ(model.Value(), 50u);
        } else {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].text, "The serial number is invalid. Please enter a value of 1 or greater.");
        }
    }
    EXPECT_TRUE(log.Contains("I Opened Dialog 'Enter serial nr'"));
}

TEST_F(MaintenanceDialogs, SatelliteWindowShowsTheModuleAndSwitchesASystemOff) {
    ASSERT_TRUE(Connect());
    frame->Action(Command::SatelliteConfiguration)->trigger();
    ASSERT_EQ(Windows<CDlgSatConfig>(*frame).size(), 1u);
    CDlgSatConfig* sat = Windows<CDlgSatConfig>(*frame)[0];
    EXPECT_TRUE(sat->isVisible());
    EXPECT_TRUE(log.Contains("I Opened Sat Config Dialog"));
    ASSERT_EQ(sat->Values().size(), SatConfigDialogModel::kFields.size());
    EXPECT_EQ(sat->Values()[0]->text(), "ORVA-GNSS-M10");
    EXPECT_EQ(sat->Values()[1]->text(), "ROM 2.01 (sim)");
    EXPECT_EQ(sat->Values()[2]->text(), "-     ") << "no fix shown while not streaming";
    EXPECT_EQ(sat->Logging()->text(), "Periodic logging is disabled.");

    sat->hide();
    frame->Action(Command::SatelliteConfiguration)->trigger();
    EXPECT_EQ(Windows<CDlgSatConfig>(*frame), std::vector<CDlgSatConfig*>{sat}) << "made once, then shown again";
    EXPECT_TRUE(sat->isVisible());

    QTest::mouseClick(sat->SelectConstellations(), Qt::LeftButton);
    CDlgSatGnssSelection* gnss = sat->GnssSelection();
    ASSERT_NE(gnss, nullptr);
    EXPECT_TRUE(gnss->isVisible());
    EXPECT_EQ(gnss->Status()->text(), "Requesting GNSS selection state...");
    EXPECT_FALSE(gnss->WriteButton()->isEnabled()) << "nothing to write before the read";
    RunGnss(*gnss);
    EXPECT_EQ(gnss->Status()->text(), "Read complete.");
    EXPECT_EQ(gnss->Total()->text(), "32");
    EXPECT_FALSE(gnss->Total()->isEnabled());
    const auto& glonass = gnss->Row(6);
    EXPECT_EQ(glonass.enable->text(), "6-GLONASS");
    EXPECT_EQ(glonass.signal->text(), "L1");
    ASSERT_TRUE(glonass.enable->isChecked());
    EXPECT_TRUE(gnss->Row(4).max->isEnabled()) << "this receiver has an IMES block";

    Bytes expected = Receiver();
    ASSERT_EQ(expected.size(), 60u);
    expected[4 + 8 * 6 + 4] = 0;  // GLONASS's enable flag
    QTest::mouseClick(glonass.enable, Qt::LeftButton);
    QTest::mouseClick(gnss->WriteButton(), Qt::LeftButton);
    EXPECT_FALSE(glonass.enable->isEnabled()) << "rows wait for the write's read-back";
    RunGnss(*gnss);
    EXPECT_EQ(gnss->Status()->text(), "Writing done.");
    EXPECT_EQ(Receiver(), expected);

    QTest::mouseClick(gnss->ReadButton(), Qt::LeftButton);
    RunGnss(*gnss);
    EXPECT_EQ(gnss->Status()->text(), "Read complete.");
    EXPECT_FALSE(glonass.enable->isChecked());
    EXPECT_TRUE(gnss->Row(0).enable->isChecked());
    EXPECT_TRUE(ui.messages.empty()) << ui.messages[0].text;
}

}  // namespace
}  // namespace orva
