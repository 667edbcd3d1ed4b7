// The camera's side of the extension unit, driven by the station's CameraExtensionUnit.
#include "SimCameraFixture.h"
#include "camera/CameraStatus.h"
#include "simcam/SimStatusEncoding.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace orva {
namespace {

using test::SimCameraFixture;

TEST(SimExtensionUnit, IdentityReadsAsTheCameraModel) {
    struct Case {
        uint8_t sensorCode;
        uint8_t xuVersion;
        uint32_t serial;
        const char* displayName;
        const char* shortId;
    };
    const Case cases[] = {
        {7, 2, 1234, "ORVA+CAM #1234 FW 1.3.5, Sensor IMX174", "ORVA+CAM 174"},
        {9, 2, 0x04D2, "ORVA+CAM #1234 FW 1.3.5, Sensor IMX430", "ORVA+CAM 430"},
        {5, 2, 77, "ORVA+CAM Prototype V2 #77 FW 1.3.5, Sensor IMX178", "P2 IMX178"},
        {7, 1, 1234, "ORVA+CAM #0 FW 1.3.5, Sensor IMX174", ""},  // no extended block below version 2
    };
    for (const Case& c : cases) {
        SimCameraConfig config;
        config.identity.sensorCode = c.sensorCode;
        config.identity.extensionUnitVersion = c.xuVersion;
        config.identity.serialNumber = c.serial;
        SimCameraFixture f(config);
        const auto model = f.unit->ReadCameraModel();
        ASSERT_NE(model, nullptr);
        EXPECT_EQ(model->GetDisplayName(), c.displayName);
        EXPECT_EQ(model->GetShortIdentification(), c.shortId);
        if (c.xuVersion >= 2) {
            EXPECT_EQ(model->SpareBytes(), config.identity.spareBytes);
        }
    }
}

TEST(SimExtensionUnit, EveryCommandChangesTheAppliedState) {
    struct Case {
        const char* name;
        std::function<int32_t(CameraExtensionUnit&)> send;
        std::function<bool(const SimDeviceState&)> applied;
    };
    const Case cases[] = {
        {"clip", [](auto& u) { return u.SetClipOnOverflow(); }, [](auto& s) { return s.clipOnOverflow; }},
        {"8 bit", [](auto& u) { return u.SetEightSixteenBit(true); }, [](auto& s) { return s.eightBit; }},
        {"black level", [](auto& u) { return u.SetBlackLevel(70000); }, [](auto& s) { return s.blackLevel == 65535; }},
        {"invert", [](auto& u) { return u.SetInvertImage(true); }, [](auto& s) { return s.invert; }},
        {"flip XY", [](auto& u) { return u.SetFlipMode(3); }, [](auto& s) { return s.flipMode == 3; }},
        {"gain", [](auto& u) { return u.SetGain(31); }, [](auto& s) { return s.gainCode == 31; }},
        {"hires", [](auto& u) { return u.EnableDisableHires(true); }, [](auto& s) { return s.highTimeResolution; }},
        {"high gain", [](auto& u) { return u.SetHighGain(true); }, [](auto& s) { return s.highGain; }},
        {"recording", [](auto& u) { return u.SetRecording(true); }, [](auto& s) { return s.recording; }},
        {"exposure ms", [](auto& u) { return u.SetExposureTimeMs(300, true); },
         [](auto& s) { return s.exposureUs == 300000 && s.frameTimeFlag; }},
        {"orva mode", [](auto& u) { u.SetOrvaMode(true); return 0; }, [](auto& s) { return s.orvaMode; }},
        {"overlay dark", [](auto& u) { u.SetOverlayMode(1); return 0; }, [](auto& s) { return s.OverlayMode() == 1; }},
        {"overlay ascii", [](auto& u) { u.SetOverlayMode(2); return 0; }, [](auto& s) { return s.OverlayMode() == 2; }},
        {"1PPS marker", [](auto& u) { u.ShowHideMarker1ppsIsr(true); return 0; }, [](auto& s) { return s.ppsMarker; }},
    };
    for (const Case& c : cases) {
        SimCameraFixture f;
        EXPECT_FALSE(c.applied(f.camera->Device().State())) << c.name << " already set at power-on";
        EXPECT_GE(c.send(*f.unit), 0) << c.name;
        EXPECT_TRUE(c.applied(f.camera->Device().State())) << c.name;
    }
}

TEST(SimExtensionUnit, ExposureUnitsFollowTheHighTimeResolutionMode) {
    struct Case {
        bool hires;
        bool hundredMicroseconds;
        uint32_t value;
        uint32_t expectedUs;
    };
    const Case cases[] = {
        {true, true, 12, 1200},        // 1.25 ms sent as 12
        {false, true, 12, 1000},       // whole milliseconds only
        {false, true, 5, 1000},        // never below 1 ms
        {true, true, 0, 100},          // never below 100 us
        {false, false, 300, 300000},   // a1 = 1, a2 = 44
        {true, false, 65535, 65535000},
    };
    for (const Case& c : cases) {
        SimCameraFixture f;
        f.unit->EnableDisableHires(c.hires);
        const int32_t r = c.hundredMicroseconds ? f.unit->SetExposureTime100us(c.value, false)
                                                : f.unit->SetExposureTimeMs(c.value, false);
        ASSERT_GE(r, 0);
        EXPECT_EQ(f.camera->Device().State().exposureUs, c.expectedUs) << c.value;
    }
}

TEST(SimExtensionUnit, MalformedCommandsFailAndChangeNothing) {
    SimCameraFixture f;
    const SimDeviceState before = f.camera->Device().State();
    const std::array<uint8_t, 5> blocks[] = {
        {0x6D, 4, 0, 0, 0},        // flip mode beyond XY
        {0x6E, 49, 0, 0, 0},       // gain code beyond the sensor's steps
        {0x74, 0xDE, 0xAE, 0, 0},  // restart without its key
        {0xCC, 0, 0, 1, 0},        // hardware command with other arguments
        {0x99, 1, 0, 0, 0},        // unknown command
    };
    for (const auto& block : blocks) {
        EXPECT_LT(f.unit->SetExtensionUnit(5, block), 0) << int(block[0]);
    }
    const std::array<uint8_t, 4> shortBlock{0x6A, 1, 0, 0};
    EXPECT_LT(f.unit->SetExtensionUnit(5, shortBlock), 0);
    std::array<uint8_t, 12> shortRead{};
    EXPECT_FALSE(f.unit->GetExtensionUnit(8, shortRead));
    const SimDeviceState after = f.camera->Device().State();
    EXPECT_EQ(after.flipMode, before.flipMode);
    EXPECT_EQ(after.gainCode, before.gainCode);
    EXPECT_EQ(after.invert, before.invert);
    EXPECT_TRUE(f.camera->IsPresent());
}

CameraStatus DecodeBlockOf(CameraExtensionUnit& unit) {
    std::array<uint8_t, 32> block{};
    EXPECT_TRUE(unit.GetExtensionUnit(4, block));
    CameraStatus status;
    status.DecodeStatusBlock(block);
    return status;
}

TEST(SimExtensionUnit, StatusBlockAndStatusWordsDecodeToTheAppliedState) {
    struct Case {
        const char* name;
        std::function<void(test::SimCameraFixture&)> apply;
    };
    const Case cases[] = {
        {"power-on", [](auto&) {}},
        {"everything on",
         [](auto& f) {
             f.unit->SetOverlayMode(2);
             f.unit->ShowHideMarker1ppsIsr(true);
             f.unit->EnableDisableHires(true);
             f.unit->SetInvertImage(true);
             f.unit->SetEightSixteenBit(true);
             f.unit->SetFlipMode(2);
             f.unit->SetGain(48);
             f.unit->SetExposureTime100us(5000, false);
             f.camera->Device().SetStatusFlags(true, true);
             f.camera->Device().SetCommitError(true);
             f.camera->Device().SetLinkErrors(0x1234, 0x1FF, 0x0AB, 0xBEEF);
             f.camera->SetLinkType(2);
             f.camera->SelectMode(4);
         }},
        {"overlay dark, flip X, USB1",
         [](auto& f) {
             f.unit->SetOverlayMode(1);
             f.unit->SetFlipMode(1);
             f.unit->SetExposureTimeMs(7000, false);  // frame time saturates at 65535
             f.camera->SetLinkType(1);
             f.camera->Device().SetLinkErrors(200, 0x110, 5, 1);
         }},
    };
    for (const bool fill : {true, false}) {
        for (const Case& c : cases) {
            SimCameraConfig config;
            config.fillUndecoded = fill;
            SimCameraFixture f(config);
            c.apply(f);
            const SimDeviceState s = f.camera->Device().State();
            const CameraStatus block = DecodeBlockOf(*f.unit);
            SCOPED_TRACE(std::string(c.name) + (fill ? " (filled)" : " (zeros)"));
            EXPECT_EQ(block.overlayMode, s.OverlayMode());
            EXPECT_EQ(block.ppsMarker, s.ppsMarker);
            EXPECT_EQ(block.statusFlagA, s.statusFlagA);
            EXPECT_EQ(block.statusFlagB, s.statusFlagB);
            EXPECT_EQ(block.highTimeResolution, s.highTimeResolution);
            EXPECT_EQ(block.invert, s.invert);
            EXPECT_EQ(block.eightBit, s.eightBit);
            EXPECT_EQ(block.modeIndex, s.modeIndex);
            EXPECT_EQ(block.frameTime, s.FrameTime100us());
            EXPECT_EQ(block.flipMode, s.flipMode);
            EXPECT_EQ(block.commitError, s.commitError);
            EXPECT_EQ(block.gainCode, s.gainCode);
            EXPECT_EQ(block.linkType, s.linkType);
            EXPECT_EQ(block.phyErrorCount, std::min<uint16_t>(s.phyErrorCount, 255));
            EXPECT_EQ(block.linkErrorCount, std::min<uint16_t>(s.linkErrorCount, 127));
            EXPECT_EQ(block.phyErrorValue, s.phyErrorValue & 0x1FF);
            EXPECT_EQ(block.linkErrorValue, s.linkErrorValue);

            const auto words = EncodeSimStatusWords(s, fill);
            OverlayStatusFields fields;
            fields.statusWord0 = words[0];
            fields.statusWord1 = words[1];
            fields.statusWord2 = words[2];
            fields.statusWord3 = words[3];
            fields.modeValue = SimModeValue(s.modeIndex);
            CameraStatus overlay;
            overlay.DecodeOverlay(fields);
            EXPECT_EQ(overlay.overlayMode, s.OverlayMode());
            EXPECT_EQ(overlay.ppsMarker, s.ppsMarker);
            EXPECT_EQ(overlay.statusFlagA, s.statusFlagA);
            EXPECT_EQ(overlay.statusFlagB, s.statusFlagB);
            EXPECT_EQ(overlay.highTimeResolution, s.highTimeResolution);
            EXPECT_EQ(overlay.invert, s.invert);
            EXPECT_EQ(overlay.eightBit, s.eightBit);
            EXPECT_EQ(overlay.modeIndex, s.modeIndex);
            EXPECT_EQ(overlay.frameTime, s.FrameTime100us());
            EXPECT_EQ(overlay.flipMode, s.flipMode);
            EXPECT_EQ(overlay.commitError, s.commitError);
            EXPECT_EQ(overlay.gainCode, s.gainCode);
            EXPECT_EQ(overlay.linkType, s.linkType);
            EXPECT_EQ(overlay.phyErrorCount, s.phyErrorCount);
            EXPECT_EQ(overlay.linkErrorCount, s.linkErrorCount);
            EXPECT_EQ(overlay.phyErrorValue, s.phyErrorValue);
            EXPECT_EQ(overlay.linkErrorValue, s.linkErrorValue);
        }
    }
}

TEST(SimExtensionUnit, TransferBufferWordsAndTheReplyFlag) {
    SimCameraFixture f;
    std::array<uint8_t, 5> reply{};
    ASSERT_TRUE(f.unit->GetExtensionUnit(5, reply));
    EXPECT_EQ(reply[0], 0) << "no data before a word was asked for";
    ASSERT_GE(f.unit->SetTransferBufferAddress(), 0);
    ASSERT_GE(f.unit->WriteTransferBufferData(0x44332211), 0);
    ASSERT_GE(f.unit->WriteTransferBufferData(0xA1B2C3D4), 0);
    EXPECT_EQ(f.unit->ReadTransferBufferWord(1), 0xA1B2C3D4u);
    EXPECT_EQ(f.unit->ReadTransferBufferWord(0), 0x44332211u);
    ASSERT_GE(f.unit->SetGain(3), 0);
    ASSERT_TRUE(f.unit->GetExtensionUnit(5, reply));
    EXPECT_EQ(reply[0], 0) << "another command leaves no data";
}

TEST(SimExtensionUnit, CalibrationResultSurvivesTheHostsRealignment) {
    SimCameraFixture f;
    ASSERT_GE(f.unit->SendHardwareCommand(), 0);
    std::array<uint32_t, 13> realigned{};
    uint32_t previous = 0;
    for (int i = 0; i < 13; ++i) {
        const auto word = f.unit->ReadTransferBufferWord(static_cast<uint8_t>(i));
        ASSERT_TRUE(word.has_value());
        realigned[i] = (*word << 24) | (previous >> 8);
        previous = *word;
    }
    EXPECT_EQ(realigned, f.camera->Device().CalibrationResult());
    // Every channel's chosen tap lies inside its window of good taps.
    for (int c = 0; c < 8; ++c) {
        const int p = (realigned[2 + c / 4] >> (8 * (c % 4))) & 31;
        EXPECT_NE(realigned[4 + c] & (1u << p), 0u) << "channel " << c;
    }
}

std::vector<uint8_t> ReadStream(CameraExtensionUnit& unit, int words) {
    std::vector<uint8_t> stream;
    for (int i = 0; i < words; ++i) {
        const auto word = unit.ReadTransferBufferWord(static_cast<uint8_t>(i));
        EXPECT_TRUE(word.has_value());
        for (int b = 0; b < 4; ++b) stream.push_back(static_cast<uint8_t>(*word >> (8 * b)));
    }
    return stream;
}

TEST(SimGpsReceiver, VersionQueryAnswersHardwareAndFirmware) {
    SimCameraFixture f;
    ASSERT_GE(f.unit->SendGpsCommand(0, 0x01, 0xFF), 0);
    const auto stream = ReadStream(*f.unit, 16);
    const std::string text(stream.begin() + 1, stream.begin() + 1 + stream[0]);
    EXPECT_EQ(text, "ORVA-GNSS-M10;ROM 2.01 (sim)");
    EXPECT_EQ(stream[1 + stream[0]], 0) << "the text ends with a zero byte";
}

TEST(SimGpsReceiver, ConfigurationPollWriteAndPollAgain) {
    for (const bool withImes : {true, false}) {
        SimCameraConfig config;
        config.gnss.withImes = withImes;
        SimCameraFixture f(config);
        ASSERT_GE(f.unit->SendGpsCommand(0, 0x3E, 0x06), 0);
        auto stream = ReadStream(*f.unit, 2);
        const int length = stream[3] | (stream[4] << 8);
        ASSERT_EQ(length, withImes ? 60 : 52);
        stream = ReadStream(*f.unit, (length + 8) / 4 + 1);
        std::vector<uint8_t> payload(stream.begin() + 5, stream.begin() + 5 + length);
        EXPECT_EQ(payload[0], 0) << "message version";
        EXPECT_EQ(payload[3], withImes ? 7 : 6);
        bool imesSeen = false;
        for (int n = 0; n < payload[3]; ++n) imesSeen |= payload[4 + 8 * n] == 4;
        EXPECT_EQ(imesSeen, withImes);

        // Write a changed configuration: GLONASS off, GPS limited to 12 channels.
        payload[2] = 24;
        for (int n = 0; n < payload[3]; ++n) {
            uint8_t* block = &payload[4 + 8 * n];
            if (block[0] == 6) block[4] = 0;
            if (block[0] == 0) block[2] = 12;
        }
        ASSERT_GE(f.unit->WriteGpsMessage(0x3E, 0x06, payload), 0);
        ASSERT_GE(f.unit->SendGpsCommand(0, 0x3E, 0x06), 0);
        stream = ReadStream(*f.unit, (length + 8) / 4 + 1);
        EXPECT_EQ(std::vector<uint8_t>(stream.begin() + 5, stream.begin() + 5 + length), payload);
    }
}

TEST(SimGpsReceiver, MalformedConfigurationIsRefusedAndTheOldOneKept) {
    SimCameraFixture f;
    const auto before = f.camera->Device().WithGpsReceiver([](SimGpsReceiver& r) { return r.GnssConfiguration(); });
    std::vector<uint8_t> payload(before.begin(), before.end() - 8);  // 52 bytes that claim 7 blocks
    EXPECT_LT(f.unit->WriteGpsMessage(0x3E, 0x06, payload), 0);
    std::vector<uint8_t> badSystem = before;
    badSystem[4] = 9;
    EXPECT_LT(f.unit->WriteGpsMessage(0x3E, 0x06, badSystem), 0);
    EXPECT_LT(f.unit->SendGpsCommand(4, 0x01, 0xFF), 0) << "the version query carries no payload";
    EXPECT_LT(f.unit->SendGpsCommand(0, 0x12, 0x34), 0) << "unknown message";
    EXPECT_EQ(f.camera->Device().WithGpsReceiver([](SimGpsReceiver& r) { return r.GnssConfiguration(); }), before);
}

TEST(SimExtensionUnit, InjectedFailuresReachTheStationsLog) {
    test::LogCapture log;
    SimCameraFixture f;
    constexpr int32_t kCode = static_cast<int32_t>(0x8007001Fu);
    f.camera->Faults().FailExtensionUnitCalls(kCode, 2);
    EXPECT_EQ(f.unit->SetGain(5), kCode);
    EXPECT_EQ(f.unit->SetInvertImage(true), kCode);
    EXPECT_GE(f.unit->SetFlipMode(1), 0) << "the third call goes through";
    EXPECT_EQ(log.MessagesStartingWith("E CameraExtensionUnit::SetGain failed:").size(), 1u);
    EXPECT_EQ(log.MessagesStartingWith("E CameraExtensionUnit::SetInvertImage failed:").size(), 1u);
    const SimDeviceState s = f.camera->Device().State();
    EXPECT_EQ(s.gainCode, 0);
    EXPECT_FALSE(s.invert);
    EXPECT_EQ(s.flipMode, 1);
}

}  // namespace
}  // namespace orva
