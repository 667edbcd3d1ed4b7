// Frames of the simulated camera: sizes and packings of every mode, the record and its
// timing, the picture, pacing, faults and presence on the bus.
#include "SimCameraFixture.h"
#include "SimFrameReading.h"
#include "simcam/SimDeviceEnumerator.h"

#include <gtest/gtest.h>

#include <numeric>

namespace orva {
namespace {

using test::CheckLaneValid;
using test::RecordBigEndian;
using test::SimCameraFixture;
using test::UnpackFrame;

struct Frame {
    std::vector<uint8_t> bytes;
    SimFrameTruth truth;
    std::vector<uint16_t> pixels;  // unpacked, 12 bits in 4..15

    std::span<const uint16_t> LastRow() const {
        return std::span<const uint16_t>(pixels).subspan(static_cast<std::size_t>(truth.mode.height - 1) * truth.mode.width);
    }
    uint16_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * truth.mode.width + x]; }
};

Frame Next(SimulatedCamera& camera) {
    Frame f;
    EXPECT_EQ(camera.GenerateFrame(f.bytes, &f.truth), 0);
    if (static_cast<int64_t>(f.bytes.size()) == f.truth.mode.FrameBytes()) {
        f.pixels = UnpackFrame(f.bytes, f.truth.mode.width, f.truth.mode.height, f.truth.mode.IsPacked());
    }
    return f;
}

SimCameraConfig FastConfig(uint8_t sensorCode = 7) {
    SimCameraConfig config;
    config.identity.sensorCode = sensorCode;
    config.pacing = SimPacing::AsFastAsRequested;
    return config;
}

TEST(SimulatedCamera, EveryModeOfEverySensorSendsItsFrameSizeAndAValidRecord) {
    for (uint8_t code : SimKnownSensorCodes()) {
        SimCameraFixture f(FastConfig(code));
        const auto& modes = f.camera->Modes();
        if (code == 6) {
            std::vector<uint8_t> bytes;
            EXPECT_LT(f.camera->GenerateFrame(bytes), 0) << "a sensor without modes sends nothing";
            continue;
        }
        ASSERT_FALSE(modes.empty()) << int(code);
        for (int m = 0; m < static_cast<int>(modes.size()); ++m) {
            ASSERT_EQ(f.camera->SelectMode(m), 0);
            const Frame frame = Next(*f.camera);
            SCOPED_TRACE("sensor " + std::to_string(code) + " mode " + std::to_string(m));
            ASSERT_EQ(static_cast<int64_t>(frame.bytes.size()),
                      static_cast<int64_t>(modes[m].transferWidth) * modes[m].height * 2);
            EXPECT_EQ(frame.truth.mode.IsPacked(), modes[m].transferWidth < modes[m].width);
            EXPECT_EQ(RecordBigEndian(frame.LastRow(), 2, 2), 0x5453u);
            EXPECT_EQ(RecordBigEndian(frame.LastRow(), 40, 2), static_cast<uint32_t>(modes[m].width));
            EXPECT_EQ(RecordBigEndian(frame.LastRow(), 42, 2), static_cast<uint32_t>(modes[m].height));
            EXPECT_TRUE(CheckLaneValid(frame.LastRow()));
        }
    }
}

TEST(SimulatedCamera, OwnModeTableAgreesWithTheModeCounts) {
    // Per sensor code: number of modes and the first mode's size.
    const std::map<int, std::tuple<std::size_t, int, int>> expected{
        {2, {4, 1280, 960}},  {3, {4, 1280, 960}},  {4, {5, 1920, 1200}}, {5, {4, 3072, 2048}}, {6, {0, 0, 0}},
        {7, {5, 1920, 1200}}, {8, {4, 3072, 2048}}, {9, {5, 1624, 1240}}, {10, {6, 2448, 2048}}, {11, {4, 1280, 1024}},
        {12, {2, 2048, 2048}}, {13, {4, 2840, 2840}}, {14, {4, 1600, 1100}}, {99, {0, 0, 0}}};
    for (const auto& [code, e] : expected) {
        const auto modes = SimModesForSensor(static_cast<uint8_t>(code));
        ASSERT_EQ(modes.size(), std::get<0>(e)) << code;
        if (!modes.empty()) {
            EXPECT_EQ(modes[0].width, std::get<1>(e));
            EXPECT_EQ(modes[0].height, std::get<2>(e));
        }
        for (const auto& mode : modes) {
            if (mode.IsPacked()) {
                EXPECT_EQ(mode.transferWidth * 2, mode.width * 3 / 2) << code;
            }
        }
    }
}

TEST(SimulatedCamera, SameSeedSamePictureOtherSeedOtherPicture) {
    SimCameraFixture a(FastConfig());
    SimCameraFixture b(FastConfig());
    SimCameraConfig other = FastConfig();
    other.sky.seed = 4242;
    SimCameraFixture c(other);
    for (auto* f : {&a, &b, &c}) f->camera->SelectMode(2);
    const Frame fa = Next(*a.camera);
    EXPECT_EQ(fa.bytes, Next(*b.camera).bytes);
    EXPECT_NE(fa.bytes, Next(*c.camera).bytes);
    EXPECT_NE(fa.bytes, Next(*a.camera).bytes) << "noise differs from frame to frame";
}

TEST(SimulatedCamera, GpsTimeAdvancesByExactlyOneFramePeriod) {
    struct Case {
        const char* name;
        int mode;
        uint32_t exposureMs;
        uint8_t linkType;
        int64_t periodNs;
        int64_t exposureNs;
    };
    const Case cases[] = {
        {"long exposure", 0, 40, 3, 40000000, 40000000},
        {"sub-frame exposure waits for the read-out", 0, 10, 3, 25000000, 10000000},
        {"full width over USB2", 0, 40, 2, 120000000, 40000000},
        {"fast 176 x 128", 2, 1, 3, 2000000, 1000000},
        {"binned", 3, 5, 3, 20000000, 5000000},
    };
    for (const Case& c : cases) {
        SimCameraFixture f(FastConfig());
        f.camera->SelectMode(c.mode);
        f.camera->SetLinkType(c.linkType);
        ASSERT_GE(f.unit->SetExposureTimeMs(c.exposureMs, false), 0);
        const Frame first = Next(*f.camera);
        const Frame second = Next(*f.camera);
        SCOPED_TRACE(c.name);
        EXPECT_EQ(first.truth.fromUnixNs, f.camera->Config().utcStartUnixNs);
        EXPECT_EQ(second.truth.fromUnixNs - first.truth.fromUnixNs, c.periodNs);
        EXPECT_EQ(first.truth.toUnixNs - first.truth.fromUnixNs, c.exposureNs);
        EXPECT_EQ(second.truth.frameNumber, first.truth.frameNumber + 1);
        EXPECT_EQ(RecordBigEndian(second.LastRow(), 26, 4), static_cast<uint32_t>(second.truth.toUnixNs % 1000000000));
    }
}

// A camera that keeps real time: a stream's first frame exposes at the start time plus the
// clock time since the camera was made, however long nobody streamed; within a stream the
// frames stay exactly one frame time apart. Without it the time moves only by frames.
TEST(SimulatedCamera, GpsTimeKeepsPaceWithTheClockBetweenStreams) {
    for (const bool follows : {true, false}) {
        SCOPED_TRACE(follows);
        SimCameraConfig config;
        config.gpsTimeFollowsClock = follows;
        SimCameraFixture f(config);
        const int64_t start = f.camera->Config().utcStartUnixNs;
        const int64_t period = f.camera->FramePeriodNs();
        const auto next = [&] {
            std::vector<uint8_t> bytes;
            SimFrameTruth truth;
            EXPECT_EQ(f.camera->WaitForNextFrame(bytes, &truth), 0);
            return truth.fromUnixNs;
        };
        f.clock.Advance(std::chrono::seconds(10));
        f.camera->StartPacing();
        const int64_t first = next();
        EXPECT_EQ(first, follows ? start + 10000000000LL : start);
        EXPECT_EQ(next(), first + period);
        f.clock.Advance(std::chrono::seconds(5));
        f.camera->StartPacing();
        EXPECT_EQ(next(), follows ? first + 2 * period + 5000000000LL : first + 2 * period);
    }
}

TEST(SimulatedCamera, InterruptCountersWrapAt256) {
    SimCameraFixture f(FastConfig());
    f.camera->SelectMode(2);
    Frame previous = Next(*f.camera);
    int wraps = 0;
    for (int i = 0; i < 300; ++i) {
        const Frame frame = Next(*f.camera);
        EXPECT_EQ(frame.truth.commIrqCtr, static_cast<uint8_t>(previous.truth.commIrqCtr + 1));
        EXPECT_EQ(frame.truth.frameStartIrqCtr, static_cast<uint8_t>(previous.truth.frameStartIrqCtr + 1));
        EXPECT_EQ(RecordBigEndian(frame.LastRow(), 46, 1), frame.truth.commIrqCtr);
        wraps += frame.truth.frameStartIrqCtr == 0;
        previous = frame;
    }
    EXPECT_GE(wraps, 1);
}

TEST(SimulatedCamera, RealTimePacingFollowsTheFramePeriodOnTheClock) {
    SimCameraConfig config = FastConfig();
    config.pacing = SimPacing::RealTime;
    SimCameraFixture f(config);
    f.camera->SelectMode(2);
    f.unit->SetExposureTimeMs(10, false);
    const auto t0 = f.clock.Now();
    f.camera->StartPacing();
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 5; ++i) ASSERT_EQ(f.camera->WaitForNextFrame(bytes), 0);
    EXPECT_EQ(f.clock.Now() - t0, std::chrono::milliseconds(50));
    // A stall holds back the next frame only.
    f.camera->StallDelivery(std::chrono::seconds(3));
    ASSERT_EQ(f.camera->WaitForNextFrame(bytes), 0);
    EXPECT_EQ(f.clock.Now() - t0, std::chrono::milliseconds(50 + 10 + 3000));
    SimFrameTruth truth;
    ASSERT_EQ(f.camera->WaitForNextFrame(bytes, &truth), 0);
    EXPECT_EQ(f.clock.Now() - t0, std::chrono::milliseconds(50 + 10 + 3000 + 10));
    // The GPS time follows the frame count, not the clock.
    EXPECT_EQ(truth.fromUnixNs - f.camera->Config().utcStartUnixNs, 6 * 10000000LL);

    SimCameraFixture fast(FastConfig());
    const auto t1 = fast.clock.Now();
    for (int i = 0; i < 5; ++i) ASSERT_EQ(fast.camera->WaitForNextFrame(bytes), 0);
    EXPECT_EQ(fast.clock.Now(), t1) << "as fast as requested never waits";
}

TEST(SimulatedCamera, FrameFaults) {
    SimCameraFixture f(FastConfig());
    f.camera->SelectMode(2);
    const int64_t period = f.camera->FramePeriodNs();
    const Frame a = Next(*f.camera);

    f.camera->Faults().DropFrames(3);
    const Frame b = Next(*f.camera);
    EXPECT_EQ(b.truth.frameNumber, a.truth.frameNumber + 4);
    EXPECT_EQ(b.truth.fromUnixNs - a.truth.fromUnixNs, 4 * period);
    EXPECT_EQ(b.truth.commIrqCtr, static_cast<uint8_t>(a.truth.commIrqCtr + 4));
    EXPECT_EQ(b.truth.droppedBefore, 3);

    f.camera->Faults().RepeatFrameNumber();
    const Frame c = Next(*f.camera);
    EXPECT_EQ(c.truth.frameNumber, b.truth.frameNumber);
    EXPECT_EQ(RecordBigEndian(c.LastRow(), 36, 4), static_cast<uint32_t>(b.truth.frameNumber));
    EXPECT_EQ(c.truth.fromUnixNs - b.truth.fromUnixNs, period) << "time goes on";
    EXPECT_EQ(Next(*f.camera).truth.frameNumber, b.truth.frameNumber + 1);

    f.camera->Faults().FreezeCommIrqCounter(2);
    const Frame d = Next(*f.camera);
    const Frame e = Next(*f.camera);
    const Frame g = Next(*f.camera);
    EXPECT_EQ(e.truth.commIrqCtr, d.truth.commIrqCtr);
    EXPECT_EQ(RecordBigEndian(e.LastRow(), 46, 1), RecordBigEndian(d.LastRow(), 46, 1));
    EXPECT_EQ(g.truth.commIrqCtr, static_cast<uint8_t>(e.truth.commIrqCtr + 1));
    EXPECT_EQ(e.truth.frameStartIrqCtr, static_cast<uint8_t>(d.truth.frameStartIrqCtr + 1));

    f.camera->Faults().FreezeFrameStartIrqCounter(1);
    const Frame h = Next(*f.camera);
    EXPECT_EQ(h.truth.frameStartIrqCtr, g.truth.frameStartIrqCtr);
    EXPECT_EQ(h.truth.commIrqCtr, static_cast<uint8_t>(g.truth.commIrqCtr + 1));

    f.camera->Faults().CorruptCheckLane();
    const Frame bad = Next(*f.camera);
    EXPECT_TRUE(bad.truth.checkLaneCorrupted);
    EXPECT_FALSE(CheckLaneValid(bad.LastRow()));
    EXPECT_TRUE(CheckLaneValid(Next(*f.camera).LastRow()));

    for (const int64_t error : {int64_t{-264}, int64_t{1}}) {
        f.camera->Faults().DeliverWrongSize(error);
        const Frame wrong = Next(*f.camera);
        EXPECT_EQ(static_cast<int64_t>(wrong.bytes.size()), wrong.truth.mode.FrameBytes() + error);
        EXPECT_EQ(static_cast<int64_t>(Next(*f.camera).bytes.size()), wrong.truth.mode.FrameBytes());
    }
}

double BoxSum(const Frame& frame, double cx, double cy, int radius) {
    double sum = 0;
    for (int y = static_cast<int>(cy) - radius; y <= static_cast<int>(cy) + radius; ++y) {
        for (int x = static_cast<int>(cx) - radius; x <= static_cast<int>(cx) + radius; ++x) sum += frame.At(x, y) >> 4;
    }
    return sum;
}

TEST(SimulatedCamera, TargetStarDisappearsDuringTheOccultation) {
    SimCameraConfig config = FastConfig();
    config.occultation.startUnixNs = config.utcStartUnixNs + 5 * 40000000LL;  // the sixth frame at 40 ms
    config.occultation.frames = 3;
    SimCameraFixture f(config);
    f.camera->SelectMode(3);  // 960 x 600, binned
    f.unit->SetExposureTimeMs(40, false);
    f.unit->SetClipOnOverflow();
    std::vector<bool> occulted;
    std::vector<double> flux;
    for (int i = 0; i < 10; ++i) {
        const Frame frame = Next(*f.camera);
        ASSERT_GE(frame.truth.targetX, 0.0);
        occulted.push_back(frame.truth.targetOcculted);
        // Target box minus a same-size box of sky beside it.
        flux.push_back(BoxSum(frame, frame.truth.targetX, frame.truth.targetY, 4) -
                       BoxSum(frame, frame.truth.targetX + 40, frame.truth.targetY, 4));
    }
    EXPECT_EQ(occulted, (std::vector<bool>{false, false, false, false, false, true, true, true, false, false}));
    for (int i = 0; i < 10; ++i) {
        if (occulted[i]) {
            EXPECT_LT(flux[i], 0.1 * flux[0]) << i;
        } else {
            EXPECT_GT(flux[i], 0.8 * flux[0]) << i;
        }
    }
}

TEST(SimulatedCamera, AppliedSettingsShowInThePicture) {
    SimCameraConfig config = FastConfig();
    config.sky.targetX = 0.3;
    SimCameraFixture f(config);
    f.camera->SelectMode(3);
    f.unit->SetClipOnOverflow();
    const Frame plain = Next(*f.camera);
    const int w = plain.truth.mode.width;
    const int h = plain.truth.mode.height;
    auto mean = [&](const Frame& frame) {
        double sum = 0;
        for (int y = 0; y < h - 1; ++y) {
            for (int x = 0; x < w; ++x) sum += frame.At(x, y) >> 4;
        }
        return sum / ((h - 1) * w);
    };

    f.unit->SetBlackLevel(200);
    const Frame black = Next(*f.camera);
    EXPECT_NEAR(mean(black) - mean(plain), 200.0, 3.0);

    f.unit->SetFlipMode(3);
    const Frame flipped = Next(*f.camera);
    EXPECT_NEAR(flipped.truth.targetX, w - 1 - black.truth.targetX, 1e-9);
    EXPECT_NEAR(flipped.truth.targetY, h - 1 - black.truth.targetY, 1e-9);
    EXPECT_GT(flipped.At(static_cast<int>(flipped.truth.targetX + 0.5), static_cast<int>(flipped.truth.targetY + 0.5)),
              flipped.At(static_cast<int>(black.truth.targetX + 0.5), static_cast<int>(black.truth.targetY + 0.5)));

    f.unit->SetInvertImage(true);
    const Frame inverted = Next(*f.camera);
    EXPECT_NEAR(mean(inverted), 4095.0 - mean(flipped), 3.0);

    f.unit->SetEightSixteenBit(true);
    const Frame eight = Next(*f.camera);
    for (int x = 0; x < w; ++x) ASSERT_EQ(eight.At(x, 10) & 0x00F0, 0) << x;
    EXPECT_TRUE(CheckLaneValid(eight.LastRow())) << "the record keeps its check lane";
}

TEST(SimulatedCamera, OverflowWrapsUnlessClipped) {
    SimCameraConfig config = FastConfig();
    config.sky.hotPixelCounts = 4000;
    SimCameraFixture f(config);
    f.camera->SelectMode(0);
    f.unit->SetBlackLevel(1000);
    auto countSaturated = [](const Frame& frame) {
        return std::count(frame.pixels.begin(), frame.pixels.end(), uint16_t{0xFFF0});
    };
    const Frame wrapped = Next(*f.camera);
    f.unit->SetClipOnOverflow();
    const Frame clipped = Next(*f.camera);
    EXPECT_GE(countSaturated(clipped), 20) << "hot pixels clip at full scale";
    EXPECT_LT(countSaturated(wrapped), countSaturated(clipped));
}

TEST(SimulatedCamera, UnplugReplugAndRestart) {
    SimCameraFixture f(FastConfig());
    SimDeviceEnumerator enumerator({f.camera});
    std::vector<std::string> removed;
    enumerator.SubscribeRemovals([&](const DeviceChangeNotification& n) { removed.push_back(n.deviceName); });
    f.camera->SelectMode(2);
    f.unit->SetGain(20);
    Next(*f.camera);
    Next(*f.camera);

    f.camera->Unplug();
    const auto unpluggedAt = f.clock.Now();
    EXPECT_EQ(removed, std::vector<std::string>{f.camera->SymbolicLink()});
    EXPECT_TRUE(enumerator.EnumerateVideoCaptureDevices().empty());
    std::vector<uint8_t> bytes;
    EXPECT_EQ(f.camera->GenerateFrame(bytes), kResultDeviceGone);
    EXPECT_LT(f.unit->SetGain(3), 0);

    const auto away = f.clock.Now() - unpluggedAt + std::chrono::seconds(2);
    f.camera->Replug(std::chrono::seconds(2), "ORVA+CAM #2");
    EXPECT_FALSE(f.camera->IsPresent());
    f.clock.Advance(std::chrono::seconds(2));
    const auto devices = enumerator.EnumerateVideoCaptureDevices();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0]->FriendlyName(), "ORVA+CAM #2");
    EXPECT_EQ(devices[0]->SymbolicLink(), f.camera->SymbolicLink());
    EXPECT_EQ(f.camera->Device().State().gainCode, 0) << "power-on settings";
    const Frame after = Next(*f.camera);
    EXPECT_EQ(after.truth.frameNumber, f.camera->Config().firstFrameNumber);
    EXPECT_EQ(after.truth.fromUnixNs - f.camera->Config().utcStartUnixNs, 2 * f.camera->FramePeriodNs() + std::chrono::nanoseconds(away).count())
        << "the GPS time went on while the camera was away";

    // Restart: off the bus at once, back after the configured delay.
    ASSERT_GE(f.unit->Restart(), 0);
    EXPECT_EQ(removed.size(), 2u);
    EXPECT_FALSE(f.camera->IsPresent());
    f.clock.Advance(f.camera->Config().restartDelay - std::chrono::milliseconds(1));
    EXPECT_FALSE(f.camera->IsPresent());
    f.clock.Advance(std::chrono::milliseconds(1));
    EXPECT_TRUE(f.camera->IsPresent());
    EXPECT_EQ(f.camera->FriendlyName(), "ORVA+CAM #2");
}

TEST(SimulatedCamera, LinkTypeChangeShowsInStatusAndTiming) {
    SimCameraFixture f(FastConfig());
    f.unit->SetExposureTimeMs(40, false);
    EXPECT_EQ(f.camera->FramePeriodNs(), 40000000);
    f.camera->SetLinkType(2);
    std::array<uint8_t, 32> block{};
    ASSERT_TRUE(f.unit->GetExtensionUnit(4, block));
    EXPECT_EQ(block[14], 2);
    EXPECT_EQ(f.camera->FramePeriodNs(), 120000000);
    EXPECT_EQ(Next(*f.camera).truth.record.statusWords[3] >> 30, 2u);
}

}  // namespace
}  // namespace orva
