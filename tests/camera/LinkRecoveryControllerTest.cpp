#include "camera/LinkRecoveryController.h"
#include "camera/MainFrameCameraClient.h"

#include "CameraFakes.h"
#include "support/FakeUiServices.h"
#include "support/LogCapture.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

using test::FakeCameraDevice;
constexpr const char* kLink = "\\\\?\\usb#vid_04b4&pid_00f1#5&2d8e1f3c&0&1#{e5323777-f976-4f5b-9b55-b94699c46e44}";

class LinkRecoveryTest : public ::testing::Test {
protected:
    test::LogCapture log;
    test::ManualClock clock;
    test::FakeDeviceEnumerator devices;
    test::FakeCameraStream stream;
    CameraManager manager{devices, stream, clock};
    test::FakeUiServices ui;
    test::FakeMainFrameView view;
    test::FakePanel panel{manager, stream};
    LinkRecoveryController recovery{manager, ui};
    MainFrameCameraClient frame{manager, recovery, ui, view};
    std::shared_ptr<FakeCameraDevice> device;

    void SetUp() override {
        view.panel = &panel;
        device = std::make_shared<FakeCameraDevice>(clock, "ORVA+CAM", kLink);
        devices.devices.push_back(device);
        frame.RefreshCameraList();
        frame.OnConnectCameraCommand(ConnectMenuModel::kFirstConnectId);
        ASSERT_TRUE(manager.ActiveCameraUnit());
    }

    // The camera leaves the bus and the frame hears of it.
    void Unplug() {
        devices.devices.clear();
        DeviceChangeNotification n;
        n.deviceName = kLink;
        ASSERT_TRUE(frame.CheckDeviceChange(MainFrameCameraClient::kDeviceRemoveComplete, &n));
    }
    void Replug(std::string name = "ORVA+CAM") {
        device = std::make_shared<FakeCameraDevice>(clock, std::move(name), kLink);
        devices.devices.push_back(device);
    }
    void Steps(int n) {
        for (int i = 0; i < n; ++i) recovery.Step(&panel);
    }
    // Steps until the state is reached; false after `limit` steps.
    bool StepUntil(LinkRecoveryState state, int limit = 2000) {
        for (int i = 0; i < limit && recovery.State() != state; ++i) recovery.Step(&panel);
        return recovery.State() == state;
    }
};

TEST(DeviceChange, SameDeviceNameComparison) {
    const std::string link(kLink);
    struct Case {
        std::string name;
        bool same;
    };
    std::string upper = link;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string late = link;
    late[60] = 'X';
    std::string early = link;
    early[30] = 'X';
    const Case cases[] = {{link, true},           {upper, true},           {late, true},
                          {link.substr(0, 49), true}, {early, false},          {link.substr(0, 40), false},
                          {"", false}};
    for (const auto& c : cases) EXPECT_EQ(MainFrameCameraClient::IsSameDeviceName(link, c.name), c.same) << c.name;
}

TEST_F(LinkRecoveryTest, RemovalOfAnotherDeviceIsNotHandled) {
    DeviceChangeNotification other;
    other.deviceName = "\\\\?\\usb#vid_046d&pid_0825#7&1f2e&0&2#{e5323777-f976-4f5b-9b55-b94699c46e44}";
    EXPECT_FALSE(frame.CheckDeviceChange(MainFrameCameraClient::kDeviceRemoveComplete, &other));
    DeviceChangeNotification volume;
    volume.deviceType = 2;
    volume.deviceName = kLink;
    EXPECT_FALSE(frame.CheckDeviceChange(MainFrameCameraClient::kDeviceRemoveComplete, &volume));
    EXPECT_FALSE(frame.CheckDeviceChange(MainFrameCameraClient::kDeviceRemoveComplete, nullptr));
    EXPECT_TRUE(manager.ActiveCameraUnit());
    EXPECT_EQ(log.MessagesStartingWith("W CheckDeviceChange 32772").size(), 3u);
    EXPECT_FALSE(manager.RecoveryActive());
}

TEST_F(LinkRecoveryTest, NotStreamingCompletesRightAfterResume) {
    Unplug();
    EXPECT_TRUE(manager.RecoveryActive());
    EXPECT_FALSE(manager.ActiveCameraUnit());
    EXPECT_EQ(manager.RecoveryStatusText(), "Pending...");
    Steps(3);
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Searching);
    Replug();
    Steps(1);
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Found);
    EXPECT_EQ(manager.RecoveryStatusText(), "Link recovery running...");
    Steps(2);  // 400 ms of the 500 ms wait
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Found);
    EXPECT_EQ(manager.RecoveryStatusText(), "Link is up, starting comms.1...");
    Steps(1);
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Activated);
    EXPECT_EQ(manager.RecoveryStatusText(), "Link is up, starting comms.2...");
    Steps(1);
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Resumed);
    EXPECT_TRUE(manager.ActiveCameraUnit());
    Steps(1);
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Succeeded);
    EXPECT_FALSE(manager.RecoveryActive());
    EXPECT_EQ(manager.RecoveryStatusText(), "Recovery completed successfully.");
    ASSERT_EQ(panel.restored.size(), 1u);
    EXPECT_EQ(panel.restored[0].exposureText, "40");
    EXPECT_EQ(panel.restored[0].flipIndex, 2);
    Steps(1);
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Idle);
    EXPECT_EQ(manager.RecoveryStatusText(), "Link recovery succeeded!");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(log.Contains("LinkRecoveryController.FinalizeSuccessfulRecovery: oldExpTimeStr: 40"));
    EXPECT_EQ(device->transport->Writes(5).back(), (test::FakeExtensionUnitTransport::Bytes{0x70, 1, 0, 0, 0}));
}

TEST_F(LinkRecoveryTest, SecondInterruptionIsIgnoredAndOldFirmwareStaysQuiet) {
    Unplug();
    Replug();
    device->SetIdentity(1, 3, 4, 7);
    ASSERT_TRUE(StepUntil(LinkRecoveryState::Resumed));
    EXPECT_TRUE(ui.messages.empty()) << "no firmware warning during a recovery";
    EXPECT_TRUE(manager.RecoveryActive());
    frame.OnCameraLinkInterrupted(manager.ActiveCameraUnit().get());
    EXPECT_EQ(log.MessagesStartingWith("I OnCameraLinkInterrupted").size(), 1u);
    EXPECT_TRUE(manager.ActiveCameraUnit());
}

TEST_F(LinkRecoveryTest, StreamingRecoveryWaitsForSamples) {
    stream.StartStreamingBlocking();
    stream.samples = 100;
    Unplug();
    Replug();
    ASSERT_TRUE(StepUntil(LinkRecoveryState::Resumed));
    EXPECT_TRUE(stream.streaming);
    EXPECT_EQ(stream.calls.back(), "Start");
    Steps(3);
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Resumed);
    EXPECT_EQ(manager.RecoveryStatusText(), "Waiting for completion");
    stream.samples = 101;
    Steps(1);
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Succeeded);
    EXPECT_EQ(log.MessagesStartingWith("I LinkRecoveryController.VerifyCompletion: Sample counters old,new:"),
              (std::vector<std::string>{"I LinkRecoveryController.VerifyCompletion: Sample counters old,new: 100 100",
                                        "I LinkRecoveryController.VerifyCompletion: Sample counters old,new: 100 100",
                                        "I LinkRecoveryController.VerifyCompletion: Sample counters old,new: 100 100",
                                        "I LinkRecoveryController.VerifyCompletion: Sample counters old,new: 100 101"}));
}

TEST_F(LinkRecoveryTest, NoFrameWithinFiveSecondsDisconnectsAndSearchesAgain) {
    stream.StartStreamingBlocking();
    Unplug();
    Replug();
    ASSERT_TRUE(StepUntil(LinkRecoveryState::Resumed));
    Steps(25);  // 5 s: still within the deadline
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Resumed);
    Steps(1);
    EXPECT_TRUE(log.Contains("E LinkRecoveryController.VerifyCompletion: streaming didn't start; will try again..."));
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Searching);
    EXPECT_FALSE(manager.ActiveCameraUnit());
    EXPECT_TRUE(manager.RecoveryActive()) << "the recovery goes on";
    EXPECT_EQ(recovery.ElapsedMs(), 0);
    EXPECT_EQ(device->transport->Writes(5).back(), (test::FakeExtensionUnitTransport::Bytes{0x70, 0, 0, 0, 0}));
    // The next attempt succeeds once frames flow.
    ASSERT_TRUE(StepUntil(LinkRecoveryState::Resumed));
    stream.samples += 5;
    Steps(1);
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Succeeded);
}

TEST_F(LinkRecoveryTest, CameraUnderAnotherNameIsNeverTakenAndTheRecoveryFailsAfterFiveMinutes) {
    Unplug();
    Replug("ORVA+CAM (2)");
    Steps(1499);
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Searching);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(device->activations, 0);
    Steps(1);
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Failed);
    EXPECT_FALSE(manager.RecoveryActive());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Camera link lost");
    EXPECT_EQ(ui.messages[0].text,
              "Failed to automatically restore the link to the camera. Please try to manually re-connect the camera.");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Error);
    EXPECT_TRUE(log.Contains("I CameraManager::FailCameraRecovery"));
    Steps(1);
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Idle);
    EXPECT_EQ(manager.RecoveryStatusText(), "Link recovery failed!");
}

TEST_F(LinkRecoveryTest, CameraThatVanishesBeforeActivationIsSearchedAgain) {
    Unplug();
    Replug();
    Steps(1);
    ASSERT_EQ(recovery.State(), LinkRecoveryState::Found);
    devices.devices.clear();
    Steps(3);
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Searching);
}

TEST_F(LinkRecoveryTest, RefusedActivationDisconnectsAndStartsOver) {
    Unplug();
    Replug();
    device->activationResult = kResultFailed;
    Steps(4);
    EXPECT_TRUE(log.Contains("E LinkRecoveryController.StartRecovery2: failed to activate the camera, will try again"));
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Searching);
    EXPECT_EQ(recovery.ElapsedMs(), 0);
    EXPECT_TRUE(manager.RecoveryActive());
    device->activationResult = kResultOk;
    ASSERT_TRUE(StepUntil(LinkRecoveryState::Succeeded, 10));
}

TEST_F(LinkRecoveryTest, RestoresTheFirstModeWithTheSavedSize) {
    // IMX178: modes 0 and 1 are both 3072 x 2048.
    device->SetIdentity(1, 3, 5, 8);
    frame.OnCameraDisconnectClick();
    frame.RefreshCameraList();
    frame.OnConnectCameraCommand(ConnectMenuModel::kFirstConnectId);
    const auto& unit = manager.ActiveCameraUnit();
    unit->SetActiveVideoResolution(unit->Model()->GetVideoResolution(1));
    Unplug();
    EXPECT_EQ(recovery.Snapshot().resolutionText, "3072 x 2048");
    Replug();
    device->SetIdentity(1, 3, 5, 8);
    ASSERT_TRUE(StepUntil(LinkRecoveryState::Resumed));
    const auto& back = manager.ActiveCameraUnit();
    EXPECT_EQ(back->ActiveVideoResolution(), back->Model()->GetVideoResolution(0));

    // A saved 1536 x 1024 restores mode 2.
    Steps(2);
    back->SetActiveVideoResolution(back->Model()->GetVideoResolution(2));
    Unplug();
    Replug();
    device->SetIdentity(1, 3, 5, 8);
    ASSERT_TRUE(StepUntil(LinkRecoveryState::Resumed));
    EXPECT_EQ(manager.ActiveCameraUnit()->ActiveVideoResolution(),
              manager.ActiveCameraUnit()->Model()->GetVideoResolution(2));
}

TEST_F(LinkRecoveryTest, NoPanelMeansNoRecovery) {
    view.panel = nullptr;
    DeviceChangeNotification n;
    n.deviceName = kLink;
    EXPECT_TRUE(frame.CheckDeviceChange(MainFrameCameraClient::kDeviceRemoveComplete, &n));
    EXPECT_TRUE(log.Contains("E OnCameraLinkInterrupted can't start link recovery"));
    EXPECT_FALSE(manager.RecoveryActive());
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Idle);
}

TEST_F(LinkRecoveryTest, InterruptionDuringFirmwareUpdateEndsTheRecoveryAtOnce) {
    view.firmwareDialogOpen = true;
    Unplug();
    EXPECT_FALSE(manager.RecoveryActive());
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Idle);
    EXPECT_TRUE(view.firmwareDialogCancelled);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Camera disconnected");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Warning);
}

TEST_F(LinkRecoveryTest, TimerTickStepsAndRefreshesTheListEveryTwoSeconds) {
    frame.OnCameraDisconnectClick();
    const int before = devices.enumerations;
    for (int i = 0; i < 30; ++i) frame.OnTimerTick();
    EXPECT_EQ(devices.enumerations, before + 3);
}

}  // namespace
}  // namespace orva
