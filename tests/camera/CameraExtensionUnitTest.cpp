#include "camera/CameraExtensionUnit.h"

#include "support/FakeExtensionUnitTransport.h"
#include "support/LogCapture.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace orva {
namespace {

using test::FakeExtensionUnitTransport;
using Bytes = FakeExtensionUnitTransport::Bytes;
using namespace std::chrono_literals;

// Blocks as the camera's byte tables lay them out, written independently of the code
// under test.
Bytes Command(uint8_t code, uint8_t a1 = 0, uint8_t a2 = 0, uint8_t a3 = 0, uint8_t a4 = 0) {
    return {code, a1, a2, a3, a4};
}

Bytes VersionBlock(uint8_t major, uint8_t minor, uint8_t patch, uint8_t xu, uint8_t sensor) {
    return {major, minor, patch, xu, sensor};
}

Bytes ExtendedVersionBlock(uint8_t major, uint8_t minor, uint8_t patch, uint8_t xu, uint8_t sensor, uint32_t serial,
                           Bytes spare = {0, 0, 0, 0}) {
    Bytes b = VersionBlock(major, minor, patch, xu, sensor);
    b.push_back(static_cast<uint8_t>(serial >> 24));
    b.push_back(static_cast<uint8_t>(serial >> 16));
    b.push_back(static_cast<uint8_t>(serial >> 8));
    b.push_back(static_cast<uint8_t>(serial));
    b.insert(b.end(), spare.begin(), spare.end());
    return b;
}

Bytes ReplyBlock(uint8_t valid, uint32_t word) {
    return {valid, static_cast<uint8_t>(word >> 24), static_cast<uint8_t>(word >> 16), static_cast<uint8_t>(word >> 8),
            static_cast<uint8_t>(word)};
}

class ExtensionUnitTest : public ::testing::Test {
protected:
    test::LogCapture log;
    test::ManualClock clock;
    std::shared_ptr<FakeExtensionUnitTransport> transport = std::make_shared<FakeExtensionUnitTransport>(clock);
    std::unique_ptr<CameraExtensionUnit> unit = CameraExtensionUnit::Create(transport, clock);

    std::vector<Bytes> Commands() const { return transport->Writes(CameraExtensionUnit::kSelectorCommand); }
    // The log messages written since `mark` (a count of messages), for table cases.
    std::vector<std::string> MessagesSince(std::size_t mark) const {
        const auto all = log.Messages();
        return {all.begin() + static_cast<std::ptrdiff_t>(mark), all.end()};
    }
    std::vector<std::string> ErrorsSince(std::size_t mark) const {
        std::vector<std::string> errors;
        for (auto& m : MessagesSince(mark)) {
            if (m.rfind("E ", 0) == 0) errors.push_back(m);
        }
        return errors;
    }
};

struct CommandCase {
    const char* name;
    std::function<void(CameraExtensionUnit&)> issue;
    std::vector<Bytes> expected;
};

TEST_F(ExtensionUnitTest, EveryCommandSendsItsBlockOnTheCommandSelector) {
    const std::vector<CommandCase> cases = {
        {"SetOrvaMode on", [](auto& u) { u.SetOrvaMode(true); }, {Command(0x70, 1)}},
        {"SetOrvaMode off", [](auto& u) { u.SetOrvaMode(false); }, {Command(0x70, 0)}},
        {"SetOverlayMode none", [](auto& u) { u.SetOverlayMode(0); }, {Command(0x00, 0), Command(0x01, 1)}},
        {"SetOverlayMode dark", [](auto& u) { u.SetOverlayMode(1); }, {Command(0x00, 1), Command(0x01, 1)}},
        {"SetOverlayMode ascii", [](auto& u) { u.SetOverlayMode(2); }, {Command(0x00, 0), Command(0x01, 0)}},
        {"SetOverlayMode 3", [](auto& u) { u.SetOverlayMode(3); }, {Command(0x00, 1), Command(0x01, 0)}},
        {"ShowHideMarker1ppsIsr show", [](auto& u) { u.ShowHideMarker1ppsIsr(true); },
         {Command(0x02, 1), Command(0x04, 1), Command(0x05, 0)}},
        {"ShowHideMarker1ppsIsr hide", [](auto& u) { u.ShowHideMarker1ppsIsr(false); },
         {Command(0x02, 0), Command(0x04, 0), Command(0x05, 0)}},
        {"SetClipOnOverflow", [](auto& u) { u.SetClipOnOverflow(); }, {Command(0x65, 1)}},
        {"SetEightSixteenBit 8", [](auto& u) { u.SetEightSixteenBit(true); }, {Command(0x66, 1)}},
        {"SetEightSixteenBit 16", [](auto& u) { u.SetEightSixteenBit(false); }, {Command(0x66, 0)}},
        {"SetBlackLevel", [](auto& u) { u.SetBlackLevel(0x1234); }, {Command(0x68, 0x12, 0x34)}},
        {"SetBlackLevel above range", [](auto& u) { u.SetBlackLevel(70000); }, {Command(0x68, 0xFF, 0xFF)}},
        {"SetBlackLevel negative", [](auto& u) { u.SetBlackLevel(-5); }, {Command(0x68, 0x00, 0x00)}},
        {"SetBlackLevel 65536", [](auto& u) { u.SetBlackLevel(65536); }, {Command(0x68, 0xFF, 0xFF)}},
        {"SetExposureTimeMs 300", [](auto& u) { u.SetExposureTimeMs(300, false); }, {Command(0x69, 1, 44, 0)}},
        {"SetExposureTimeMs frame-time flag", [](auto& u) { u.SetExposureTimeMs(300, true); },
         {Command(0x69, 1, 44, 1)}},
        {"SetExposureTimeMs above 16 bits", [](auto& u) { u.SetExposureTimeMs(70000, false); },
         {Command(0x69, 0xFF, 0xFF, 0)}},
        {"SetExposureTime100us 12", [](auto& u) { u.SetExposureTime100us(12, false); }, {Command(0x73, 0, 12, 0)}},
        {"SetExposureTime100us 65535 flagged", [](auto& u) { u.SetExposureTime100us(65535, true); },
         {Command(0x73, 0xFF, 0xFF, 1)}},
        {"SetInvertImage", [](auto& u) { u.SetInvertImage(true); }, {Command(0x6A, 1)}},
        {"SetFlipMode XY", [](auto& u) { u.SetFlipMode(3); }, {Command(0x6D, 3)}},
        {"SetFlipMode masked", [](auto& u) { u.SetFlipMode(6); }, {Command(0x6D, 2)}},
        {"SetGain", [](auto& u) { u.SetGain(22); }, {Command(0x6E, 22)}},
        {"SetGain above a byte", [](auto& u) { u.SetGain(300); }, {Command(0x6E, 0xFF)}},
        {"SetGain negative", [](auto& u) { u.SetGain(-1); }, {Command(0x6E, 0)}},
        {"EnableDisableHires", [](auto& u) { u.EnableDisableHires(true); }, {Command(0x6F, 1)}},
        {"SetHighGain", [](auto& u) { u.SetHighGain(true); }, {Command(0x71, 1)}},
        {"SetRecording started", [](auto& u) { u.SetRecording(true); }, {Command(0x72, 1)}},
        {"SetRecording stopped", [](auto& u) { u.SetRecording(false); }, {Command(0x72, 0)}},
        {"Restart", [](auto& u) { u.Restart(); }, {Command(0x74, 0xDE, 0xAD, 0x00, 0x00)}},
        {"SetTransferBufferAddress", [](auto& u) { u.SetTransferBufferAddress(); }, {Command(0xC8)}},
        {"WriteTransferBufferData", [](auto& u) { u.WriteTransferBufferData(0x11223344); },
         {Command(0xC9, 0x11, 0x22, 0x33, 0x44)}},
        {"StartReadTransferBufferDataAtAddress", [](auto& u) { u.StartReadTransferBufferDataAtAddress(7); },
         {Command(0xCA, 7)}},
        {"SendGpsCommand", [](auto& u) { u.SendGpsCommand(52, 0x3E, 0x06); }, {Command(0xCB, 0, 52, 0x3E, 0x06)}},
        {"SendHardwareCommand", [](auto& u) { u.SendHardwareCommand(); }, {Command(0xCC, 0x00, 0x00, 0x01, 0x01)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto fake = std::make_shared<FakeExtensionUnitTransport>(clock);
        auto u = CameraExtensionUnit::Create(fake, clock);
        c.issue(*u);
        EXPECT_EQ(fake->Writes(CameraExtensionUnit::kSelectorCommand), c.expected);
        EXPECT_EQ(fake->Calls().size(), c.expected.size()) << "only command writes expected";
    }
}

TEST(ExtensionUnitExposure, ValuesAreTruncatedAndClampedToSixteenBits) {
    struct Case {
        double ms;
        uint32_t valueMs;
        uint32_t value100us;
    };
    const Case cases[] = {
        {1.25, 1, 12},     {300.0, 300, 3000}, {2.3, 2, 23},         {0.7, 0, 7},
        {0.05, 0, 0},      {0.0, 0, 0},        {-4.0, 0, 0},         {6553.5, 6553, 65535},
        {6553.6, 6553, 65535}, {65535.9, 65535, 65535}, {1e9, 65535, 65535},
        {std::numeric_limits<double>::quiet_NaN(), 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ms);
        EXPECT_EQ(CameraExtensionUnit::ExposureValueMs(c.ms), c.valueMs);
        EXPECT_EQ(CameraExtensionUnit::ExposureValue100us(c.ms), c.value100us);
        // The texts say the same values.
        EXPECT_EQ(CameraExtensionUnit::ExposureText(c.ms, false), std::to_string(c.valueMs));
        EXPECT_EQ(CameraExtensionUnit::ExposureText(c.ms, true),
                  std::to_string(c.value100us / 10) + "." + std::to_string(c.value100us % 10));
    }
    EXPECT_EQ(CameraExtensionUnit::ExposureText(33.3, false), "33");
    EXPECT_EQ(CameraExtensionUnit::ExposureText(40.0, true), "40.0");
}

TEST_F(ExtensionUnitTest, FailedCommandLogsItsNameAndIsNotRetried) {
    struct Case {
        const char* line;
        std::function<int32_t(CameraExtensionUnit&)> issue;
    };
    const std::vector<Case> cases = {
        {"E CameraExtensionUnit::SetGain failed:  -5", [](auto& u) { return u.SetGain(3); }},
        {"E CameraExtensionUnit::SetRecording failed:  -5", [](auto& u) { return u.SetRecording(true); }},
        {"E CameraExtensionUnit::SetExposureTimeMs failed:  -5", [](auto& u) { return u.SetExposureTimeMs(5, 0); }},
        // Both exposure commands report under the millisecond command's name.
        {"E CameraExtensionUnit::SetExposureTimeMs failed:  -5", [](auto& u) { return u.SetExposureTime100us(5, 0); }},
        {"E CameraExtensionUnit::EnableDisableHires failed:  -5", [](auto& u) { return u.EnableDisableHires(true); }},
        {"E CameraExtensionUnit::SetBlackLevel failed:  -5", [](auto& u) { return u.SetBlackLevel(1); }},
        {"E CameraExtensionUnit::SetFlipMode failed:  -5", [](auto& u) { return u.SetFlipMode(1); }},
        {"E CameraExtensionUnit::Restart failed:  -5", [](auto& u) { return u.Restart(); }},
        {"E CameraExtensionUnit::SendGpsCommand failed:  -5", [](auto& u) { return u.SendGpsCommand(0, 1, 0xFF); }},
        {"E CameraExtensionUnit::SetOrvaMode failed:  -5", [](auto& u) {
             u.SetOrvaMode(true);
             return -5;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const std::size_t mark = log.Messages().size();
        auto fake = std::make_shared<FakeExtensionUnitTransport>(clock);
        auto u = CameraExtensionUnit::Create(fake, clock);
        fake->QueueWriteResult(-5);
        EXPECT_EQ(c.issue(*u), -5);
        EXPECT_EQ(fake->Calls().size(), 1u);
        EXPECT_EQ(ErrorsSince(mark),
                  (std::vector<std::string>{"E Accessing IKSControl property failed -5", c.line}));
    }
}

TEST_F(ExtensionUnitTest, SequenceWrappersLogEachFailedStepAndCarryOn) {
    transport->QueueWriteResult(-1);  // overlay (1)
    transport->QueueWriteResult(kResultOk);
    transport->QueueWriteResult(kResultOk);  // marker (1)
    transport->QueueWriteResult(-2);         // marker (2)
    transport->QueueWriteResult(-3);         // marker (3)
    unit->SetOverlayMode(2);
    unit->ShowHideMarker1ppsIsr(true);
    EXPECT_EQ(Commands().size(), 5u);
    const std::vector<std::string> expected = {
        "E CameraExtensionUnit::SetOverlayMode failed (1):  -1",
        "E CameraExtensionUnit::ShowHideMarker1ppsIsr failed (2):  -2",
        "E CameraExtensionUnit::ShowHideMarker1ppsIsr failed (3):  -3",
    };
    EXPECT_EQ(log.MessagesStartingWith("E CameraExtensionUnit::"), expected);
}

TEST_F(ExtensionUnitTest, RawAccessLogsSelectorLengthAndOutcome) {
    const Bytes block = Command(0x6E, 3);
    transport->QueueRead(1, VersionBlock(1, 2, 3, 2, 7));
    EXPECT_EQ(unit->SetExtensionUnit(5, block), kResultOk);
    Bytes version(5);
    EXPECT_TRUE(unit->GetExtensionUnit(1, version));
    EXPECT_EQ(version, VersionBlock(1, 2, 3, 2, 7));
    transport->QueueWriteResult(-2147024891);
    EXPECT_EQ(unit->SetExtensionUnit(5, block), -2147024891);
    transport->QueueReadFailure(4, -1);
    Bytes status(32);
    EXPECT_FALSE(unit->GetExtensionUnit(4, status));
    const std::vector<std::string> expected = {
        "I SetExtensionUnit 5 5",
        "I SetExtensionUnit succeeded",
        "I GetExtensionUnit 1 5",
        "I GetExtensionUnit succeeded",
        "I SetExtensionUnit 5 5",
        "E Accessing IKSControl property failed -2147024891",
        "I GetExtensionUnit 4 32",
        "E Accessing IKsControl property failed.",
    };
    EXPECT_EQ(log.Messages(), expected);
}

TEST_F(ExtensionUnitTest, FirmwareChannelLogsOnlyErrors) {
    const Bytes frame(34, 0xAB);
    transport->QueueRead(7, Bytes(34, 0x01));
    EXPECT_EQ(unit->SetExtensionUnit(7, frame), kResultOk);
    Bytes reply(34);
    EXPECT_TRUE(unit->GetExtensionUnit(7, reply));
    transport->QueueWriteResult(-9);
    EXPECT_EQ(unit->SetExtensionUnit(7, frame), -9);
    EXPECT_FALSE(unit->GetExtensionUnit(7, reply));  // nothing scripted
    const std::vector<std::string> expected = {"E Accessing IKSControl property failed -9",
                                               "E Accessing IKsControl property failed."};
    EXPECT_EQ(log.Messages(), expected);
    EXPECT_EQ(transport->Writes(7), (std::vector<Bytes>{frame, frame}));
}

TEST_F(ExtensionUnitTest, ExceptionInsideTheTransportIsAFailedAccess) {
    transport->QueueReadThrow(4, std::make_exception_ptr(std::system_error(-7, std::generic_category())));
    transport->QueueReadThrow(4, std::make_exception_ptr(std::runtime_error("device gone")));
    Bytes status(32);
    EXPECT_FALSE(unit->GetExtensionUnit(4, status));
    EXPECT_FALSE(unit->GetExtensionUnit(4, status));
    EXPECT_EQ(log.MessagesStartingWith("E "),
              (std::vector<std::string>{"E GetExtensionUnit failed: -7",
                                        "E GetExtensionUnit failed: " + std::to_string(kResultFailed)}));
}

TEST_F(ExtensionUnitTest, OrdinaryAccessesArePacedTwentyMillisecondsApart) {
    transport->SetDefaultRead(4, Bytes(32));
    Bytes status(32);
    unit->SetRecording(true);
    unit->GetExtensionUnit(4, status);
    unit->SetGain(1);
    clock.Advance(50ms);  // idle time counts towards the spacing
    unit->SetGain(2);
    unit->SetGain(3);
    const auto calls = transport->Calls();
    ASSERT_EQ(calls.size(), 5u);
    const Clock::TimePoint t0 = calls[0].at;
    std::vector<Clock::Duration> offsets;
    for (const auto& c : calls) offsets.push_back(c.at - t0);
    const std::vector<Clock::Duration> expected = {0ms, 20ms, 40ms, 90ms, 110ms};
    EXPECT_EQ(offsets, expected);
}

TEST_F(ExtensionUnitTest, FirmwareFramesAreNotPaced) {
    const Bytes frame(34);
    unit->SetGain(1);
    for (int i = 0; i < 3; ++i) unit->SetExtensionUnit(7, frame);
    const auto calls = transport->Calls();
    ASSERT_EQ(calls.size(), 4u);
    for (const auto& c : calls) EXPECT_EQ(c.at, calls[0].at);
}

TEST(ExtensionUnitPacing, CommandsFromSeveralThreadsKeepTheSpacing) {
    test::ManualClock clock;
    auto transport = std::make_shared<FakeExtensionUnitTransport>(clock);
    auto unit = CameraExtensionUnit::Create(transport, clock);
    constexpr int kPerThread = 20;
    auto worker = [&](bool firmware) {
        for (int i = 0; i < kPerThread; ++i) {
            if (firmware) {
                unit->SetExtensionUnit(7, Bytes(34));
            } else {
                unit->SetGain(i);
            }
        }
    };
    std::thread a(worker, false), b(worker, false), c(worker, true);
    a.join();
    b.join();
    c.join();
    std::vector<Clock::TimePoint> paced;
    for (const auto& call : transport->Calls()) {
        if (call.selector == 5) paced.push_back(call.at);
    }
    ASSERT_EQ(paced.size(), 2u * kPerThread);
    std::sort(paced.begin(), paced.end());
    for (std::size_t i = 1; i < paced.size(); ++i) EXPECT_GE(paced[i] - paced[i - 1], 20ms) << i;
}

TEST_F(ExtensionUnitTest, ReadCameraModelWithSerialNumber) {
    transport->QueueRead(1, VersionBlock(1, 3, 5, 2, 9));
    transport->QueueRead(8, ExtendedVersionBlock(1, 3, 5, 2, 9, 1234, {0xA1, 0xB2, 0xC3, 0xD4}));
    const auto model = unit->ReadCameraModel();
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->SerialNumber(), 1234);
    EXPECT_EQ(model->SensorCode(), 9);
    EXPECT_EQ(model->SpareBytes(), (std::array<uint8_t, 4>{0xA1, 0xB2, 0xC3, 0xD4}));
    EXPECT_EQ(model->GetDisplayName(), "ORVA+CAM #1234 FW 1.3.5, Sensor IMX430");
    const std::vector<std::string> expected = {
        "I FW_VERSION: 1.3.5, XU: 2, Sensor: 9",
        "I FW_VERSION: 1.3.5, XU: 2, Sensor: 9, SERIAL_NR: 00.00.04.d2",
        "I Detected camera model: ORVA+CAM #1234 FW 1.3.5, Sensor IMX430",
    };
    std::vector<std::string> info;
    for (const auto& m : log.Messages()) {
        if (m.find("ExtensionUnit") == std::string::npos) info.push_back(m);
    }
    EXPECT_EQ(info, expected);
    const auto calls = transport->Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].selector, 1);
    EXPECT_EQ(calls[0].length, 5u);
    EXPECT_EQ(calls[1].selector, 8);
    EXPECT_EQ(calls[1].length, 13u);
}

TEST_F(ExtensionUnitTest, ReadCameraModelAsksAVersionOneCameraFiveTimes) {
    transport->SetDefaultRead(1, VersionBlock(1, 0, 2, 1, 7));
    const Clock::TimePoint start = clock.Now();
    const auto model = unit->ReadCameraModel();
    ASSERT_NE(model, nullptr);
    const auto calls = transport->Calls();
    ASSERT_EQ(calls.size(), 5u);
    for (const auto& c : calls) EXPECT_EQ(c.selector, 1);
    for (std::size_t i = 1; i < calls.size(); ++i) EXPECT_GE(calls[i].at - calls[i - 1].at, 200ms);
    EXPECT_GE(clock.Now() - start, 5 * 200ms);
    EXPECT_EQ(model->SerialNumber(), 0);
    EXPECT_EQ(model->ExtensionUnitVersion(), 1);
    EXPECT_EQ(model->GetShortIdentification(), "");
    EXPECT_TRUE(log.Contains("I Detected camera model: ORVA+CAM #0 FW 1.0.2, Sensor IMX174"));
}

TEST_F(ExtensionUnitTest, ReadCameraModelStopsRetryingOnceVersionTwoIsReported) {
    transport->QueueRead(1, VersionBlock(1, 4, 0, 1, 7));
    transport->QueueRead(1, VersionBlock(1, 4, 0, 1, 7));
    transport->QueueRead(1, VersionBlock(1, 4, 0, 2, 7));
    transport->QueueRead(8, ExtendedVersionBlock(1, 4, 0, 2, 7, 0x80000001u));
    const auto model = unit->ReadCameraModel();
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(transport->Calls().size(), 4u);
    EXPECT_EQ(model->SerialNumber(), static_cast<int32_t>(0x80000001u));
    EXPECT_EQ(model->GetShortIdentification(), "ORVA+CAM 174");
}

TEST_F(ExtensionUnitTest, ReadCameraModelReplacesSensorCodesZeroAnd255) {
    for (uint8_t code : {uint8_t{0}, uint8_t{255}}) {
        SCOPED_TRACE(int{code});
        const std::size_t mark = log.Messages().size();
        auto fake = std::make_shared<FakeExtensionUnitTransport>(clock);
        auto u = CameraExtensionUnit::Create(fake, clock);
        fake->QueueRead(1, VersionBlock(2, 0, 0, 2, code));
        fake->QueueRead(8, ExtendedVersionBlock(2, 0, 0, 2, code, 7));
        const auto model = u->ReadCameraModel();
        ASSERT_NE(model, nullptr);
        EXPECT_EQ(model->SensorCode(), 9);
        EXPECT_EQ(model->GetSensorName(false), "IMX430");
        // The log shows the code as the camera reported it.
        const auto messages = MessagesSince(mark);
        EXPECT_NE(std::find(messages.begin(), messages.end(),
                            "I FW_VERSION: 2.0.0, XU: 2, Sensor: " + std::to_string(code)),
                  messages.end());
    }
}

TEST_F(ExtensionUnitTest, ReadCameraModelGivesNothingWhenAReadFails) {
    struct Case {
        const char* name;
        std::function<void(FakeExtensionUnitTransport&)> script;
        std::size_t reads;
    };
    const std::vector<Case> cases = {
        {"first version read", [](auto& f) { f.QueueReadFailure(1, -1); }, 1},
        {"retried version read",
         [](auto& f) {
             f.QueueRead(1, VersionBlock(1, 0, 0, 1, 7));
             f.QueueReadFailure(1, -1);
         },
         2},
        {"extended version read",
         [](auto& f) {
             f.QueueRead(1, VersionBlock(1, 0, 0, 2, 7));
             f.QueueReadFailure(8, -1);
         },
         2},
        {"short extended version reply",
         [](auto& f) {
             f.QueueRead(1, VersionBlock(1, 0, 0, 2, 7));
             f.QueueRead(8, VersionBlock(1, 0, 0, 2, 7));
         },
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t mark = log.Messages().size();
        auto fake = std::make_shared<FakeExtensionUnitTransport>(clock);
        auto u = CameraExtensionUnit::Create(fake, clock);
        c.script(*fake);
        EXPECT_EQ(u->ReadCameraModel(), nullptr);
        EXPECT_EQ(fake->Calls().size(), c.reads);
        for (const auto& m : MessagesSince(mark)) EXPECT_EQ(m.find("I Detected camera model"), std::string::npos);
    }
}

TEST_F(ExtensionUnitTest, ReadTransferBufferWord) {
    struct Case {
        const char* name;
        std::function<void(FakeExtensionUnitTransport&)> script;
        std::optional<uint32_t> word;
        std::size_t calls;
    };
    const std::vector<Case> cases = {
        {"valid", [](auto& f) { f.QueueRead(5, ReplyBlock(1, 0xDEADBEEF)); }, 0xDEADBEEF, 2},
        {"valid flag any nonzero", [](auto& f) { f.QueueRead(5, ReplyBlock(0x80, 0x01020304)); }, 0x01020304, 2},
        {"no data", [](auto& f) { f.QueueRead(5, ReplyBlock(0, 0x01020304)); }, std::nullopt, 2},
        {"read fails", [](auto& f) { f.QueueReadFailure(5, -1); }, std::nullopt, 2},
        {"address command fails",
         [](auto& f) {
             f.QueueWriteResult(-1);
             f.QueueRead(5, ReplyBlock(1, 0x11111111));  // a stale word that must not be taken
         },
         std::nullopt, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto fake = std::make_shared<FakeExtensionUnitTransport>(clock);
        auto u = CameraExtensionUnit::Create(fake, clock);
        c.script(*fake);
        EXPECT_EQ(u->ReadTransferBufferWord(9), c.word);
        const auto calls = fake->Calls();
        ASSERT_EQ(calls.size(), c.calls);
        EXPECT_EQ(calls[0].written, Command(0xCA, 9));
        if (c.calls > 1) {
            EXPECT_FALSE(calls[1].isSet);
            EXPECT_EQ(calls[1].selector, 5);
            EXPECT_EQ(calls[1].length, 5u);
        }
    }
}

TEST_F(ExtensionUnitTest, GpsMessageGoesThroughTheTransferBuffer) {
    struct Case {
        const char* name;
        Bytes payload;
        std::vector<Bytes> expected;
    };
    const std::vector<Case> cases = {
        {"poll without payload", {}, {Command(0xC8), Command(0xCB, 0, 0, 0x3E, 0x06)}},
        {"two words",
         {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08},
         {Command(0xC8), Command(0xC9, 0x04, 0x03, 0x02, 0x01), Command(0xC9, 0x08, 0x07, 0x06, 0x05),
          Command(0xCB, 0, 8, 0x3E, 0x06)}},
        {"partial last word is zero-padded",
         {0x01, 0x02, 0x03, 0x04, 0x05},
         {Command(0xC8), Command(0xC9, 0x04, 0x03, 0x02, 0x01), Command(0xC9, 0x00, 0x00, 0x00, 0x05),
          Command(0xCB, 0, 5, 0x3E, 0x06)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto fake = std::make_shared<FakeExtensionUnitTransport>(clock);
        auto u = CameraExtensionUnit::Create(fake, clock);
        EXPECT_EQ(u->WriteGpsMessage(0x3E, 0x06, c.payload), kResultOk);
        EXPECT_EQ(fake->Writes(5), c.expected);
    }

    // The receiver's 52-byte configuration: 13 words between address and command.
    Bytes config(52);
    for (std::size_t i = 0; i < config.size(); ++i) config[i] = static_cast<uint8_t>(i);
    EXPECT_EQ(unit->WriteGpsMessage(0x3E, 0x06, config), kResultOk);
    const auto writes = Commands();
    ASSERT_EQ(writes.size(), 15u);
    EXPECT_EQ(writes[13], Command(0xC9, 51, 50, 49, 48));
    EXPECT_EQ(writes[14], Command(0xCB, 0, 52, 0x3E, 0x06));
}

TEST_F(ExtensionUnitTest, GpsMessageIsNotSentAfterAFailedWordWrite) {
    transport->QueueWriteResult(kResultOk);
    transport->QueueWriteResult(-4);
    const Bytes payload = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(unit->WriteGpsMessage(0x3E, 0x06, payload), -4);
    EXPECT_EQ(Commands(), (std::vector<Bytes>{Command(0xC8), Command(0xC9, 4, 3, 2, 1)}));
    EXPECT_TRUE(log.Contains("E CameraExtensionUnit::WriteTransferBufferData failed:  -4"));
}

TEST_F(ExtensionUnitTest, GpsMessageTooLongForTheLengthByteIsRefused) {
    const Bytes payload(256);
    EXPECT_EQ(unit->WriteGpsMessage(0x3E, 0x06, payload), kResultInvalidArgument);
    EXPECT_TRUE(transport->Calls().empty());
    EXPECT_TRUE(log.Contains("E CameraExtensionUnit::WriteGpsMessage payload too long: 256"));
}

TEST(ExtensionUnitCreate, DeviceWithoutExtensionUnitFails) {
    test::LogCapture log;
    try {
        CameraExtensionUnit::Create(nullptr);
        FAIL() << "expected a logic error";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "Failed to create extension unit topology node.");
    }
    EXPECT_EQ(log.Messages(), (std::vector<std::string>{"E Failed to create EU topo node"}));
}

}  // namespace
}  // namespace orva
