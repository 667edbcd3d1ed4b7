// The V4L2 backend under the whole station path: the camera manager connects the fake
// camera through the backend, the real stream worker reads it, the frame processor
// records it into a SER file, and an unplug mid-stream reaches the main frame's removal
// check. The fake camera is paced by the test: a frame is captured only when the one
// four before it was consumed, so the stream's queue never overflows.
#include "V4l2TestRig.h"
#include "camera/CameraFakes.h"
#include "camera/MainFrameCameraClient.h"
#include "processing/CameraStreamAdapter.h"
#include "processing/FrameCameraAdapter.h"
#include "processing/FrameProcessor.h"
#include "processing/GpsLog.h"
#include "processing/GuidingService.h"
#include "processing/ThreadSafeDoubleBuffer.h"
#include "recording/RecordingInspector.h"
#include "recording/SerReader.h"
#include "recording/SerWriter.h"
#include "stream/COrvaMediaStream.h"
#include "support/FakeUiServices.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <mutex>

namespace orva {
namespace {

using namespace std::chrono_literals;

constexpr auto kLiveness = 60s;  // only bounds a hang
constexpr int kAhead = 4;        // frames the camera may capture before they are consumed
constexpr uint64_t kTicksAt1970 = 621355968000000000ULL;

uint64_t Ticks(int64_t unixNs) { return static_cast<uint64_t>(unixNs / 1000000) * 10000 + kTicksAt1970; }

// Between the stream and the processor: counts frames and lets the camera take one more.
class PacedConsumer final : public IStreamFrameConsumer {
public:
    PacedConsumer(FrameProcessor& processor, test::FakeV4l2Kernel& kernel) : processor_(processor), kernel_(kernel) {}
    bool IsSuspended() const override { return processor_.IsSuspended(); }
    void ConsumeFrame(CameraFrame& frame) override {
        processor_.ConsumeFrame(frame);
        int count = 0;
        {
            std::lock_guard lock(mutex_);
            count = ++frames_;
        }
        if (count == stopRecordingAfter) processor_.RequestStopRecording();  // taken at the next frame
        arrived_.notify_all();
        kernel_.AllowFrames(1);
    }
    bool WaitForFrames(int count) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, kLiveness, [&] { return frames_ >= count; });
    }
    // Set before streaming starts.
    int stopRecordingAfter = -1;

private:
    FrameProcessor& processor_;
    test::FakeV4l2Kernel& kernel_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    int frames_ = 0;
};

// The station's camera side over the backend, wired as the station wires the simulator.
class V4l2Station {
public:
    V4l2Station() {
        rig.kernel->SetFrameBudget(kAhead);
        MediaStreamOptions options;
        options.exposureTimeMs = [] { return 40.0; };
        stream = std::make_unique<COrvaMediaStream>(options);
        adapter = std::make_unique<CameraStreamAdapter>(*stream);
        manager = std::make_unique<CameraManager>(*rig.enumerator, *adapter, commandClock);
        recovery = std::make_unique<LinkRecoveryController>(*manager, ui);
        panel = std::make_unique<test::FakePanel>(*manager, *adapter);
        view.panel = panel.get();
        client = std::make_unique<MainFrameCameraClient>(*manager, *recovery, ui, view);
        manager->RegisterDeviceNotifications([this](const DeviceChangeNotification& n) {
            std::lock_guard lock(mutex);
            posted.push_back(n);
            changed.notify_all();
        });
    }
    ~V4l2Station() {
        rig.kernel->SetFrameBudget(std::numeric_limits<int>::max());
        stream->StopStreamingBlocking();
        stream->SetFrameProcessor(nullptr);
        manager->UnregisterDeviceNotifications();
        manager->DoDisconnectCamera();
    }

    // Connects the listed camera and builds the frame processor over it.
    bool Connect() {
        client->RefreshCameraList();
        if (client->CameraList().size() != 1) return false;
        client->OnConnectCameraCommand(32831);
        const auto unit = manager->ActiveCameraUnit();
        if (!unit) return false;
        frameCamera = std::make_shared<FrameCameraAdapter>(unit->ExtensionUnit(), unit->Status(), nullptr);
        frameCamera->SetResolution(unit->Model()->GetVideoResolution(2));
        slot.Set(frameCamera);
        FrameProcessorOptions options;
        options.threadCount = 2;
        options.cameras = &slot;
        options.guiding = &guiding;
        options.gpsLog = &gpsLog;
        options.histogram = &histogram;
        processor = std::make_unique<FrameProcessor>(options);
        consumer = std::make_unique<PacedConsumer>(*processor, *rig.kernel);
        return true;
    }

    bool StartStreaming() {
        const SimVideoMode& mode = rig.camera->Modes()[2];
        stream->SetFrameProcessor(consumer.get());
        stream->SetResolution(static_cast<uint32_t>(mode.transferWidth) << 16 | static_cast<uint32_t>(mode.height));
        stream->StartStreamingBlocking();
        return stream->IsStreaming();
    }

    std::vector<DeviceChangeNotification> WaitForPosted(std::size_t count) {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, kLiveness, [&] { return posted.size() >= count; });
        return posted;
    }

    test::ManualClock commandClock;
    test::V4l2TestRig rig;
    test::FakeUiServices ui;
    test::FakeMainFrameView view;
    std::unique_ptr<COrvaMediaStream> stream;
    std::unique_ptr<CameraStreamAdapter> adapter;
    std::unique_ptr<CameraManager> manager;
    std::unique_ptr<LinkRecoveryController> recovery;
    std::unique_ptr<test::FakePanel> panel;
    std::unique_ptr<MainFrameCameraClient> client;
    std::shared_ptr<FrameCameraAdapter> frameCamera;
    FrameCameraSlot slot;
    GuidingService guiding;
    GpsLog gpsLog;
    ThreadSafeDoubleBuffer histogram;
    std::unique_ptr<FrameProcessor> processor;
    std::unique_ptr<PacedConsumer> consumer;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<DeviceChangeNotification> posted;
};

TEST(V4l2StreamingTest, FiveHundredFramesRecordIntoASoundSerFileWithTheCamerasTimes) {
    test::LogCapture log;
    test::TempDir dir;
    V4l2Station station;
    ASSERT_TRUE(station.Connect());
    const SimVideoMode mode = station.rig.camera->Modes()[2];
    SerWriter writer;
    const std::string path = dir.File("v4l2.ser");
    ASSERT_TRUE(writer.OpenRecording(path, mode.width, mode.height, 16));
    ASSERT_TRUE(writer.StartRecording(nullptr));
    ASSERT_TRUE(station.processor->AttachWriter(&writer));
    constexpr int kFrames = 500;
    station.consumer->stopRecordingAfter = kFrames;
    ASSERT_TRUE(station.StartStreaming());
    ASSERT_TRUE(station.consumer->WaitForFrames(kFrames + 1));
    EXPECT_FALSE(station.processor->IsWriterAttached());
    EXPECT_EQ(station.stream->GetStatistics().GetNofFifoFullCounter(), 0u);

    SerReader reader;
    ASSERT_TRUE(reader.Open(path)) << reader.Error();
    ASSERT_EQ(reader.FrameCount(), static_cast<uint32_t>(kFrames));
    const auto delivered = station.rig.kernel->Delivered();
    ASSERT_GE(delivered.size(), static_cast<std::size_t>(kFrames));
    for (int i = 0; i < kFrames; ++i) {
        ASSERT_EQ(reader.Timestamps()[static_cast<std::size_t>(i)], Ticks(delivered[static_cast<std::size_t>(i)].truth.fromUnixNs)) << i;
    }

    std::string error;
    const auto inspected = RecordingInspector::Inspect(path, error);
    ASSERT_TRUE(inspected.has_value()) << error;
    const TimelineFindings findings = AnalyzeTimeline(inspected->frames);
    EXPECT_EQ(RecordingInspector::Unsound(*inspected, findings), std::nullopt);
    EXPECT_EQ(findings.frames, static_cast<std::size_t>(kFrames));
    EXPECT_TRUE(findings.gaps.empty());
    EXPECT_EQ(findings.framesWithoutTime, 0u);
    EXPECT_TRUE(log.MessagesStartingWith("E ").empty()) << log.MessagesStartingWith("E ")[0];
    EXPECT_TRUE(log.MessagesStartingWith("W CDmsSourceReaderCallback").empty());
}

TEST(V4l2StreamingTest, AnUnplugMidStreamReachesTheRemovalPathOnce) {
    test::LogCapture log;
    V4l2Station station;
    ASSERT_TRUE(station.Connect());
    ASSERT_TRUE(station.StartStreaming());
    ASSERT_TRUE(station.consumer->WaitForFrames(20));

    station.rig.kernel->Unplug();
    station.rig.kernel->AllowFrames(1);  // the reader's next dequeue meets the unplug
    const auto posted = station.WaitForPosted(1);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].deviceName, test::kCameraLink);
    EXPECT_EQ(posted[0].deviceType, DeviceChangeNotification::kDeviceTypeInterface);
    EXPECT_TRUE(log.Contains("E V4l2VideoReader: VIDIOC_DQBUF failed: -2147023729"));

    // udev's own report of the same unplug comes later and is not told again. (The
    // arrival behind it shows when the monitor thread has handled it.)
    std::promise<void> handled;
    station.rig.enumerator->SubscribeArrivals([&](const DeviceChangeNotification&) { handled.set_value(); });
    station.rig.monitor->Push({V4l2DeviceEvent::Action::Removed, station.rig.sysfs.SysPath("video0")});
    station.rig.monitor->Push({V4l2DeviceEvent::Action::Added, "/sys/devices/usb9/9-1/9-1:1.0/video4linux/video9"});
    ASSERT_EQ(handled.get_future().wait_for(kLiveness), std::future_status::ready);
    {
        std::lock_guard lock(station.mutex);
        EXPECT_EQ(station.posted.size(), 1u);
    }

    // On the GUI thread: the main frame recognises its camera and starts the recovery.
    EXPECT_TRUE(station.client->CheckDeviceChange(MainFrameCameraClient::kDeviceRemoveComplete, &posted[0]));
    EXPECT_TRUE(log.Contains("W The camera link is interrupted"));
    EXPECT_TRUE(station.manager->RecoveryActive());
    EXPECT_EQ(station.manager->ActiveCameraUnit(), nullptr);
}

}  // namespace
}  // namespace orva
