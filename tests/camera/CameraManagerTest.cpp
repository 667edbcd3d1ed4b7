#include "camera/CameraManager.h"
#include "camera/ConnectMenuModel.h"
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
using test::FakeUiServices;
using Bytes = test::FakeExtensionUnitTransport::Bytes;

class CameraManagerTest : public ::testing::Test {
protected:
    test::LogCapture log;
    test::ManualClock clock;
    test::FakeDeviceEnumerator devices;
    test::FakeCameraStream stream;
    CameraManager manager{devices, stream, clock};
    FakeUiServices ui;
    test::FakeMainFrameView view;
    LinkRecoveryController recovery{manager, ui};
    MainFrameCameraClient frame{manager, recovery, ui, view};

    std::shared_ptr<FakeCameraDevice> AddDevice(std::string name, std::string link = "usb#vid_04b4&pid_00f1#1") {
        auto d = std::make_shared<FakeCameraDevice>(clock, std::move(name), std::move(link));
        devices.devices.push_back(d);
        return d;
    }
    void ConnectFirst() {
        frame.RefreshCameraList();
        frame.OnConnectCameraCommand(ConnectMenuModel::kFirstConnectId);
    }
    std::vector<Bytes> Commands(const FakeCameraDevice& d) const { return d.transport->Writes(5); }
};

TEST_F(CameraManagerTest, ListsOnlyCamerasWithTheFamilyPrefix) {
    for (const char* name : {"FX3 USB device", "My FX3", "ORVA+CAM", "orva cam", "fx3", "ORV", "ORVA"}) AddDevice(name);
    auto unreadable = AddDevice("ORVA+CAM unreadable link");
    unreadable->link.reset();
    std::vector<std::string> names;
    for (const auto& unit : manager.EnumerateCameras()) names.push_back(unit->FriendlyName());
    EXPECT_EQ(names, (std::vector<std::string>{"FX3 USB device", "ORVA+CAM", "ORVA"}));
    EXPECT_TRUE(log.Contains("I CameraManager::EnumerateCameras"));
    EXPECT_TRUE(log.Contains("I Enumerated cameras: 3"));
}

TEST_F(CameraManagerTest, FailedEnumerationIsReported) {
    AddDevice("ORVA+CAM");
    devices.failWith = "device list unavailable";
    EXPECT_TRUE(manager.EnumerateCameras().empty());
    EXPECT_TRUE(log.Contains("E Failed to enumerate cameras: device list unavailable"));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Failed to create the list of available cameras.\ndevice list unavailable");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Error);
}

TEST_F(CameraManagerTest, ReEnumerationReleasesUnitsNobodyHolds) {
    AddDevice("ORVA+CAM");
    auto kept = manager.EnumerateCameras().front();
    manager.EnumerateCameras();
    EXPECT_TRUE(log.MessagesStartingWith("I Releasing Camera Unit").empty());
    manager.EnumerateCameras();
    kept.reset();
    EXPECT_EQ(log.MessagesStartingWith("I Releasing Camera Unit").size(), 2u);
    EXPECT_TRUE(log.Contains("I Releasing Camera Unit ORVA+CAM"));
}

TEST(ConnectMenu, ContentAndEnabling) {
    using Kind = ConnectMenuModel::Kind;
    using Entry = ConnectMenuModel::Entry;
    struct Case {
        std::vector<std::string> names;
        bool active;
        Kind kind;
        std::string text;
        std::vector<Entry> entries;
        bool enabled;
    };
    const std::vector<std::string> eleven = {"ORVA 0", "ORVA 1", "ORVA 2", "ORVA 3", "ORVA 4", "ORVA 5",
                                             "ORVA 6", "ORVA 7", "ORVA 8", "ORVA 9", "ORVA 10"};
    std::vector<Entry> ten;
    for (int i = 0; i < 10; ++i) ten.push_back({eleven[static_cast<std::size_t>(i)], 32831 + i});
    const Case cases[] = {
        {{}, false, Kind::CameraNotFound, "Camera not found", {{"Camera not found", 32831}}, false},
        {{"ORVA+CAM"}, false, Kind::SingleCamera, "Connect ORVA+CAM", {{"Connect ORVA+CAM", 32831}}, true},
        {{"ORVA+CAM"}, true, Kind::SingleCamera, "Connect ORVA+CAM", {{"Connect ORVA+CAM", 32831}}, false},
        {{"FX3 A", "ORVA B"}, false, Kind::Submenu, "Connect", {{"FX3 A", 32831}, {"ORVA B", 32832}}, true},
        {eleven, false, Kind::Submenu, "Connect", ten, true},
    };
    for (const auto& c : cases) {
        const ConnectMenuModel menu(c.names, c.active);
        EXPECT_EQ(menu.GetKind(), c.kind);
        EXPECT_EQ(menu.Text(), c.text);
        EXPECT_EQ(menu.Entries(), c.entries);
        EXPECT_EQ(menu.Enabled(), c.enabled);
    }
    EXPECT_EQ(ConnectMenuModel::CameraIndexOfCommand(32831), 0u);
    EXPECT_EQ(ConnectMenuModel::CameraIndexOfCommand(32840), 9u);
    EXPECT_EQ(ConnectMenuModel::CameraIndexOfCommand(32841), std::nullopt);
    EXPECT_EQ(ConnectMenuModel::CameraIndexOfCommand(32830), std::nullopt);
}

TEST_F(CameraManagerTest, ConnectActivatesAndTellsTheClient) {
    auto device = AddDevice("ORVA+CAM");
    ConnectFirst();
    const auto& unit = manager.ActiveCameraUnit();
    ASSERT_TRUE(unit);
    EXPECT_EQ(device->maxBuffers, 4u);
    EXPECT_EQ(manager.ConnectedDevicePath(), "usb#vid_04b4&pid_00f1#1");
    ASSERT_TRUE(unit->Model());
    EXPECT_EQ(unit->Model()->SensorCode(), 7);
    ASSERT_TRUE(unit->ActiveVideoResolution());
    EXPECT_EQ(unit->ActiveVideoResolution(), unit->Model()->GetVideoResolution(0));
    EXPECT_EQ(stream.calls, (std::vector<std::string>{"Init"}));
    EXPECT_EQ(Commands(*device).back(), (Bytes{0x70, 1, 0, 0, 0}));
    EXPECT_EQ(view.loaded, (std::vector<std::string>{"ORVA+CAM"}));
    EXPECT_EQ(view.countdown, 5);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(frame.ConnectMenu().Enabled());
    for (const char* line : {"I OnConnectCameraCommand", "I CameraManager::DoConnectCamera", "I CameraUnit::Activate",
                             "I Detected camera model: ORVA+CAM #1234 FW 1.3.5, Sensor IMX174"}) {
        EXPECT_TRUE(log.Contains(line)) << line;
    }
}

TEST_F(CameraManagerTest, FirmwareWarningOnlyForOldFirmwareAndNotDuringRecovery) {
    struct Case {
        uint8_t major, minor, patch;
        bool recovering;
        bool warned;
    };
    const Case cases[] = {
        {1, 3, 4, false, true}, {1, 2, 9, false, true}, {1, 3, 5, false, false},
        {2, 0, 0, false, false}, {1, 3, 4, true, false},
    };
    for (const auto& c : cases) {
        auto device = std::make_shared<FakeCameraDevice>(clock, "ORVA+CAM", "link");
        device->SetIdentity(c.major, c.minor, c.patch, 7);
        auto unit = std::make_shared<CameraUnit>(manager, "ORVA+CAM", "link", device);
        ui.messages.clear();
        manager.SetRecoveryActive(c.recovering);
        ASSERT_TRUE(unit->Activate(false));
        frame.OnCameraConnected(unit.get());
        if (c.warned) {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0].title, "Incompatible camera firmware");
            EXPECT_EQ(ui.messages[0].icon, MessageIcon::Warning);
            EXPECT_EQ(ui.messages[0].text.substr(0, 57),
                      "Camera firmware 1.3.5 or newer is required for this versi");
            EXPECT_TRUE(log.Contains("W OnCameraConnected: Camera firmware too old (1.3.5 recommended) " +
                                     std::to_string(c.major * 65536 + c.minor * 256 + c.patch)));
        } else {
            EXPECT_TRUE(ui.messages.empty()) << int(c.major) << "." << int(c.minor) << "." << int(c.patch);
        }
        unit->Shutdown();
    }
}

TEST_F(CameraManagerTest, FailedConnectLeavesNoActiveCameraAndNothingOpen) {
    struct Case {
        const char* name;
        void (*arrange)(FakeCameraDevice&, test::FakeCameraStream&);
        const char* logLine;
    };
    const Case cases[] = {
        {"activation refused", [](FakeCameraDevice& d, test::FakeCameraStream&) { d.activationResult = kResultFailed; },
         "E Delayed activation failed"},
        {"stream refuses the source", [](FakeCameraDevice&, test::FakeCameraStream& s) { s.acceptSource = false; },
         "E Media stream init failed!"},
        {"no extension unit", [](FakeCameraDevice& d, test::FakeCameraStream&) { d.withExtensionUnit = false; },
         "E Failed to create EU topo node"},
        {"model unreadable",
         [](FakeCameraDevice& d, test::FakeCameraStream&) {
             d.transport->SetDefaultRead(1, {});  // a short reply: the read fails
         },
         "E Camera model unknown!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        devices.devices.clear();
        stream = test::FakeCameraStream{};
        ui.messages.clear();
        auto device = AddDevice("ORVA+CAM");
        c.arrange(*device, stream);
        ConnectFirst();
        EXPECT_FALSE(manager.ActiveCameraUnit());
        EXPECT_FALSE(stream.source) << "the stream must not keep the failed camera's source";
        EXPECT_FALSE(manager.Cameras().front()->ExtensionUnit());
        EXPECT_TRUE(log.Contains(c.logLine));
        EXPECT_TRUE(log.Contains("W Failed to connect to the camera"));
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, "Failed to connect to the camera.\n");
        EXPECT_EQ(ui.messages[0].title, "");
        EXPECT_TRUE(frame.ConnectMenu().Enabled()) << "the camera stays listed and can be connected again";
    }
}

TEST_F(CameraManagerTest, DisconnectSendsOrvaModeOffAndRefreshesTheList) {
    auto device = AddDevice("ORVA+CAM");
    ConnectFirst();
    const int enumerations = devices.enumerations;
    frame.OnCameraDisconnectClick();
    EXPECT_FALSE(manager.ActiveCameraUnit());
    EXPECT_EQ(manager.ConnectedDevicePath(), "");
    EXPECT_EQ(Commands(*device).back(), (Bytes{0x70, 0, 0, 0, 0}));
    EXPECT_EQ(stream.calls.back(), "DeInit");
    EXPECT_EQ(devices.enumerations, enumerations + 1);
    EXPECT_TRUE(frame.ConnectMenu().Enabled());
    const auto lines = log.Messages();
    const std::vector<std::string> expected = {"I OnCameraDisconnectClick", "I CameraManager::DoDisconnectCamera"};
    EXPECT_NE(std::search(lines.begin(), lines.end(), expected.begin(), expected.end()), lines.end());
    EXPECT_TRUE(log.Contains("I CameraUnit::Shutdown"));
    EXPECT_TRUE(log.Contains("I OnCameraDisconnected"));
}

TEST_F(CameraManagerTest, RestartSendsTheRestartCommandOnly) {
    auto device = AddDevice("ORVA+CAM");
    frame.OnCameraRestartClick();  // no camera: nothing sent
    EXPECT_TRUE(Commands(*device).empty());
    ConnectFirst();
    device->transport->QueueWriteResult(kResultFailed);
    frame.OnCameraRestartClick();
    EXPECT_EQ(Commands(*device).back(), (Bytes{0x74, 0xDE, 0xAD, 0, 0}));
    EXPECT_TRUE(log.Contains("I CameraUnit::Restart"));
    EXPECT_TRUE(log.Contains("E CameraExtensionUnit::Restart failed:  " + std::to_string(kResultFailed)));
    EXPECT_TRUE(manager.ActiveCameraUnit());
}

TEST_F(CameraManagerTest, ResolutionChangeRefusedWhileStreaming) {
    AddDevice("ORVA+CAM");
    ConnectFirst();
    const auto& unit = manager.ActiveCameraUnit();
    const VideoResolution* second = unit->Model()->GetVideoResolution(1);
    stream.streaming = true;
    manager.SetActiveVideoResolution(second);
    EXPECT_EQ(unit->ActiveVideoResolution(), unit->Model()->GetVideoResolution(0));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Failed to change the video settings.\nNot permitted while streaming.");
    EXPECT_TRUE(log.Contains("W CameraManager::SetActiveVideoResolution failed, not permitted while streaming"));
    stream.streaming = false;
    manager.SetActiveVideoResolution(second);
    EXPECT_EQ(unit->ActiveVideoResolution(), second);
}

TEST_F(CameraManagerTest, GetStatusUsesTheCacheOrReadsTheCamera) {
    auto device = AddDevice("ORVA+CAM");
    ConnectFirst();
    const auto& unit = manager.ActiveCameraUnit();
    for (int i = 0; i < 7; ++i) unit->Status().DecodeOverlay({});
    Bytes block(32, 0);
    block[0] = 0x02;
    block[11] = 17;
    block[14] = 3;
    device->transport->SetDefaultRead(4, block);

    CameraStatus out;
    ASSERT_TRUE(unit->GetStatus(&out, 7));
    EXPECT_EQ(out.sequence, 7);
    EXPECT_EQ(out.gainCode, 0) << "served from the cache";

    ASSERT_TRUE(unit->GetStatus(&out, 8));
    EXPECT_EQ(out.sequence, 9);
    EXPECT_EQ(out.gainCode, 17);
    EXPECT_EQ(unit->Status().Load(), out);

    EXPECT_FALSE(unit->GetStatus(nullptr, 0));
    unit->SetFirmwareUpdateRunning(true);
    EXPECT_FALSE(unit->GetStatus(&out, 0));
}

TEST_F(CameraManagerTest, FailedStatusReadsAreLoggedOnceUntilOneSucceeds) {
    auto device = AddDevice("ORVA+CAM");
    ConnectFirst();
    const auto& unit = manager.ActiveCameraUnit();
    device->transport->SetDefaultRead(4, Bytes(32, 0));
    device->transport->QueueReadFailure(4, kResultFailed);
    device->transport->QueueReadFailure(4, kResultFailed);
    device->transport->QueueReadFailure(4, kResultFailed);
    device->transport->QueueRead(4, Bytes(32, 0));
    device->transport->QueueReadFailure(4, kResultFailed);
    CameraStatus out;
    const bool expected[] = {false, false, false, true, false};
    for (bool e : expected) EXPECT_EQ(unit->GetStatus(&out, out.sequence + 1), e);
    EXPECT_EQ(log.MessagesStartingWith("E failed to get the camera status").size(), 2u);
}

TEST_F(CameraManagerTest, GainTextOfTheCachedGainCode) {
    struct Case {
        uint8_t sensor;
        uint32_t code;
        const char* text;
    };
    const Case cases[] = {{7, 25, "+25 dB D"}, {7, 24, "+24 dB"}, {3, 1, "0.09 D"}, {3, 22, "78.0 D"}, {11, 3, "?"}};
    for (const auto& c : cases) {
        auto device = std::make_shared<FakeCameraDevice>(clock, "ORVA+CAM", "link");
        device->SetIdentity(1, 3, 5, c.sensor);
        auto unit = std::make_shared<CameraUnit>(manager, "ORVA+CAM", "link", device);
        ASSERT_TRUE(unit->Activate(false));
        OverlayStatusFields o;
        o.statusWord1 = c.code << 24;
        unit->Status().DecodeOverlay(o);
        EXPECT_EQ(unit->GetCurrentGainText(), c.text) << int(c.sensor) << " " << c.code;
        unit->Shutdown();
    }
}

Bytes Reply(uint32_t word) {
    return {1, static_cast<uint8_t>(word >> 24), static_cast<uint8_t>(word >> 16), static_cast<uint8_t>(word >> 8),
            static_cast<uint8_t>(word)};
}

TEST(CalibrationWord, RealignsByOneByte) {
    EXPECT_EQ(CameraUnit::RealignCalibrationWord(0x11223344, 0), 0x44000000u);
    EXPECT_EQ(CameraUnit::RealignCalibrationWord(0x55667788, 0x11223344), 0x88112233u);
}

TEST_F(CameraManagerTest, LogCalibrationStatusWritesEachChannel) {
    auto device = AddDevice("ORVA+CAM");
    ConnectFirst();
    // Stored words: S(2) and S(3) give the channel positions 0, 1, 31, 16 and 5, 6, 7, 8;
    // S(4..11) carry the bit patterns.
    std::vector<uint32_t> stored = {0, 0, 0x10'1F'01'00, 0x08'07'06'05, 0xFFFFFFFF, 0, 0x80000001, 0x0000FFFF,
                                    0xF0F0F0F0, 0, 0, 0x12345678, 0};
    // The words the camera sends, so that the realignment gives `stored`:
    // w(i) = (S(i+1) << 8) | (S(i) >> 24), with S(13) = 0.
    for (std::size_t i = 0; i < 13; ++i) {
        const uint32_t next = i + 1 < 13 ? stored[i + 1] : 0;
        device->transport->QueueRead(5, Reply((next << 8) | (stored[i] >> 24)));
    }
    manager.ActiveCameraUnit()->LogCalibrationStatus();
    EXPECT_EQ(Commands(*device)[Commands(*device).size() - 14], (Bytes{0xCC, 0, 0, 1, 1}));
    EXPECT_EQ(log.MessagesStartingWith("I CH "),
              (std::vector<std::string>{
                  "I CH 00 [+++++++++++++++++++++++++++++++*]",
                  "I CH 01 [------------------------------*-]",
                  "I CH 02 [*------------------------------+]",
                  "I CH 03 [---------------*++++++++++++++++]",
                  "I CH 04 [++++----++++----++++----++*+----]",
                  "I CH 05 [-------------------------*------]",
                  "I CH 06 [------------------------*-------]",
                  "I CH 07 [---+--+---++-+---+-+-++*-++++---]",
              }));
    EXPECT_TRUE(log.Contains("I Sensor channel calibration result:"));
}

TEST_F(CameraManagerTest, LogCalibrationStatusStopsAtTheFirstMissingWord) {
    auto device = AddDevice("ORVA+CAM");
    ConnectFirst();
    device->transport->QueueRead(5, Reply(0x11223344));
    device->transport->QueueRead(5, Bytes{0, 0xFF, 0xFF, 0xFF, 0xFF});  // no data
    manager.ActiveCameraUnit()->LogCalibrationStatus();
    EXPECT_TRUE(log.Contains("W Failed to read sensor channel calibration information from transfer buffer: 0"));
    EXPECT_EQ(log.MessagesStartingWith("I CH ").size(), 8u);
    EXPECT_TRUE(log.Contains("I CH 00 [-------------------------------*]"));

    auto idle = std::make_shared<CameraUnit>(manager, "ORVA+CAM", "link", device);
    idle->LogCalibrationStatus();
    EXPECT_TRUE(log.Contains("E LogCalibrationStatus: Camera not accessible"));
}

}  // namespace
}  // namespace orva
