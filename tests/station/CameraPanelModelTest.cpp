// The camera control panel over the station and the simulated camera: what the panel's
// controls send (read back from the simulator's own state), what it shows of the status
// that comes back, the stored record restored on the next connect, the entry rules and
// the link texts.

#include "station/CameraPanelModel.h"

#include "station/SimulatedStation.h"

#include "support/LogCapture.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

using namespace std::chrono_literals;

// 176 x 128 at 5 ms: 200 frames a second.
const StationCameraSettings kFastMode{2, 5.0, 0, 0, 0};

void Ticks(CameraPanelModel& panel, int count) {
    for (int i = 0; i < count; ++i) panel.Tick();
}

struct ConnectedPanel {
    explicit ConnectedPanel(const StationCameraSettings& camera = kFastMode) : rig(camera) {
        std::string error;
        connected = rig.station->Connect(rig.cameraDevice->SymbolicLink(), error);
        panel.Tick();  // loads the controls of the camera that connected
    }
    SimDeviceState Camera() { return rig.cameraDevice->Device().State(); }

    test::SimulatedStation rig;
    test::ManualClock clock;
    CameraPanelModel panel{*rig.station, rig.center, &clock};
    bool connected = false;
};

TEST(CameraPanelModel, ControlsReachTheCameraAndItsStatusComesBack) {
    ConnectedPanel p;
    ASSERT_TRUE(p.connected);
    const CameraPanelState& s = p.panel.State();
    EXPECT_EQ(s.identification, "ORVA+CAM 174  -  #1234  -  1.3.5");
    ASSERT_EQ(s.resolutions.size(), 5u);
    EXPECT_EQ(s.resolutions[2], "176 x 128 (Fast)");
    EXPECT_EQ(s.resolutionIndex, 2);
    EXPECT_EQ(s.gains.size(), 49u);

    p.panel.StartStreaming();
    ASSERT_TRUE(p.rig.WaitForFrames(5));
    // A new mode while streaming: the panel stops the stream, changes the mode and starts again.
    p.panel.SelectResolution(4);
    EXPECT_TRUE(p.rig.station->IsStreaming());
    EXPECT_EQ(p.rig.cameraDevice->ModeIndex(), 4);
    ASSERT_TRUE(p.rig.WaitForFrames(5));
    EXPECT_EQ(StationInside::Processor(*p.rig.station).Width(), 480);

    EXPECT_EQ(p.panel.EnterExposure("20"), CameraPanelModel::EditResult::Applied);
    p.panel.SelectGain(12);
    p.panel.SetBlackLevelLock(true);
    p.panel.EditBlackLevel("300");
    p.panel.SetInvert(true);
    const SimDeviceState camera = p.Camera();
    EXPECT_EQ(camera.exposureUs, 20000u);
    EXPECT_EQ(camera.gainCode, 12);
    EXPECT_EQ(camera.blackLevel, 300);
    EXPECT_TRUE(camera.invert);

    // The camera changes behind the panel's back; the status refresh shows it, on the 21st tick.
    StationCameraSettings other = p.rig.station->CameraSettings();
    other.exposureMs = 30.0;
    other.gainIndex = 7;
    std::string error;
    ASSERT_TRUE(p.rig.station->ChangeCameraSettings(other, error)) << error;
    ASSERT_TRUE(p.rig.WaitForFrames(5));
    Ticks(p.panel, CameraPanelModel::kStatusEveryTicks - 2);
    EXPECT_EQ(s.exposureText, "20");
    Ticks(p.panel, 1);
    EXPECT_EQ(s.exposureText, "30");
    EXPECT_EQ(s.frameRateText, "33.33");
    EXPECT_EQ(s.gainIndex, 7);
    EXPECT_TRUE(s.invert);
    EXPECT_EQ(s.temperature, "23\xC2\xB0" "C");
    EXPECT_EQ(s.linkText, "USB3.0");
    EXPECT_NE(s.queueText, "-");
    EXPECT_EQ(s.recordedText, "0 (missed 0)");

    // Everything was stored in the record.
    const CameraConfiguration& record = p.rig.settings.CameraConfig;
    EXPECT_EQ(record.resolution, "480 x 300");
    EXPECT_EQ(record.exposureMs, 20.0);
    EXPECT_EQ(record.gain, s.gains[12]);
    EXPECT_EQ(record.blackLevelLocked, 1);
    EXPECT_EQ(record.blackLevelValue, 300);
    EXPECT_EQ(record.invertImage, 1);
    EXPECT_EQ(record.clipOnOverflow, 1);
}

TEST(CameraPanelModel, TheStoredRecordIsRestoredOnConnect) {
    test::SimulatedStation rig(kFastMode);
    rig.settings.CameraConfigPresent = true;
    CameraConfiguration& record = rig.settings.CameraConfig;
    record.resolution = "960 x 600";
    record.exposureMs = 25.0;
    record.gain = "+12 dB";
    record.flipMode = "XY";
    record.eightBitMode = 1;
    record.blackLevelLocked = 1;
    record.blackLevelValue = 70000;
    CameraPanelModel panel(*rig.station, rig.center);
    std::string error;
    ASSERT_TRUE(rig.station->Connect(rig.cameraDevice->SymbolicLink(), error)) << error;
    panel.Tick();
    const SimDeviceState camera = rig.cameraDevice->Device().State();
    EXPECT_EQ(panel.State().resolutionIndex, 3);
    EXPECT_EQ(rig.station->CameraSettings().modeIndex, 3);
    EXPECT_EQ(camera.exposureUs, 25000u);
    EXPECT_EQ(camera.flipMode, 3);
    EXPECT_TRUE(camera.eightBit);
    EXPECT_TRUE(camera.clipOnOverflow);
    EXPECT_EQ(camera.blackLevel, 65535);
    EXPECT_EQ(panel.State().blackLevelText, "65535");
    const int gainIndex = panel.State().gainIndex;
    ASSERT_GE(gainIndex, 0);
    EXPECT_EQ(panel.State().gains[gainIndex], "+12 dB");
    EXPECT_EQ(camera.gainCode, gainIndex);
}

TEST(CameraPanelModel, ExposureAndFrameRateEntries) {
    ConnectedPanel p;
    ASSERT_TRUE(p.connected);
    struct Case {
        const char* text;
        bool frameRate;
        bool applied;
        uint32_t exposureUs;  // what the camera then has
    };
    const Case cases[] = {
        {"0.5", false, false, 0}, {"5001", false, false, 0}, {"abc", false, false, 0}, {"", false, false, 0},
        {"5000", false, true, 5000000}, {"1", false, true, 1000}, {"45", true, true, 22000},
        {"0.1", true, true, 10000000}, {"0.05", true, false, 0}, {"1001", true, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const uint32_t before = p.Camera().exposureUs;
        const auto result = c.frameRate ? p.panel.EnterFrameRate(c.text) : p.panel.EnterExposure(c.text);
        EXPECT_EQ(result == CameraPanelModel::EditResult::Applied, c.applied);
        EXPECT_EQ(p.Camera().exposureUs, c.applied ? c.exposureUs : before);
    }
}

TEST(CameraPanelModel, SpinSteps) {
    struct Case {
        int currentMs;
        int delta;
        std::optional<double> target;
    };
    const Case cases[] = {
        {7, 1, 5.0}, {7, -1, 10.0}, {10000, -1, std::nullopt}, {10000, 1, 5000.0}, {1, 1, std::nullopt},
        {1, -1, 2.0}, {0, 1, std::nullopt}, {0, -1, 1.0}, {20000, -1, std::nullopt}, {20, 1, 10.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.currentMs) + " " + std::to_string(c.delta));
        EXPECT_EQ(CameraPanelModel::ExposureSpinTarget(c.currentMs, c.delta), c.target);
    }
    EXPECT_EQ(CameraPanelModel::FrameRateSpinTarget(3.0, 1), 2.0);
    EXPECT_EQ(CameraPanelModel::FrameRateSpinTarget(3.0, -1), 5.0);
    EXPECT_EQ(CameraPanelModel::FrameRateSpinTarget(45.0, -1), std::nullopt);
    EXPECT_EQ(CameraPanelModel::FrameRateSpinTarget(100.0, 1), std::nullopt);

    ConnectedPanel p;
    ASSERT_TRUE(p.connected);
    ASSERT_EQ(p.panel.EnterExposure("7"), CameraPanelModel::EditResult::Applied);
    p.panel.SpinExposure(-1);
    EXPECT_EQ(p.Camera().exposureUs, 10000u);
    p.panel.SpinExposure(1);
    EXPECT_EQ(p.Camera().exposureUs, 5000u);
}

TEST(CameraPanelModel, BlackLevelIsClampedAndWrittenBack) {
    ConnectedPanel p;
    ASSERT_TRUE(p.connected);
    p.panel.SetBlackLevelLock(true);
    const struct {
        const char* text;
        uint16_t sent;
        const char* shown;
    } cases[] = {{"70000", 65535, "65535"}, {"-5", 0, "0"}, {"300", 300, "300"}, {"x", 0, "0"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        p.panel.EditBlackLevel(c.text);
        EXPECT_EQ(p.Camera().blackLevel, c.sent);
        EXPECT_EQ(p.panel.State().blackLevelText, c.shown);
    }
}

// Unlocked, an exposure or gain change sets the black level the sensor's table recommends
// for the values just applied.
TEST(CameraPanelModel, AutomaticBlackLevelFollowsExposureAndGain) {
    ConnectedPanel p;
    ASSERT_TRUE(p.connected);
    const CameraModel& model = *p.rig.station->ActiveCamera()->Model();
    ASSERT_EQ(p.panel.EnterExposure("1000"), CameraPanelModel::EditResult::Applied);
    p.panel.SelectGain(18);
    EXPECT_EQ(p.Camera().blackLevel, model.GetRecommendedBlackLevel(18, 1000));
    EXPECT_NE(model.GetRecommendedBlackLevel(18, 1000), model.GetRecommendedBlackLevel(0, 1000));
    p.panel.SetBlackLevelLock(true);
    p.panel.SelectGain(0);
    EXPECT_EQ(p.Camera().blackLevel, model.GetRecommendedBlackLevel(18, 1000)) << "locked";
}

TEST(CameraPanelModel, LinkTextsAndWarning) {
    struct Case {
        uint8_t linkType;
        uint16_t phyCount, phyValue, linkCount;
        const char* text;
        bool warning;
        const char* counters;
    };
    const Case cases[] = {
        {3, 0, 0, 5, "USB3.0", false, "P0:000 L5:0000"},
        {2, 0, 0, 5, "USB2 - Link not optimal!", true, "Only available for USB3"},
        {2, 9, 0, 0, "USB2", false, "Only available for USB3"},
        {2, 0, 0x08, 0, "USB2 - Link not optimal!", true, "Only available for USB3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ConnectedPanel p;
        ASSERT_TRUE(p.connected);
        p.rig.cameraDevice->SetLinkType(c.linkType);
        p.rig.cameraDevice->Device().SetLinkErrors(c.phyCount, c.phyValue, c.linkCount, 0);
        p.panel.StatusRefresh();
        EXPECT_EQ(p.panel.State().linkText, c.text);
        EXPECT_EQ(p.panel.State().linkWarning, c.warning);
        EXPECT_EQ(p.panel.State().errorCounters, c.counters);
        // The warning stays after the errors are gone, until the next connect.
        p.rig.cameraDevice->Device().SetLinkErrors(0, 0, 0, 0);
        p.panel.StatusRefresh();
        EXPECT_EQ(p.panel.State().linkWarning, c.warning);
    }
}

TEST(CameraPanelModel, EnablingFollowsCameraStreamAndSensor) {
    test::SimulatedStation rig(kFastMode);
    CameraPanelModel panel(*rig.station, rig.center);
    CameraPanelEnables e = panel.Enables({});
    EXPECT_FALSE(e.exposure);
    EXPECT_FALSE(e.resolution);
    EXPECT_TRUE(e.equipment);
    std::string error;
    ASSERT_TRUE(rig.station->Connect(rig.cameraDevice->SymbolicLink(), error));
    panel.Tick();
    e = panel.Enables({true, false, true, false});
    EXPECT_TRUE(e.exposure && e.resolution && e.gain && e.fpnReduction && e.darkList && e.startEditing);
    EXPECT_FALSE(e.highGain) << "IMX174 has no high gain mode";
    EXPECT_FALSE(e.flatList);
    EXPECT_FALSE(e.clearZones);
    panel.StartStreaming();
    EXPECT_FALSE(panel.Enables({}).equipment);
}

TEST(CameraPanelModel, ResolutionChangeWaitsOnTheTimerNotTheThread) {
    test::LogCapture log;
    ConnectedPanel p;
    ASSERT_TRUE(p.connected);
    ASSERT_EQ(p.panel.EnterExposure("20"), CameraPanelModel::EditResult::Applied);
    int published = 0;
    struct Receiver : NotificationReceiver {
        int* count;
        void Notify(const std::string&) override { ++*count; }
    } receiver;
    receiver.count = &published;
    p.rig.center.Subscribe(&receiver, "ResolutionChanged");
    bool cleared = false;
    p.panel.onResolutionChanging = [&cleared] { cleared = true; };
    p.panel.SelectResolution(3);
    EXPECT_TRUE(cleared);
    EXPECT_EQ(published, 0) << "published once the exposure is sent again";
    EXPECT_TRUE(log.Contains("I UpdateResolution: old exposure time: 20"));
    p.clock.Advance(40ms);
    p.panel.Tick();
    EXPECT_EQ(published, 0);
    p.clock.Advance(10ms);
    p.panel.Tick();
    EXPECT_EQ(published, 1);
    EXPECT_TRUE(log.Contains("I UpdateResolution: setting exposure time: 20"));
    EXPECT_EQ(p.Camera().exposureUs, 20000u);
    p.rig.center.Unsubscribe(&receiver);
}

}  // namespace
}  // namespace orva
