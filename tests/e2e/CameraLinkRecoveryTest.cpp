// The station's camera side on the simulated camera: connect, stream through the stream
// worker, lose the USB link and get the camera back. The recovery is stepped directly
// (one call per 200 ms tick); only frames arrive in real time, and the test waits for
// them, not for timers.

#include "camera/CameraManager.h"
#include "camera/LinkRecoveryController.h"
#include "camera/MainFrameCameraClient.h"
#include "processing/BinaryOverlay.h"
#include "processing/CameraStatusFromOverlay.h"
#include "processing/CameraStreamAdapter.h"
#include "processing/FrameUnpack.h"
#include "processing/ParseBinaryOverlay.h"
#include "simcam/SimDeviceEnumerator.h"
#include "simcam/SimulatedCamera.h"
#include "stream/COrvaMediaStream.h"

#include "support/FakeUiServices.h"
#include "support/LogCapture.h"
#include "support/ManualClock.h"

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

// The frame processor's share in this test: decodes each frame's record into the active
// camera's status cache, on the stream's consumer thread.
class StatusFeedingConsumer final : public IStreamFrameConsumer {
public:
    // Set while no stream runs.
    void SetTarget(CameraStatusCache* status, const VideoResolution* mode) {
        status_.store(status);
        width_.store(mode ? mode->Width() : 0);
        packed_.store(mode && mode->TransferWidth() < mode->Width());
    }

    bool IsSuspended() const override { return false; }
    void SetFrameSize(uint16_t, uint16_t height) override { height_.store(height); }
    RecordingFrameTimes* ActiveRecording() override { return nullptr; }
    void ConsumeFrame(const uint8_t* data) override {
        const int width = width_.load();
        const int height = height_.load();
        CameraStatusCache* status = status_.load();
        if (!status || width <= 0 || height < 2) return;
        // The record lives in the last row; the row above lets the search start before it.
        const bool packed = packed_.load();
        const int64_t rowBytes = RawRowBytes(width, packed);
        std::vector<uint16_t> rows(static_cast<std::size_t>(width) * 2);
        UnpackFrame(data + rowBytes * (height - 2), packed, width, 2, rows.data());
        ParseBinaryOverlay(overlay_, rows, width, 2);
        if (overlay_.Valid) UpdateCameraStatus(*status, overlay_);
        {
            std::lock_guard lock(mutex_);
            ++frames_;
            if (overlay_.Valid) ++decoded_;
        }
        changed_.notify_all();
    }

    // Waits for `count` more decoded frames; false when they do not come in time.
    bool WaitForDecodedFrames(int count, std::chrono::seconds timeout = 20s) {
        std::unique_lock lock(mutex_);
        const int64_t target = decoded_ + count;
        return changed_.wait_for(lock, timeout, [&] { return decoded_ >= target; });
    }

private:
    std::atomic<CameraStatusCache*> status_{nullptr};
    std::atomic<int> width_{0};
    std::atomic<bool> packed_{false};
    std::atomic<int> height_{0};
    BinaryOverlay overlay_;  // consumer thread
    std::mutex mutex_;
    std::condition_variable changed_;
    int64_t frames_ = 0;   // guarded by mutex_
    int64_t decoded_ = 0;  // guarded by mutex_
};

// The camera panel's part: points the stream at the connected camera's mode, applies and
// restores exposure, flip and black level through the extension unit.
class E2ePanel final : public IMainFrameView, public ILinkRecoveryCameraStatusInteraction {
public:
    E2ePanel(CameraManager& manager, COrvaMediaStream& stream, StatusFeedingConsumer& consumer)
        : manager_(manager), stream_(stream), consumer_(consumer) {}

    void LoadCameraControls(CameraUnit* unit) override {
        const VideoResolution* mode = unit ? unit->ActiveVideoResolution() : nullptr;
        if (mode) stream_.SetResolution((static_cast<uint32_t>(mode->TransferWidth()) << 16) |
                                        static_cast<uint32_t>(mode->Height()));
        consumer_.SetTarget(unit ? &unit->Status() : nullptr, mode);
        ++loads;
    }
    void SetStatisticsCountdown(int) override {}
    void RefreshCommandStates() override {}
    void RefreshMenus() override {}
    bool IsFirmwareUpdateDialogOpen() override { return false; }
    void CloseFirmwareUpdateDialogCancelled() override {}
    ILinkRecoveryCameraStatusInteraction* CameraPanel() override { return this; }

    bool SaveCameraStatus(LinkRecoverySnapshot& s) override {
        const auto& unit = manager_.ActiveCameraUnit();
        if (!unit) return false;
        s.cameraName = unit->FriendlyName();
        s.resolutionText = LinkRecoveryController::ResolutionText(unit->ActiveVideoResolution());
        s.exposureText = exposureText;
        s.blackLevelText = blackLevelText;
        s.wasStreaming = stream_.IsStreaming();
        s.sampleCounter = -1;
        s.flipIndex = flipIndex;
        return true;
    }
    void RestoreCameraStatus(const LinkRecoverySnapshot& s) override {
        exposureText = s.exposureText;
        blackLevelText = s.blackLevelText;
        flipIndex = s.flipIndex;
        Apply();
    }

    // What the panel's controls send when changed.
    void Apply() {
        CameraExtensionUnit* eu = manager_.ActiveCameraUnit()->ExtensionUnit();
        eu->SetExposureTimeMs(CameraExtensionUnit::ExposureValueMs(std::stod(exposureText)), false);
        eu->SetFlipMode(flipIndex);
        eu->SetBlackLevel(std::stoll(blackLevelText));
    }

    std::string exposureText = "40";
    std::string blackLevelText = "0";
    int flipIndex = 0;
    int loads = 0;

private:
    CameraManager& manager_;
    COrvaMediaStream& stream_;
    StatusFeedingConsumer& consumer_;
};

class CameraLinkRecoveryE2e : public ::testing::Test {
protected:
    CameraLinkRecoveryE2e() {
        stream->SetFrameProcessor(&consumer);
        manager.RegisterDeviceNotifications([this](const DeviceChangeNotification& n) {
            std::lock_guard lock(postedMutex);
            posted.push_back(n);
        });
    }
    ~CameraLinkRecoveryE2e() override {
        manager.DoDisconnectCamera();
        manager.UnregisterDeviceNotifications();
        stream->SetFrameProcessor(nullptr);
    }

    static MediaStreamOptions StreamOptions() {
        MediaStreamOptions o;
        o.exposureTimeMs = [] { return 25.0; };
        return o;
    }
    static SimCameraConfig Config() {
        SimCameraConfig config;
        config.identity.friendlyName = "ORVA+CAM";
        return config;
    }

    // The GUI thread's message loop: hands posted removals to the frame.
    int DeliverPostedMessages() {
        std::deque<DeviceChangeNotification> messages;
        {
            std::lock_guard lock(postedMutex);
            messages.swap(posted);
        }
        int handled = 0;
        for (const auto& n : messages) handled += frame.CheckDeviceChange(MainFrameCameraClient::kDeviceRemoveComplete, &n);
        return handled;
    }
    void Steps(int n) {
        for (int i = 0; i < n; ++i) recovery.Step(&panel);
    }
    bool StepUntil(LinkRecoveryState state, int limit = 100) {
        for (int i = 0; i < limit && recovery.State() != state; ++i) recovery.Step(&panel);
        return recovery.State() == state;
    }
    void ConnectAndStream() {
        frame.RefreshCameraList();
        ASSERT_EQ(frame.ConnectMenu().Text(), "Connect ORVA+CAM");
        frame.OnConnectCameraCommand(ConnectMenuModel::kFirstConnectId);
        ASSERT_TRUE(manager.ActiveCameraUnit());
        stream->StartStreamingBlocking();
        ASSERT_TRUE(stream->IsStreaming());
        ASSERT_TRUE(consumer.WaitForDecodedFrames(3));
    }

    test::LogCapture log;
    test::ManualClock commandClock;  // extension-unit pacing without real waits
    std::shared_ptr<SimulatedCamera> camera = std::make_shared<SimulatedCamera>(Config(), SteadyClock::Instance());
    SimDeviceEnumerator devices{{camera}};
    std::unique_ptr<COrvaMediaStream> stream = std::make_unique<COrvaMediaStream>(StreamOptions());
    CameraStreamAdapter streamAdapter{*stream};
    CameraManager manager{devices, streamAdapter, commandClock};
    StatusFeedingConsumer consumer;
    E2ePanel panel{manager, *stream, consumer};
    test::FakeUiServices ui;
    LinkRecoveryController recovery{manager, ui};
    MainFrameCameraClient frame{manager, recovery, ui, panel};
    std::mutex postedMutex;
    std::deque<DeviceChangeNotification> posted;
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
    stream->StopStreamingBlocking();
    const auto& unit = manager.ActiveCameraUnit();
    manager.SetActiveVideoResolution(unit->Model()->GetVideoResolution(3));
    panel.LoadCameraControls(unit.get());
    panel.exposureText = "25";
    panel.flipIndex = 2;
    panel.blackLevelText = "180";
    panel.Apply();
    stream->StartStreamingBlocking();
    ASSERT_TRUE(consumer.WaitForDecodedFrames(3));
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
    EXPECT_TRUE(stream->IsStreaming());
    ASSERT_TRUE(consumer.WaitForDecodedFrames(2));
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
    ASSERT_TRUE(consumer.WaitForDecodedFrames(2));
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
    EXPECT_TRUE(stream->IsStreaming());
    Steps(25);
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Resumed);
    Steps(1);
    EXPECT_TRUE(log.Contains("E LinkRecoveryController.VerifyCompletion: streaming didn't start; will try again..."));
    EXPECT_EQ(recovery.State(), LinkRecoveryState::Searching);
    EXPECT_FALSE(manager.ActiveCameraUnit());
    EXPECT_FALSE(stream->IsStreaming());
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
            ASSERT_TRUE(consumer.WaitForDecodedFrames(1));
        }
    }
    EXPECT_GT(fresh, 0) << "frame records reached the status";
    EXPECT_EQ(status.satellites, 9);
    EXPECT_EQ(status.latitude, 481234567);
}

}  // namespace
}  // namespace orva
