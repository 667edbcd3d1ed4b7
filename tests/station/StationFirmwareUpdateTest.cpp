// The station's own firmware update model: stepped by the station's tick, streaming the
// station's way while it runs, and closed by a link that breaks while it is open, whether
// the station's model or a front end's dialog is the one open.
#include "camera/CameraFakes.h"
#include "simcam/SimFirmwareImage.h"
#include "station/SimulatedStation.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

class StationFirmwareUpdateTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(station.Connect(rig.cameraDevice->SymbolicLink(), error)) << error;
        const std::vector<uint8_t> file = SimFirmwareImage::File(
            SimFirmwareImage::Fx3Part({1, 4, 2}, 6000, 1), SimFirmwareImage::FpgaPart(100000, 2),
            SimFirmwareImage::FpgaPart(100300, 3));
        test::WriteFile(path, std::string(file.begin(), file.end()));
    }
    uint8_t ActiveSlot() { return rig.cameraDevice->Device().WithFlash([](SimFlash& f) { return f.ActiveSlot(); }); }

    test::LogCapture log;
    test::SimulatedStation rig;
    Station& station = *rig.station;
    FirmwareUpdateDialogModel& dialog = station.FirmwareUpdateDialog();
    test::FakeMainFrameView frontEnd;
    const std::string path = rig.dir.File("fw.dat");
};

TEST_F(StationFirmwareUpdateTest, StationTicksRunTheUpdateWhileTheCameraStreams) {
    rig.ui.yesNoReplies = {true};
    ASSERT_TRUE(dialog.Open(false));
    dialog.firmwareFile = path;
    EXPECT_TRUE(station.IsStreaming());
    EXPECT_TRUE(station.IsFirmwareUpdateDialogOpen());
    ASSERT_TRUE(rig.WaitForFrames(2)) << "the frame processor stays on the stream";

    dialog.Run();
    for (int i = 0; i < 2000 && dialog.IsOpen(); ++i) station.Tick();
    EXPECT_FALSE(dialog.IsOpen());
    ASSERT_FALSE(rig.ui.messages.empty());
    EXPECT_EQ(rig.ui.messages.back().title, "Success") << rig.ui.messages.back().text;
    EXPECT_EQ(ActiveSlot(), SimFlash::kSlotImg2);
    EXPECT_FALSE(station.IsStreaming()) << "streaming started for the update stops with it";
    EXPECT_FALSE(station.IsFirmwareUpdateDialogOpen());
}

TEST_F(StationFirmwareUpdateTest, UnplugDuringTheUpdateClosesTheStationsModel) {
    station.SetFrontEnd(&frontEnd);  // its own dialog is closed: the station's model counts
    ASSERT_TRUE(dialog.Open(false));
    dialog.firmwareFile = path;
    dialog.Run();
    // Erasing a slot takes many ticks; programming this file takes about one.
    station.Tick();
    ASSERT_NE(dialog.Engine(), nullptr);
    ASSERT_EQ(dialog.Engine()->State(), FirmwareUpdateState::Erasing);

    rig.cameraDevice->Unplug();
    station.Tick();
    EXPECT_FALSE(dialog.IsOpen());
    // The removal is handled before the update would send again: no send-failure box.
    ASSERT_EQ(rig.ui.messages.size(), 1u);
    EXPECT_EQ(rig.ui.messages[0].title, "Camera disconnected");
    EXPECT_FALSE(station.RecoveryActive()) << "no recovery after a broken update";
    EXPECT_TRUE(frontEnd.firmwareDialogCancelled) << "the front end is told as well";
    EXPECT_EQ(ActiveSlot(), SimFlash::kSlotImg1) << "the camera still boots its old firmware";
}

TEST_F(StationFirmwareUpdateTest, FrontEndsOpenDialogStillCounts) {
    frontEnd.firmwareDialogOpen = true;
    station.SetFrontEnd(&frontEnd);
    EXPECT_TRUE(station.IsFirmwareUpdateDialogOpen());
    rig.cameraDevice->Unplug();
    station.Tick();
    EXPECT_TRUE(frontEnd.firmwareDialogCancelled);
    ASSERT_EQ(rig.ui.messages.size(), 1u);
    EXPECT_EQ(rig.ui.messages[0].title, "Camera disconnected");
    EXPECT_FALSE(station.RecoveryActive());
}

}  // namespace
}  // namespace orva
