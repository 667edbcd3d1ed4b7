// The GNSS configuration of the camera's GPS receiver: read, edited, written and read
// back through the real extension unit and the simulated receiver; malformed answers.
#include "camera/GnssConfiguration.h"
#include "camera/GnssSelectionDialogModel.h"
#include "camera/SatConfigDialogModel.h"
#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "simcam/SimDeviceEnumerator.h"
#include "simcam/SimulatedCamera.h"

#include "CameraFakes.h"
#include "support/FakeUiServices.h"
#include "support/LogCapture.h"
#include "support/ManualClock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace orva {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

// The answer stream for a payload: header with its length, then the payload.
Bytes Answer(const Bytes& payload, std::size_t declaredLength) {
    Bytes s{0x01, 0x06, 0x3E, static_cast<uint8_t>(declaredLength), static_cast<uint8_t>(declaredLength >> 8)};
    s.insert(s.end(), payload.begin(), payload.end());
    return s;
}
Bytes Answer(const Bytes& payload) { return Answer(payload, payload.size()); }

TEST(GnssConfiguration, MalformedAnswersGiveAClearError) {
    const Bytes gps{0, 8, 16, 0, 1, 0, 1, 0};
    const Bytes one = [&] {
        Bytes p{0, 32, 32, 1};
        p.insert(p.end(), gps.begin(), gps.end());
        return p;
    }();
    auto unknownId = one;
    unknownId[4] = 7;
    auto twice = one;
    twice[3] = 2;
    twice.insert(twice.end(), gps.begin(), gps.end());
    auto moreBlocks = one;
    moreBlocks[3] = 2;
    struct Case {
        const char* name;
        Bytes stream;
        std::string error;
    };
    const Case cases[] = {
        {"short header", Bytes{1, 6, 0x3E, 12}, "The GNSS answer of the GPS module is too short."},
        {"length past the buffer", Answer(one, 20), "The GNSS answer of the GPS module is incomplete (17 of 25 bytes)."},
        {"huge length", Answer(one, 0xFFFF), "The GNSS answer of the GPS module has an impossible length (65535 bytes)."},
        {"length below the fixed part", Answer(Bytes{0, 1, 2}), "The GNSS answer of the GPS module has an impossible length (3 bytes)."},
        {"count past the length", Answer(moreBlocks), "The GNSS answer of the GPS module has 2 configuration blocks in 12 bytes."},
        {"unknown system", Answer(unknownId), "The GNSS answer of the GPS module names system id 7 that is unknown."},
        {"system twice", Answer(twice), "The GNSS answer of the GPS module names system id 0 twice."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        EXPECT_FALSE(GnssConfiguration::Parse(c.stream, error));
        EXPECT_EQ(error, c.error);
    }
    std::string error;
    const auto parsed = GnssConfiguration::Parse(Answer(one), error);
    ASSERT_TRUE(parsed) << error;
    EXPECT_EQ(parsed->Payload(), one);
}

// The station's camera side with the simulated camera connected.
class GnssSelectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto list = manager.EnumerateCameras();
        ASSERT_EQ(list.size(), 1u);
        ASSERT_TRUE(manager.DoConnectCamera(list[0]));
    }
    // Ticks of the station's 200 ms timer until the read or write has ended.
    void RunToIdle() {
        for (int i = 0; i < 200 && dialog.Busy(); ++i) {
            clock.Advance(200ms);
            dialog.Tick();
        }
        ASSERT_FALSE(dialog.Busy());
    }
    Bytes Receiver() {
        return camera->Device().WithGpsReceiver([](SimGpsReceiver& r) { return r.GnssConfiguration(); });
    }

    test::LogCapture log;
    test::ManualClock clock;
    std::shared_ptr<SimulatedCamera> camera = std::make_shared<SimulatedCamera>(SimCameraConfig{}, clock);
    SimDeviceEnumerator devices{{camera}};
    test::FakeCameraStream stream;
    CameraManager manager{devices, stream, clock};
    test::FakeUiServices ui;
    GnssSelectionDialogModel dialog{manager, ui, clock};
};

TEST_F(GnssSelectionTest, SwitchingOneSystemOffWritesExactlyThoseBytes) {
    dialog.Open();
    EXPECT_TRUE(log.Contains("I Opened Dialog 'GNSS Selection'"));
    EXPECT_FALSE(dialog.ControlsEnabled());
    RunToIdle();
    ASSERT_EQ(dialog.StatusText(), "Read complete.");
    ASSERT_TRUE(dialog.LastRead());
    EXPECT_EQ(dialog.LastRead()->Payload(), Receiver());
    EXPECT_EQ(dialog.totalText, "32");
    EXPECT_TRUE(dialog.ImesPresent());
    EXPECT_TRUE(dialog.ImesMaxEnabled());
    EXPECT_TRUE(dialog.rows[5].l1s);
    EXPECT_EQ(dialog.rows[6].maxChannels, "14");
    EXPECT_TRUE(ui.messages.empty());

    Bytes expected = Receiver();
    ASSERT_EQ(expected.size(), 60u);
    ASSERT_TRUE(dialog.rows[6].enabled);
    dialog.rows[6].enabled = false;  // GLONASS off
    expected[4 + 8 * 6 + 4] = 0;
    dialog.Write();
    EXPECT_EQ(dialog.StatusText(), "Requesting GNSS selection state...") << "the write is read back";
    RunToIdle();
    EXPECT_EQ(dialog.StatusText(), "Writing done.");
    EXPECT_EQ(Receiver(), expected);

    dialog.Read();
    RunToIdle();
    ASSERT_TRUE(dialog.LastRead());
    EXPECT_EQ(dialog.LastRead()->Payload(), expected);
    EXPECT_FALSE(dialog.rows[6].enabled);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(GnssSelectionTest, WithoutImesTheWriteIs52BytesLong) {
    SimCameraConfig config;
    config.gnss.withImes = false;
    camera = std::make_shared<SimulatedCamera>(config, clock);
    SimDeviceEnumerator noImes{{camera}};
    CameraManager other{noImes, stream, clock};
    auto list = other.EnumerateCameras();
    ASSERT_TRUE(other.DoConnectCamera(list[0]));
    GnssSelectionDialogModel model{other, ui, clock};
    model.Read();
    for (int i = 0; i < 200 && model.Busy(); ++i) {
        clock.Advance(200ms);
        model.Tick();
    }
    EXPECT_FALSE(model.ImesPresent());
    EXPECT_FALSE(model.ImesMaxEnabled());
    std::string error;
    const auto config52 = model.ConfigurationFromFields(error);
    ASSERT_TRUE(config52) << error;
    EXPECT_EQ(config52->Payload().size(), 52u);
}

TEST_F(GnssSelectionTest, OutOfRangeValuesAreRefusedAndNothingIsSent) {
    dialog.Read();
    RunToIdle();
    struct Case {
        const char* name;
        std::function<void(GnssSelectionDialogModel&)> edit;
        std::string error;
    };
    const Case cases[] = {
        {"active above total", [](auto& d) { d.activeText = "33"; },
         "The value of \"Active\" must be a whole number from 1 to 32."},
        {"max not a number", [](auto& d) { d.rows[0].maxChannels = "1x"; },
         "The value of \"Max Channels\" of 0-GPS must be a whole number from 0 to 32."},
        {"min above max", [](auto& d) { d.rows[2].minChannels = "9"; },
         "The value of \"Min Channels\" of 2-Galileo must be a whole number from 0 to 8."},
        {"reserved above active", [](auto& d) { d.activeText = "20"; },
         "The minimum channels of the enabled systems add up to more than the active channels."},
        {"byte overflow", [](auto& d) { d.rows[1].maxChannels = "300"; },
         "The value of \"Max Channels\" of 1-SBAS must be a whole number from 0 to 32."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialog.Read();
        RunToIdle();
        ui.messages.clear();
        c.edit(dialog);
        dialog.Write();
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, c.error);
    }
    EXPECT_EQ(camera->Device().WithGpsReceiver([](SimGpsReceiver& r) { return r.WriteCount(); }), 0);
}

TEST_F(GnssSelectionTest, FailedWriteIsReportedAsAFailure) {
    dialog.Read();
    RunToIdle();
    const Bytes before = Receiver();
    dialog.rows[0].enabled = false;
    camera->Faults().FailExtensionUnitCalls(kResultFailed, 3);
    dialog.Write();
    RunToIdle();
    EXPECT_EQ(dialog.StatusText(), "Writing failed.");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Writing the GNSS configuration to the GPS module failed. Please try again.");
    EXPECT_EQ(Receiver(), before);
}

TEST(GnssSelectionFake, ImpossibleLengthFromTheReceiverEndsTheRead) {
    test::LogCapture log;
    test::ManualClock clock;
    test::FakeDeviceEnumerator devices;
    auto device = std::make_shared<test::FakeCameraDevice>(clock, "ORVA+CAM", "link");
    devices.devices.push_back(device);
    test::FakeCameraStream stream;
    CameraManager manager{devices, stream, clock};
    auto list = manager.EnumerateCameras();
    ASSERT_TRUE(manager.DoConnectCamera(list[0]));
    // Words 0 and 1: stream bytes 01 06 3E FF FF, a payload length of 65535.
    device->transport->QueueRead(5, {1, 0xFF, 0x3E, 0x06, 0x01});
    device->transport->QueueRead(5, {1, 0, 0, 0, 0xFF});
    test::FakeUiServices ui;
    GnssSelectionDialogModel dialog{manager, ui, clock};
    dialog.Read();
    for (int i = 0; i < 20 && dialog.Busy(); ++i) {
        clock.Advance(200ms);
        dialog.Tick();
    }
    EXPECT_FALSE(dialog.Busy());
    EXPECT_EQ(dialog.StatusText(), "Failure!");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "The GNSS answer of the GPS module has an impossible length (65535 bytes).");
    // No word beyond the header was asked for.
    const auto writes = device->transport->Writes(5);
    EXPECT_EQ(writes.back(), (Bytes{0xCA, 1, 0, 0, 0}));
}

TEST_F(GnssSelectionTest, SatConfigShowsTheReceiverVersionAndTheFrameStatus) {
    test::TempDir dir;
    NotificationCenter center;
    Settings settings{dir.Path(), center};
    settings.GpsLogEnabled.Set(true);
    SatConfigDialogModel sat{manager, settings, clock};
    sat.Open();
    EXPECT_TRUE(log.Contains("I GPS hardware and firmware: ORVA-GNSS-M10;ROM 2.01 (sim)"));
    EXPECT_EQ(sat.hardware, "ORVA-GNSS-M10");
    EXPECT_EQ(sat.firmware, "ROM 2.01 (sim)");
    EXPECT_EQ(sat.fixStatus, "-     ") << "not streaming";
    EXPECT_EQ(sat.position, "---   ");
    EXPECT_EQ(sat.logging, "Periodic logging is enabled.");

    stream.streaming = true;
    OverlayStatusFields fields;
    fields.fixState = 3;
    fields.latitude = -481234567;
    fields.longitude = 1134567;
    fields.heightMm = 523400;
    fields.dop = {152, 131, 78, 110, 67};
    manager.ActiveCameraUnit()->Status().DecodeOverlay(fields);
    sat.Tick();
    EXPECT_EQ(sat.fixStatus, "-     ") << "refreshed every 2 s only";
    clock.Advance(2s);
    sat.Tick();
    EXPECT_EQ(sat.fixStatus, "3     ");
    EXPECT_EQ(sat.position, "S48.1234567 / E00.1134567 / 523.4 msl");
    EXPECT_EQ(sat.dopGeometric, "1.52        ");
    EXPECT_EQ(sat.dopTime, "0.78        ");
    EXPECT_EQ(sat.dopH, "0.67        ");

    const std::pair<Bytes, std::optional<std::string>> versions[] = {
        {{3, 'a', ';', 'b', 0}, "a;b"},
        {{5, 'a', 'b', 0}, std::nullopt},  // length past the bytes read
        {{127, 'a', 0}, std::nullopt},
        {{}, std::nullopt},
    };
    for (const auto& [stream, text] : versions) EXPECT_EQ(SatConfigDialogModel::VersionText(stream), text);
}

}  // namespace
}  // namespace orva
