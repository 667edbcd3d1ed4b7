// The station's extension-unit protocol (CameraExtensionUnit) over the UVC control query
// of the V4L2 backend, the fake kernel answering with the simulated camera's bytes: every
// command travels as its block on the command selector, every read returns the camera's
// block, and each kernel error reaches the log with its code.
#include "V4l2TestRig.h"
#include "camera/CameraExtensionUnit.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

namespace orva {
namespace {

std::string SetDetail(uint8_t selector, const std::string& bytes) {
    return "unit 3 selector " + std::to_string(selector) + " SET_CUR " +
           std::to_string((bytes.size() + 1) / 3) + ": " + bytes;
}

class V4l2ExtensionUnitTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto devices = rig.enumerator->EnumerateVideoCaptureDevices();
        ASSERT_EQ(devices.size(), 1u);
        ASSERT_EQ(devices[0]->ActivateMediaSource(source), 0);
        unit = CameraExtensionUnit::Create(source->ExtensionUnitTransport(), clock);
        rig.kernel->ClearCalls();
    }

    // The control queries since the last call, as "unit u selector s SET_CUR n: bytes".
    std::vector<std::string> Queries() {
        std::vector<std::string> queries;
        for (const auto& call : rig.kernel->Calls())
            if (call.name == "UVCIOC_CTRL_QUERY") queries.push_back(call.detail);
        rig.kernel->ClearCalls();
        return queries;
    }

    test::LogCapture log;
    test::ManualClock clock;
    test::V4l2TestRig rig;
    std::shared_ptr<ICameraMediaSource> source;
    std::unique_ptr<CameraExtensionUnit> unit;
};

TEST_F(V4l2ExtensionUnitTest, EveryCommandTravelsAsItsBlockAndTheCameraAppliesIt) {
    struct Case {
        const char* name;
        std::function<void(CameraExtensionUnit&)> issue;
        std::vector<std::string> blocks;  // on the command selector
    };
    const std::vector<Case> cases = {
        {"SetOverlayMode dark", [](auto& u) { u.SetOverlayMode(1); }, {"00 01 00 00 00", "01 01 00 00 00"}},
        {"ShowHideMarker1ppsIsr", [](auto& u) { u.ShowHideMarker1ppsIsr(true); },
         {"02 01 00 00 00", "04 01 00 00 00", "05 00 00 00 00"}},
        {"SetClipOnOverflow", [](auto& u) { u.SetClipOnOverflow(); }, {"65 01 00 00 00"}},
        {"SetEightSixteenBit", [](auto& u) { u.SetEightSixteenBit(true); }, {"66 01 00 00 00"}},
        {"SetBlackLevel", [](auto& u) { u.SetBlackLevel(70000); }, {"68 FF FF 00 00"}},
        {"SetExposureTimeMs", [](auto& u) { u.SetExposureTimeMs(300, true); }, {"69 01 2C 01 00"}},
        {"SetInvertImage", [](auto& u) { u.SetInvertImage(true); }, {"6A 01 00 00 00"}},
        {"SetFlipMode", [](auto& u) { u.SetFlipMode(3); }, {"6D 03 00 00 00"}},
        {"SetGain", [](auto& u) { u.SetGain(22); }, {"6E 16 00 00 00"}},
        {"EnableDisableHires", [](auto& u) { u.EnableDisableHires(true); }, {"6F 01 00 00 00"}},
        {"SetOrvaMode", [](auto& u) { u.SetOrvaMode(true); }, {"70 01 00 00 00"}},
        {"SetHighGain", [](auto& u) { u.SetHighGain(true); }, {"71 01 00 00 00"}},
        {"SetRecording", [](auto& u) { u.SetRecording(true); }, {"72 01 00 00 00"}},
        {"SetExposureTime100us", [](auto& u) { u.SetExposureTime100us(12, false); }, {"73 00 0C 00 00"}},
        {"SetTransferBufferAddress", [](auto& u) { u.SetTransferBufferAddress(); }, {"C8 00 00 00 00"}},
        {"WriteTransferBufferData", [](auto& u) { u.WriteTransferBufferData(0x11223344); }, {"C9 11 22 33 44"}},
        {"StartReadTransferBufferDataAtAddress", [](auto& u) { u.StartReadTransferBufferDataAtAddress(7); },
         {"CA 07 00 00 00"}},
        {"SendGpsCommand", [](auto& u) { u.SendGpsCommand(0, 0x01, 0xFF); }, {"CB 00 00 01 FF"}},
        {"SendHardwareCommand", [](auto& u) { u.SendHardwareCommand(); }, {"CC 00 00 01 01"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.issue(*unit);
        std::vector<std::string> expected;
        for (const auto& b : c.blocks) expected.push_back(SetDetail(5, b));
        EXPECT_EQ(Queries(), expected);
    }
    // The camera took them: its applied state as its own status block reports it.
    const SimDeviceState state = rig.camera->Device().State();
    EXPECT_TRUE(state.eightBit);
    EXPECT_TRUE(state.invert);
    EXPECT_EQ(state.flipMode, 3);
    EXPECT_EQ(state.gainCode, 22);
    EXPECT_TRUE(state.highGain);
    EXPECT_TRUE(state.highTimeResolution);
    EXPECT_TRUE(state.ppsMarker);
    EXPECT_TRUE(log.MessagesStartingWith("E ").empty());

    // Restart last: the camera leaves the bus.
    unit->Restart();
    EXPECT_EQ(Queries(), std::vector<std::string>{SetDetail(5, "74 DE AD 00 00")});
    EXPECT_FALSE(rig.camera->IsPresent());
}

TEST_F(V4l2ExtensionUnitTest, ReadsReturnTheCamerasBlocks) {
    const std::unique_ptr<CameraModel> model = unit->ReadCameraModel();
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->SerialNumber(), 1234);
    EXPECT_EQ(Queries(), (std::vector<std::string>{"unit 3 selector 1 GET_CUR 5: 01 03 05 02 07",
                                                   "unit 3 selector 8 GET_CUR 13: 01 03 05 02 07 00 00 04 D2 5A 01 02 03"}));

    std::array<uint8_t, 32> viaBackend{};
    std::array<uint8_t, 32> direct{};
    ASSERT_TRUE(unit->GetExtensionUnit(CameraExtensionUnit::kSelectorStatus, viaBackend));
    ASSERT_EQ(rig.camera->GetControl(4, direct), 0);
    EXPECT_EQ(viaBackend, direct);
    Queries();

    // A GPS poll through the transfer buffer, and the receiver's answer word by word.
    ASSERT_EQ(unit->WriteGpsMessage(0x3E, 0x06, {}), 0);
    EXPECT_EQ(Queries(), (std::vector<std::string>{SetDetail(5, "C8 00 00 00 00"), SetDetail(5, "CB 00 00 3E 06")}));
    const std::optional<uint32_t> word = unit->ReadTransferBufferWord(0);
    ASSERT_TRUE(word.has_value());
    const auto queries = Queries();
    ASSERT_EQ(queries.size(), 2u);
    EXPECT_EQ(queries[0], SetDetail(5, "CA 00 00 00 00"));
    EXPECT_EQ(queries[1].rfind("unit 3 selector 5 GET_CUR 5: ", 0), 0u);

    // The firmware channel: 34-byte frames both ways (the camera refuses an empty frame;
    // the bytes travel all the same).
    std::array<uint8_t, 34> frame{};
    unit->SetExtensionUnit(CameraExtensionUnit::kSelectorFirmware, frame);
    unit->GetExtensionUnit(CameraExtensionUnit::kSelectorFirmware, frame);
    const auto firmware = Queries();
    ASSERT_EQ(firmware.size(), 2u);
    EXPECT_EQ(firmware[0].rfind("unit 3 selector 7 SET_CUR 34: ", 0), 0u);
    EXPECT_EQ(firmware[1].rfind("unit 3 selector 7 GET_CUR 34: ", 0), 0u);
}

TEST_F(V4l2ExtensionUnitTest, KernelErrorsAreLoggedWithTheirCodes) {
    struct Case {
        int err;
        int32_t code;
    };
    const Case cases[] = {{EIO, -2147023779}, {EPIPE, -2147023779}, {EBUSY, -2147024726}, {ETIMEDOUT, -2147023436},
                          {ENOBUFS, -2147024809}, {ENODEV, -2147023729}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.err);
        rig.kernel->FailNext("UVCIOC_CTRL_QUERY", c.err);
        EXPECT_EQ(unit->SetGain(5), c.code);
        EXPECT_TRUE(log.Contains("E CameraExtensionUnit::SetGain failed:  " + std::to_string(c.code)));
        rig.kernel->FailNext("UVCIOC_CTRL_QUERY", c.err);
        std::array<uint8_t, 5> version{};
        EXPECT_FALSE(unit->GetExtensionUnit(CameraExtensionUnit::kSelectorVersion, version));
    }
    EXPECT_EQ(log.MessagesStartingWith("E Accessing IKsControl property failed.").size(), std::size(cases));
}

TEST_F(V4l2ExtensionUnitTest, AnUnpluggedCameraFailsEveryAccessAsGone) {
    rig.kernel->Unplug();
    unit->SetOrvaMode(false);
    EXPECT_TRUE(log.Contains("E CameraExtensionUnit::SetOrvaMode failed:  -2147023729"));
    EXPECT_EQ(unit->ReadCameraModel(), nullptr);
}

}  // namespace
}  // namespace orva
