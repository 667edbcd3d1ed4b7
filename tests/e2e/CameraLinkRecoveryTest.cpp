// The station's camera side on the simulated camera: connect, stream through the stream
// worker into the frame processor, lose the USB link and get the camera back. The
// recovery is stepped directly (one call per 200 ms tick); only frames arrive in real
// time, and the test waits for them, not for timers.

#include "camera/ConnectMenuModel.h"
#include "station/SimulatedStation.h"

#include "support/FakeUiServices.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orva {
namespace {

using namespace std::chrono_literals;

class CameraLinkRecoveryE2e : public ::testing::Test {
protected:
    // The GUI thread's message loop: hands posted removals to the frame.
    int DeliverPostedMessages() { return station.HandleDeviceNotifications(); }
    void Steps(int n) {
        for (int i = 0; i < n; ++i) recovery.Step(&station);
    }
    bool StepUntil(LinkRecoveryState state, int limit = 100) {
        for (int i = 0; i < limit && recovery.State() != state; ++i) recovery.Step(&station);
        return recovery.State() == state;
    }
    bool WaitForFrames(int count) { return rig.WaitForFrames(count); }
    void ConnectAndStream() {
        station.RefreshCameraList();
        ASSERT_EQ(frame.ConnectMenu().Text(), "Connect ORVA+CAM");
        frame.OnConnectCameraCommand(ConnectMenuModel::kFirstConnectId);
        ASSERT_TRUE(manager.ActiveCameraUnit());
        ASSERT_TRUE(station.StartStreaming());
        ASSERT_TRUE(WaitForFrames(3));
    }

    test::LogCapture log;
    test::SimulatedStation rig{StationCameraSettings{0, 25.0, 0, 0, 0}};
    std::shared_ptr<SimulatedCamera> camera = rig.cameraDevice;
    test::FakeUiServices& ui = rig.ui;
    Station& station = *rig.station;
    CameraManager& manager = StationInside::Manager(station);
    LinkRecoveryController& recovery = StationInside::Recovery(station);
    MainFrameCameraClient& frame = StationInside::CameraClient(station);
    COrvaMediaStream& stream = StationInside::Stream(station);
};

bool ContainsInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& expected) {
    auto it = lines.begin();
    for (const auto& e : expected) {
        it = std::find(it, lines.end(), e);
        if (it == lines.end()) {
            ADD_FAILURE() << "missing (in order): " << e;
            return false;
        }
        ++it;
    }
    return true;
}

TEST_F(CameraLinkRecoveryE2e, UnplugWhileStreamingRecoversSettingsAndStream) {
    ASSERT_NO_FATAL_FAILURE(ConnectAndStream());
    // The observer picks mode 3 (960 x 600) and sets exposure, flip and black level.
    station.StopStreaming();
    station.SetCameraSettings({3, 25.0, 0, 2, 180});
    std::string error;
    ASSERT_TRUE(station.ApplyCameraSettings(error)) << error;
    ASSERT_TRUE(station.StartStreaming());
    ASSERT_TRUE(WaitForFrames(3));
    EXPECT_EQ(camera->ModeIndex(), 3);

    camera->Unplug();
    EXPECT_EQ(DeliverPostedMessages(), 1);
    EXPECT_TRUE(manager.RecoveryActive());
    EXPECT_FALSE(manager.ActiveCameraUnit());

    Steps(5);  // nothing listed yet
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Searching);
    camera->Replug(0ms);
    ASSERT_TRUE(StepUntil(LinkRecoveryState::Resumed));
    ASSERT_TRUE(manager.ActiveCameraUnit());
    EXPECT_TRUE(stream.IsStreaming());
    ASSERT_TRUE(WaitForFrames(2));
    ASSERT_TRUE(StepUntil(LinkRecoveryState::Succeeded, 1));
    Steps(1);
    EXPECT_EQ(manager.RecoveryStatusText(), "Link recovery succeeded!");
    EXPECT_FALSE(manager.RecoveryActive());

    // The camera came back with power-on settings; the station put its own back.
    const SimDeviceState state = camera->Device().State();
    EXPECT_EQ(camera->ModeIndex(), 3);
    EXPECT_EQ(state.exposureUs, 25000u);
    EXPECT_EQ(state.flipMode, 2);
    EXPECT_EQ(state.blackLevel, 180);
    EXPECT_TRUE(state.orvaMode);
    const auto& back = manager.ActiveCameraUnit();
    EXPECT_EQ(back->ActiveVideoResolution(), back->Model()->GetVideoResolution(3));
    EXPECT_TRUE(ui.messages.empty());

    // Frames decode into the new unit's status; a fresh read through GetStatus agrees.
    ASSERT_TRUE(WaitForFrames(2));
    CameraStatus status;
    ASSERT_TRUE(back->GetStatus(&status, 1));
    EXPECT_EQ(status.flipMode, 2);
    EXPECT_EQ(status.linkType, 3);

    EXPECT_TRUE(ContainsInOrder(
        log.Messages(),
        {"W CheckDeviceChange 32772", "W The camera link is interrupted", "I OnCameraLinkInterrupted",
         "I CameraUnit::Shutdown", "I OnCameraDisconnected", "I LinkRecoveryController::InitiateRecovery",
         "I LinkRecoveryController.StartRecovery1: Enumerating cameras",
         "I LinkRecoveryController.StartRecovery1: camera is: ORVA+CAM",
         "I LinkRecoveryController.StartRecovery1: activating the camera in a short moment...",
         "I LinkRecoveryController.StartRecovery2: activating the camera", "I CameraUnit::Activate",
         "I LinkRecoveryController.ResumeOperation: resuming the camera",
         "I LinkRecoveryController.ResumeOperation: resuming the stream",
         "I LinkRecoveryController.FinalizeSuccessfulRecovery: Recovery completed successfully!",
         "LinkRecoveryController.FinalizeSuccessfulRecovery: oldExpTimeStr: 25"}));
}

TEST_F(CameraLinkRecoveryE2e, CameraBackUnderAnotherNameIsNotTaken) {
    ASSERT_NO_FATAL_FAILURE(ConnectAndStream());
    camera->Unplug();
    ASSERT_EQ(DeliverPostedMessages(), 1);
    camera->Replug(0ms, std::string("ORVA+CAM (2)"));
    Steps(1499);
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Searching);
    EXPECT_FALSE(manager.ActiveCameraUnit());
    EXPECT_FALSE(camera->Device().State().orvaMode) << "the camera was never activated";
    Steps(1);
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Failed);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Camera link lost");
    EXPECT_FALSE(manager.RecoveryActive());
    EXPECT_FALSE(log.MessagesStartingWith("I LinkRecoveryController.StartRecovery1: camera is: ORVA+CAM (2)").empty());
}

TEST_F(CameraLinkRecoveryE2e, CameraThatSendsNoFrameIsDisconnectedAndSearchedAgain) {
    ASSERT_NO_FATAL_FAILURE(ConnectAndStream());
    camera->Unplug();
    ASSERT_EQ(DeliverPostedMessages(), 1);
    camera->Replug(0ms);
    ASSERT_TRUE(StepUntil(LinkRecoveryState::Activated));
    camera->StallDelivery(10min);
    ASSERT_TRUE(StepUntil(LinkRecoveryState::Resumed, 1));
    EXPECT_TRUE(stream.IsStreaming());
    Steps(25);
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Resumed);
    Steps(1);
    EXPECT_TRUE(log.Contains("E LinkRecoveryController.VerifyCompletion: streaming didn't start; will try again..."));
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Searching);
    EXPECT_FALSE(manager.ActiveCameraUnit());
    EXPECT_FALSE(stream.IsStreaming());
    EXPECT_TRUE(manager.RecoveryActive());
    Steps(1);
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Found) << "the camera is searched (and found) again";
}

TEST_F(CameraLinkRecoveryE2e, ConnectFailuresLeaveNoActiveCamera) {
    // A device that refuses every extension-unit call: the model cannot be read.
    camera->Faults().FailExtensionUnitCalls(kResultFailed);
    frame.RefreshCameraList();
    frame.OnConnectCameraCommand(ConnectMenuModel::kFirstConnectId);
    EXPECT_FALSE(manager.ActiveCameraUnit());
    EXPECT_TRUE(log.Contains("E Camera model unknown!"));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Failed to connect to the camera.\n");
    camera->Faults().ClearExtensionUnitFailure();

    // A camera gone between listing and connecting: activation is refused.
    camera->Unplug();
    DeliverPostedMessages();
    frame.OnConnectCameraCommand(ConnectMenuModel::kFirstConnectId);
    EXPECT_FALSE(manager.ActiveCameraUnit());
    EXPECT_TRUE(log.Contains("E Delayed activation failed"));
    EXPECT_EQ(ui.messages.size(), 2u);

    // Back on the bus, the same listed camera connects and streams.
    camera->Replug(0ms);
    frame.RefreshCameraList();
    ASSERT_NO_FATAL_FAILURE(ConnectAndStream());
}

// Frames flow on the stream's threads while the GUI side polls the status: the cache and
// the manager must be free of data races (run under ThreadSanitizer).
TEST_F(CameraLinkRecoveryE2e, GuiPollsStatusWhileFramesFlow) {
    ASSERT_NO_FATAL_FAILURE(ConnectAndStream());
    const auto& unit = manager.ActiveCameraUnit();
    CameraStatus status;
    int32_t seen = 0;
    int fresh = 0;
    for (int i = 0; i < 60; ++i) {
        // The panel timer's poll: anything newer than last time, else a status-block read.
        ASSERT_TRUE(unit->GetStatus(&status, seen + 1));
        ASSERT_GT(status.sequence, seen);
        seen = status.sequence;
        fresh += status.fixState == 3;
        if (i % 10 == 0) {
            ASSERT_TRUE(WaitForFrames(1));
        }
    }
    EXPECT_GT(fresh, 0) << "frame records reached the status";
    EXPECT_EQ(status.satellites, 9);
    EXPECT_EQ(status.latitude, 481234567);
}

}  // namespace
}  // namespace orva
