// The simulated camera against the station's own decoders: for every sensor and mode,
// what the camera writes decodes to exactly what it meant, and every injected fault is
// seen by the station code that is there to see it.

#include "camera/CameraStatus.h"
#include "camera/BinaryOverlay.h"
#include "processing/CameraStatusFromOverlay.h"
#include "processing/FrameIntegrityChecker.h"
#include "processing/FrameTimestamp.h"
#include "processing/FrameUnpack.h"
#include "processing/ParseBinaryOverlay.h"
#include "simcam/SimCameraDevice.h"
#include "simcam/SimulatedCamera.h"
#include "stream/COrvaMediaStream.h"
#include "support/LogCapture.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace orva {
namespace {

// One frame from the camera, unpacked and parsed by the station's code.
struct Decoded {
    SimFrameTruth truth;
    std::vector<uint16_t> image;
};

Decoded DecodeNext(SimulatedCamera& camera, BinaryOverlay& overlay) {
    Decoded d;
    std::vector<uint8_t> bytes;
    EXPECT_EQ(camera.GenerateFrame(bytes, &d.truth), 0);
    const SimVideoMode& m = d.truth.mode;
    EXPECT_EQ(static_cast<int64_t>(bytes.size()), RawRowBytes(m.width, m.IsPacked()) * m.height);
    d.image.resize(static_cast<std::size_t>(m.width) * m.height);
    UnpackFrame(bytes.data(), m.IsPacked(), m.width, m.height, d.image.data());
    ParseBinaryOverlay(overlay, d.image, m.width, m.height);
    return d;
}

void ExpectTime(const CalendarTime& decoded, const SimUtcStamp& written, const char* which) {
    SCOPED_TRACE(which);
    EXPECT_EQ(decoded.year, written.year);
    EXPECT_EQ(decoded.month, written.month);
    EXPECT_EQ(decoded.day, written.day);
    EXPECT_EQ(decoded.hour, written.hour);
    EXPECT_EQ(decoded.minute, written.minute);
    EXPECT_EQ(decoded.second, written.second);
    EXPECT_EQ(decoded.milliseconds, written.nanosecond / 1000000);
}

void ExpectRecord(const BinaryOverlay& o, const SimOverlayRecord& r) {
    EXPECT_TRUE(o.Valid);
    EXPECT_EQ(o.RecordStart, 0);
    EXPECT_EQ(o.Version, r.version);
    EXPECT_EQ(o.VValue, r.vValue);
    ExpectTime(o.FromTime, r.fromTime, "FromTime");
    ExpectTime(o.ToTime, r.toTime, "ToTime");
    EXPECT_EQ(o.TimeFlag, r.timeFlag ? 1 : 0);
    EXPECT_EQ(o.FrameNr, r.frameNr);
    EXPECT_EQ(o.SizeX, r.sizeX);
    EXPECT_EQ(o.SizeY, r.sizeY);
    EXPECT_EQ(o.BinningX, r.binningX);
    EXPECT_EQ(o.BinningY, r.binningY);
    EXPECT_EQ(o.CommIrqCtr, r.commIrqCtr);
    EXPECT_EQ(o.FrameStartIrqCtr, r.frameStartIrqCtr);
    EXPECT_EQ(o.ModeValue, r.modeValue);
    EXPECT_EQ(o.AuxValue, r.auxValue);
    EXPECT_EQ(o.ExposureSec, r.exposureSec);
    EXPECT_EQ(o.ExposureNs, r.exposureNs);
    EXPECT_EQ(o.HighGain, r.highGain ? 1 : 0);
    EXPECT_EQ(o.Lat, r.lat);
    EXPECT_EQ(o.Lon, r.lon);
    EXPECT_EQ(o.AccuracyM, r.accuracyM);
    EXPECT_EQ(o.FixState, r.fixState);
    EXPECT_EQ(o.NofSats, r.nofSats);
    EXPECT_EQ(o.HeightMm, r.heightMm);
    EXPECT_EQ(o.StatusWord0, r.statusWords[0]);
    EXPECT_EQ(o.StatusWord1, r.statusWords[1]);
    EXPECT_EQ(o.StatusWord2, r.statusWords[2]);
    EXPECT_EQ(o.StatusWord3, r.statusWords[3]);
    EXPECT_EQ(o.Temperature, r.temperature);
    EXPECT_EQ(o.DOPTime, r.dopTime);
    EXPECT_EQ(o.DOPG, r.dop[0]);
    EXPECT_EQ(o.DOPP, r.dop[1]);
    EXPECT_EQ(o.DOPT, r.dop[2]);
    EXPECT_EQ(o.DOPV, r.dop[3]);
    EXPECT_EQ(o.DOPH, r.dop[4]);
}

// The camera status the station derives, against the state the camera applied.
void ExpectStatus(const CameraStatus& st, const SimDeviceState& s, bool fromOverlay) {
    EXPECT_EQ(st.overlayMode, s.OverlayMode());
    EXPECT_EQ(st.ppsMarker, s.ppsMarker);
    EXPECT_EQ(st.highTimeResolution, s.highTimeResolution);
    EXPECT_EQ(st.invert, s.invert);
    EXPECT_EQ(st.eightBit, s.eightBit);
    EXPECT_EQ(st.flipMode, s.flipMode);
    EXPECT_EQ(st.commitError, s.commitError);
    EXPECT_EQ(st.gainCode, s.gainCode);
    EXPECT_EQ(st.frameTime, s.FrameTime100us());
    EXPECT_EQ(st.linkType, s.linkType);
    EXPECT_EQ(st.linkErrorValue, s.linkErrorValue);
    if (fromOverlay) {
        EXPECT_EQ(st.highGain, s.highGain);
        EXPECT_EQ(st.phyErrorCount, s.phyErrorCount);
        EXPECT_EQ(st.phyErrorValue, s.phyErrorValue);
        EXPECT_EQ(st.modeIndex, s.modeIndex >= 1 && s.modeIndex <= 4 ? s.modeIndex : 0);
    } else {
        EXPECT_EQ(st.modeIndex, s.modeIndex);
    }
}

using Apply = std::function<void(SimulatedCamera&)>;

void Command(SimulatedCamera& camera, std::array<uint8_t, 5> block) { ASSERT_GE(camera.SetControl(5, block), 0); }

TEST(SimulatedCameraRoundTrip, EverySensorAndModeDecodesToWhatTheCameraWrote) {
    struct Setting {
        const char* name;
        Apply apply;
    };
    const Setting settings[] = {
        {"power-on", [](SimulatedCamera&) {}},
        {"everything switched",
         [](SimulatedCamera& c) {
             Command(c, {0x00, 0, 0, 0, 0});  // overlay ascii
             Command(c, {0x01, 0, 0, 0, 0});
             Command(c, {0x02, 1, 0, 0, 0});  // 1PPS marker
             Command(c, {0x04, 1, 0, 0, 0});
             Command(c, {0x05, 0, 0, 0, 0});
             Command(c, {0x6F, 1, 0, 0, 0});  // high time resolution
             Command(c, {0x73, 0x04, 0xD2, 0, 0});  // 123.4 ms
             Command(c, {0x6A, 1, 0, 0, 0});
             Command(c, {0x66, 1, 0, 0, 0});
             Command(c, {0x6D, 3, 0, 0, 0});
             Command(c, {0x6E, 22, 0, 0, 0});
             Command(c, {0x71, 1, 0, 0, 0});
             Command(c, {0x68, 0x01, 0x2C, 0, 0});
             c.SetLinkType(2);
             c.Device().SetLinkErrors(300, 0x1AB, 99, 0xBEEF);
             c.Device().SetCommitError(true);
             SimGpsFix gps = c.GpsFix();
             gps.fixState = 1;
             gps.latitudeE7 = -335678901;
             gps.longitudeE7 = -1512345678;
             gps.heightMm = -1500;
             gps.temperatureC = -11;
             gps.dop = {1, 2, 300, 4, 65535};
             gps.timeFlag = false;
             c.SetGpsFix(gps);
         }},
    };
    for (uint8_t code : SimKnownSensorCodes()) {
        SimCameraConfig config;
        config.identity.sensorCode = code;
        config.pacing = SimPacing::AsFastAsRequested;
        for (const Setting& setting : settings) {
            test::ManualClock clock;
            SimulatedCamera camera(config, clock);
            setting.apply(camera);
            for (int m = 0; m < static_cast<int>(camera.Modes().size()); ++m) {
                SCOPED_TRACE("sensor " + std::to_string(code) + ", mode " + std::to_string(m) + ", " + setting.name);
                ASSERT_EQ(camera.SelectMode(m), 0);
                BinaryOverlay overlay;
                for (int frame = 0; frame < 2; ++frame) {
                    const Decoded d = DecodeNext(camera, overlay);
                    ExpectRecord(overlay, d.truth.record);
                    CameraStatus fromRecord;
                    fromRecord.DecodeOverlay(OverlayStatusFieldsOf(overlay));
                    ExpectStatus(fromRecord, d.truth.state, true);
                    EXPECT_EQ(fromRecord.temperatureValid, d.truth.gps.temperatureValid);
                    EXPECT_EQ(fromRecord.temperature, d.truth.gps.temperatureC);
                }
                std::array<uint8_t, 32> block{};
                ASSERT_EQ(camera.GetControl(4, block), 0);
                CameraStatus fromBlock;
                fromBlock.DecodeStatusBlock(block);
                ExpectStatus(fromBlock, camera.Device().State(), false);
            }
        }
    }
}

TEST(SimulatedCameraRoundTrip, FrameFaultsAreSeenByTheStationsChecks) {
    test::LogCapture log;
    test::ManualClock clock;
    SimCameraConfig config;
    config.pacing = SimPacing::AsFastAsRequested;
    SimulatedCamera camera(config, clock);
    camera.SelectMode(2);
    BinaryOverlay overlay;
    FrameIntegrityChecker checker;
    int32_t previousFrameNr = 0;
    auto next = [&] {
        const Decoded d = DecodeNext(camera, overlay);
        checker.Check(FrameTimestampTicks(overlay.FromTime), overlay);
        const int32_t gap = overlay.FrameNr - previousFrameNr;
        previousFrameNr = overlay.FrameNr;
        return gap;
    };
    next();
    next();
    EXPECT_TRUE(log.MessagesStartingWith("E Frame timestamp integrity error").empty());

    camera.Faults().DropFrames(3);
    EXPECT_EQ(next(), 4) << "three frame numbers missing";

    camera.Faults().RepeatFrameNumber();
    EXPECT_EQ(next(), 0);
    EXPECT_EQ(log.MessagesStartingWith("E Frame timestamp integrity error (frame nr) in frame ").size(), 1u);

    camera.Faults().FreezeCommIrqCounter(1);
    next();
    EXPECT_EQ(log.MessagesStartingWith("E Frame timestamp integrity error (comm irq ctr) in frame ").size(), 1u);
    camera.Faults().FreezeFrameStartIrqCounter(1);
    next();
    EXPECT_EQ(log.MessagesStartingWith("E Frame timestamp integrity error (frame start irq ctr) in frame ").size(), 1u);
    EXPECT_TRUE(log.MessagesStartingWith("E Frame timestamp integrity error (start time)").empty());

    camera.Faults().CorruptCheckLane();
    const int32_t goodFrameNr = overlay.FrameNr;
    next();
    EXPECT_FALSE(overlay.Valid);
    EXPECT_EQ(overlay.FrameNr, goodFrameNr) << "a rejected record leaves the fields as they were";
    EXPECT_EQ(log.MessagesStartingWith("W ParseBinaryOverlay: invalid checksum").size(), 1u);
    next();
    EXPECT_TRUE(overlay.Valid);
}

// Counts frames on the stream's consumer thread.
class CountingConsumer final : public IStreamFrameConsumer {
public:
    bool IsSuspended() const override { return false; }
    void ConsumeFrame(CameraFrame&) override {
        {
            std::lock_guard lock(mutex_);
            ++frames_;
        }
        arrived_.notify_all();
    }
    bool WaitForFrames(int count) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, std::chrono::seconds(30), [&] { return frames_ >= count; });
    }
    int Frames() {
        std::lock_guard lock(mutex_);
        return frames_;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    int frames_ = 0;
};

// Tells when the stream worker saved the camera settings before an automatic restart.
class RestartWatcher final : public IStreamRestartInteraction {
public:
    bool SaveCameraStatus() override {
        {
            std::lock_guard lock(mutex_);
            saved_ = true;
        }
        changed_.notify_all();
        return true;
    }
    void RestoreCameraStatus() override {}
    bool WaitForSave(std::chrono::milliseconds bound) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, bound, [&] { return saved_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool saved_ = false;
};

TEST(SimulatedCameraRoundTrip, StreamWorkerDropsWrongSizedFramesAndRestartsAfterAStall) {
    test::LogCapture log;
    test::ManualClock clock;  // the camera's pacing moves it; the worker's watchdog reads it
    SimCameraConfig config;
    auto camera = std::make_shared<SimulatedCamera>(config, clock);
    camera->SelectMode(2);
    MediaStreamOptions options;
    options.clock = &clock;
    options.exposureTimeMs = [] { return 40.0; };
    COrvaMediaStream stream(options);
    CountingConsumer consumer;
    RestartWatcher interaction;
    stream.SetFrameProcessor(&consumer);
    stream.SetCameraStatusInteraction(&interaction);
    stream.SetResolution((132u << 16) | 128u);
    ASSERT_TRUE(stream.InitWithMediaSource(std::make_shared<SimCameraMediaSource>(camera)));
    stream.StartStreamingBlocking();
    ASSERT_TRUE(stream.IsStreaming());
    ASSERT_TRUE(consumer.WaitForFrames(3));

    camera->Faults().DeliverWrongSize(-264);
    const int before = consumer.Frames();
    ASSERT_TRUE(consumer.WaitForFrames(before + 3)) << "frames go on after the bad one";
    EXPECT_EQ(log.MessagesStartingWith("W frame size, actual/expected bytes:").size(), 1u);

    // A stall longer than the watchdog's 2 x 40 ms + 6 s: the worker restarts streaming.
    // A frame already on its way may still arrive after the clock moved; move it again
    // until the worker notices the held request.
    camera->HoldDelivery(true);
    bool restarted = false;
    for (int i = 0; i < 50 && !restarted; ++i) {
        clock.Advance(std::chrono::seconds(7));
        restarted = interaction.WaitForSave(std::chrono::milliseconds(500));
    }
    ASSERT_TRUE(restarted);
    camera->HoldDelivery(false);
    const int afterStall = consumer.Frames();
    ASSERT_TRUE(consumer.WaitForFrames(afterStall + 3)) << "frames flow again after the restart";
    EXPECT_GE(log.MessagesStartingWith("W CDmsWorker::DoSingleWorkUnit: Re-starting streaming.").size(), 1u);
    stream.StopStreamingBlocking();
    stream.SetFrameProcessor(nullptr);
    stream.SetCameraStatusInteraction(nullptr);
    stream.DeInit();
}

}  // namespace
}  // namespace orva
