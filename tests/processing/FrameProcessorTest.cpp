#include "processing/FrameProcessor.h"

#include "CameraFrameBuilder.h"
#include "processing/GpsLog.h"
#include "processing/GuidingService.h"
#include "processing/OverlayText.h"
#include "processing/ParseBinaryOverlay.h"
#include "processing/ThreadSafeDoubleBuffer.h"
#include "processing/TimeBurnIn.h"
#include "support/LogCapture.h"
#include "support/ManualClock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace orva {
namespace {

using test::RawCameraFrame;
using test::FrameRecord;
using test::SteadyRecord;

constexpr int kWidth = 256;
constexpr int kHeight = 64;

UtcDateTime FixedPcTime() {
    UtcDateTime t;
    t.year = 2024;
    t.month = 6;
    t.day = 1;
    t.hour = 21;
    t.minute = 59;
    t.second = 58;
    t.millisecond = 123;
    return t;
}

class FrameProcessorTest : public ::testing::Test {
protected:
    std::unique_ptr<FrameProcessor> Make(test::FakeCamera& camera, int threads = 2) {
        FrameProcessorOptions options;
        options.threadCount = threads;
        options.cameras = &camera;
        options.guiding = &guiding;
        options.gpsLog = &gpsLog;
        options.histogram = &histogram;
        options.clock = &clock;
        options.pcClock = &FixedPcTime;
        return std::make_unique<FrameProcessor>(options);
    }

    // A frame of the stream with record n (or the given record).
    static RawCameraFrame Frame(const FrameRecord& record, int width = kWidth, int height = kHeight) {
        RawCameraFrame frame(width, height, static_cast<uint32_t>(record.frameNr));
        frame.SetRecord(record);
        return frame;
    }

    static void Feed(FrameProcessor& fp, const RawCameraFrame& frame, bool packed = false) {
        const std::vector<uint8_t> raw = packed ? frame.Packed() : frame.Normal();
        Deliver(fp, raw.data(), packed ? frame.Width() * 3 / 4 : frame.Width(), frame.Height());
    }

    // Raw bytes as the stream delivers them, transferWidth x height x 2.
    static void Deliver(FrameProcessor& fp, const uint8_t* raw, int transferWidth, int height) {
        CameraFrame received =
            CameraFrame::Received(raw, static_cast<uint16_t>(transferWidth), static_cast<uint16_t>(height));
        fp.ConsumeFrame(received);
    }

    std::vector<std::string> Errors() const { return log.MessagesStartingWith("E "); }

    test::LogCapture log;
    GuidingService guiding;
    GpsLog gpsLog;
    ThreadSafeDoubleBuffer histogram;
    test::ManualClock clock;
    test::FakeCamera normalCamera{VideoResolution(kWidth, kWidth, kHeight, 1)};
    test::FakeCamera packedCamera{VideoResolution(kWidth, kWidth * 3 / 4, kHeight, 1)};
};

TEST_F(FrameProcessorTest, ThreadCountSetting) {
    const std::pair<const char*, int> cases[] = {{"0", 4},  {"17", 4}, {"abc", 4}, {"", 4},  {"3x", 4},
                                                 {"-2", 4}, {"1", 1},  {"6", 6},   {"16", 16}};
    for (const auto& [text, count] : cases) EXPECT_EQ(FrameProcessor::ThreadCountFromSetting(text), count) << text;
    auto fp = Make(normalCamera, FrameProcessor::ThreadCountFromSetting("17"));
    EXPECT_EQ(fp->ThreadCount(), 4);
    EXPECT_TRUE(log.Contains("I FrameProcessor starting with # threads: 4"));
}

TEST_F(FrameProcessorTest, BothPackingsRecordEveryPixelShiftedIntoTheHighBits) {
    for (const bool packed : {false, true}) {
        auto fp = Make(packed ? packedCamera : normalCamera);
        test::FakeRecordingSink writer;
        ASSERT_TRUE(fp->AttachWriter(&writer));
        ASSERT_NE(fp->ActiveRecording(), nullptr);
        const RawCameraFrame frame = Frame(SteadyRecord(5));
        Feed(*fp, frame, packed);
        ASSERT_EQ(writer.frames.size(), 1u);
        EXPECT_EQ(writer.frames[0].pixels, frame.Expected()) << "packed " << packed;
        EXPECT_EQ(writer.frames[0].byteCount, uint64_t{kWidth} * kHeight * 2);
        EXPECT_EQ(writer.frames[0].overlay.FrameNr, 5);
        // 2024-06-01 22:00:00.200 in ticks since year one.
        EXPECT_EQ(writer.frames[0].timestamp, 621355968000000000ULL + 1717279200ULL * 10000000ULL + 200ULL * 10000);
        EXPECT_EQ(fp->Width(), kWidth);
        EXPECT_EQ(fp->CurrentFrameNumber(), 5);
        EXPECT_TRUE(fp->FullFix());
    }
    EXPECT_TRUE(Errors().empty());
}

TEST_F(FrameProcessorTest, WithoutCameraOrWhenSuspendedFramesAreIgnored) {
    auto fp = Make(normalCamera);
    test::FakeRecordingSink writer;
    fp->AttachWriter(&writer);
    normalCamera.SetAvailable(false);
    Feed(*fp, Frame(SteadyRecord(1)));
    EXPECT_TRUE(log.Contains("I ConsumeFrame: camera not available"));
    normalCamera.SetAvailable(true);
    fp->SetSuspended(true);
    EXPECT_TRUE(fp->IsSuspended());
    Feed(*fp, Frame(SteadyRecord(2)));
    EXPECT_TRUE(writer.frames.empty());
    EXPECT_EQ(fp->CurrentFrameNumber(), 0);
}

TEST_F(FrameProcessorTest, FrameNumberGapsAndRepeatsDuringARecording) {
    auto fp = Make(normalCamera);
    test::FakeRecordingSink writer;
    fp->AttachWriter(&writer);
    Feed(*fp, Frame(SteadyRecord(10)));
    Feed(*fp, Frame(SteadyRecord(14)));
    EXPECT_EQ(fp->MissedTotal(), 3);
    EXPECT_EQ(fp->MissedFrameList(), (std::vector<int32_t>{11, 12, 13}));
    FrameRecord repeat = SteadyRecord(15);
    repeat.frameNr = 14;
    Feed(*fp, Frame(repeat));
    EXPECT_EQ(fp->MissedTotal(), 2);
    EXPECT_EQ(Errors(), (std::vector<std::string>{"E Frame timestamp integrity error (frame nr) in frame  14"}));
    EXPECT_EQ(fp->Recording().recordedFrames, 3);
    fp->ResetMissedTotal();
    EXPECT_EQ(fp->MissedTotal(), 0);

    // A corrupt frame number cannot make the list grow without bound.
    Feed(*fp, Frame(SteadyRecord(16)));
    Feed(*fp, Frame(SteadyRecord(16 + 300000)));
    EXPECT_EQ(fp->MissedFrameList().size(), FrameProcessor::kMaxMissedFrameListEntries);
}

TEST_F(FrameProcessorTest, FrozenCountersAndTimesAreLogged) {
    auto fp = Make(normalCamera);
    FrameRecord a = SteadyRecord(1);
    FrameRecord b = SteadyRecord(2);
    b.commIrqCtr = a.commIrqCtr;
    FrameRecord c = SteadyRecord(3);
    c.commIrqCtr = 9;
    c.frameStartIrqCtr = b.frameStartIrqCtr;
    c.fromNs = b.fromNs;
    c.second = b.second;
    for (const auto& r : {a, b, c}) Feed(*fp, Frame(r));
    EXPECT_EQ(Errors(), (std::vector<std::string>{
                            "E Frame timestamp integrity error (comm irq ctr) in frame  2",
                            "E Old / new comm irq ctr:  1 1",
                            "E Frame timestamp integrity error (start time) in frame  3",
                            "E Frame timestamp integrity error (frame start irq ctr) in frame  3 102",
                            "E Old / new frame start irq ctr:  102 102",
                        }));
}

TEST_F(FrameProcessorTest, TimeResolutionModeIsSentUntilTheCameraReportsIt) {
    auto fp = Make(normalCamera);
    fp->SetUseTimeResolution100us(true);
    // The station's tick sends the commands, once per frame at most; the frame path never does.
    const auto feedAndTick = [&](const FrameRecord& record, int ticks) {
        Feed(*fp, Frame(record));
        for (int i = 0; i < ticks; ++i) fp->SendCameraCommands();
    };
    fp->SendCameraCommands();  // no frame yet: nothing known, nothing sent
    Feed(*fp, Frame(SteadyRecord(1)));
    EXPECT_TRUE(normalCamera.HiresCommands().empty());
    fp->SendCameraCommands();
    fp->SendCameraCommands();
    feedAndTick(SteadyRecord(2), 3);
    FrameRecord on = SteadyRecord(3);
    on.statusWord0 |= test::kStatusHighTimeResolution;
    feedAndTick(on, 1);
    EXPECT_EQ(normalCamera.HiresCommands(), (std::vector<bool>{true, true}));
    EXPECT_EQ(log.MessagesStartingWith("I Camera high resolution"),
              (std::vector<std::string>(2, "I Camera high resolution mode switching to 1")));
    fp->SetUseTimeResolution100us(false);
    FrameRecord stillOn = SteadyRecord(4);
    stillOn.statusWord0 |= test::kStatusHighTimeResolution;
    feedAndTick(stillOn, 1);
    EXPECT_EQ(normalCamera.HiresCommands(), (std::vector<bool>{true, true, false}));
    EXPECT_TRUE(log.Contains("I Camera high resolution mode switching to 0"));
}

// Straightforward calibration of one unpacked frame: row means over the band round the
// window mean, offsets from their mean, then dark with pedestal, then flat.
std::vector<uint16_t> ReferenceCalibration(std::vector<uint16_t> img, int w, int h, int keepRows,
                                           const std::vector<uint16_t>& dark, uint16_t pedestal,
                                           const std::vector<uint16_t>& flat, uint16_t norm) {
    uint64_t sum = 0, count = 0;
    for (int y = 16; y <= h - 19; ++y)
        for (int x = 104; x < w - 100; x += 8)
            for (int i = 0; i < 8; ++i) sum += img[y * w + x + i], ++count;
    const int64_t mean = count ? static_cast<int64_t>(sum / count) : 0;
    const int64_t low = std::max<int64_t>(mean - 1024, 0), high = std::min<int64_t>(mean + 1024, 65535);
    std::vector<int64_t> rowMean(h);
    int64_t total = 0;
    for (int y = 0; y < h; ++y) {
        int64_t s = 0, n = 0;
        for (int x = 21; x < w; ++x)
            if (img[y * w + x] >= low && img[y * w + x] <= high) s += img[y * w + x], ++n;
        rowMean[y] = n >= 10 ? s / n : mean;
        total += rowMean[y];
    }
    for (int y = 0; y < h - keepRows; ++y) {
        for (int x = 0; x < w; ++x) {
            int64_t u = std::clamp<int64_t>(img[y * w + x] - (rowMean[y] - total / h), 0, 65535);
            const int64_t d = dark[y * w + x];
            int64_t r = u + pedestal <= d ? 0 : (u > 65535 - pedestal ? 65535 : u + pedestal - d);
            const int64_t f = flat[y * w + x];
            r = f == 0 ? 65535 : std::min<int64_t>(norm * r / f, 65535);
            img[y * w + x] = static_cast<uint16_t>(r);
        }
    }
    return img;
}

TEST_F(FrameProcessorTest, CalibratedRecordingsMatchTheReferenceAndKeepTheRecordRows) {
    auto dark = std::make_shared<CalibrationImage>();
    auto flat = std::make_shared<CalibrationImage>();
    dark->width = flat->width = kWidth;
    dark->height = flat->height = kHeight;
    for (int i = 0; i < kWidth * kHeight; ++i) {
        dark->pixels.push_back(static_cast<uint16_t>(3000 + (i * 37) % 900));
        flat->pixels.push_back(static_cast<uint16_t>(i % 97 == 0 ? 0 : 28000 + (i * 53) % 4000));
    }
    struct Case {
        uint32_t overlayBits;
        int keptRows;
    };
    for (const Case c : {Case{test::kStatusOverlayNone, 1}, Case{test::kStatusOverlayText, 17}}) {
        auto fp = Make(packedCamera);
        test::FakeRecordingSink writer;
        fp->AttachWriter(&writer);
        fp->SetFpnReduction(true);
        fp->SetDarkEnabled(true);
        fp->SetPedestal(2048);
        fp->SetDarkFrame(dark);
        fp->SetFlatFrame(flat, 30000);
        FrameRecord record = SteadyRecord(7);
        record.statusWord0 = c.overlayBits;
        RawCameraFrame frame = Frame(record);
        for (int x = 0; x < kWidth; ++x) frame.Sample(x, 20) = static_cast<uint16_t>(frame.Sample(x, 20) + 40);
        Feed(*fp, frame, true);
        ASSERT_EQ(writer.frames.size(), 1u);
        const std::vector<uint16_t>& got = writer.frames[0].pixels;
        EXPECT_EQ(got, ReferenceCalibration(frame.Expected(), kWidth, kHeight, c.keptRows, dark->pixels, 2048,
                                            flat->pixels, 30000));
        const std::vector<uint16_t> expected = frame.Expected();
        EXPECT_TRUE(std::equal(got.end() - c.keptRows * kWidth, got.end(), expected.end() - c.keptRows * kWidth));
        EXPECT_NE(got[(kHeight - c.keptRows - 1) * kWidth + 5], expected[(kHeight - c.keptRows - 1) * kWidth + 5]);
        BinaryOverlay parsed;
        ParseBinaryOverlay(parsed, got, kWidth, kHeight);
        EXPECT_TRUE(parsed.Valid);
        EXPECT_EQ(parsed.FrameNr, 7);
    }
}

TEST_F(FrameProcessorTest, CalibrationFramesOfAnotherSizeAreNotApplied) {
    auto fp = Make(normalCamera);
    auto dark = std::make_shared<CalibrationImage>();
    dark->width = 8;
    dark->height = 8;
    dark->pixels.assign(64, 60000);
    fp->SetDarkEnabled(true);
    fp->SetDarkFrame(dark);
    test::FakeRecordingSink writer;
    fp->AttachWriter(&writer);
    const RawCameraFrame frame = Frame(SteadyRecord(1));
    Feed(*fp, frame);
    Feed(*fp, Frame(SteadyRecord(2)));
    EXPECT_EQ(writer.frames[0].pixels, frame.Expected());
    EXPECT_EQ(log.MessagesStartingWith("W ConsumeFrame: calibration frame size").size(), 1u);
}

TEST_F(FrameProcessorTest, AveragedCapturesHoldTheTruncatedMeanOfTheCalibratedFrames) {
    struct Case {
        FitsFrameKind kind;
        int frames;
        const char* imageType;
        const char* history;
    };
    for (const Case c : {Case{FitsFrameKind::Dark, 16, "Dark Frame", "AVG_16"},
                         Case{FitsFrameKind::Flat, 3, "Flat Frame", "AVG_3"},
                         Case{FitsFrameKind::Light, 2, "Light Frame", ""}}) {
        auto fp = Make(normalCamera);
        fp->SetFpnReduction(true);
        test::FakeRecordingSink writer;
        fp->AttachWriter(&writer);
        FitsRecordingJob job;
        job.kind = c.kind;
        job.framesToAverage = c.frames;
        auto record = std::make_shared<test::CaptureRecord>();
        ASSERT_TRUE(fp->StartFitsCapture(&job, std::make_unique<test::FakeCaptureSink>("cap.fits", record)));
        Feed(*fp, Frame(SteadyRecord(1)));  // not started yet: not part of the average
        job.started = true;
        for (int n = 2; n < 2 + c.frames + 2; ++n) Feed(*fp, Frame(SteadyRecord(n)));
        EXPECT_EQ(job.framesAccumulated.load(), c.frames);
        ASSERT_EQ(record->writes, 1);
        EXPECT_TRUE(record->destroyed);
        EXPECT_TRUE(fp->IsFitsFileCompleted("cap.fits"));
        EXPECT_EQ(record->header["IMAGETYP"], c.imageType);
        EXPECT_EQ(record->header["HISTORY"], c.history);
        EXPECT_EQ(record->header["FRAME"], "2");  // the header comes from the first frame
        EXPECT_EQ(record->header["NAXIS1"], std::to_string(kWidth));
        std::vector<uint16_t> mean(kWidth * kHeight);
        for (std::size_t i = 0; i < mean.size(); ++i) {
            uint32_t sum = 0;
            for (int f = 1; f <= c.frames; ++f) sum += writer.frames[static_cast<std::size_t>(f)].pixels[i];
            mean[i] = static_cast<uint16_t>(sum / static_cast<uint32_t>(c.frames));
        }
        EXPECT_EQ(record->pixels, mean) << c.imageType;
    }
}

TEST_F(FrameProcessorTest, CaptureOfANameWrittenBeforeIsCompleteOnlyWhenWrittenAgain) {
    auto fp = Make(normalCamera);
    auto first = std::make_shared<test::CaptureRecord>();
    ASSERT_TRUE(fp->StartFitsCapture(nullptr, std::make_unique<test::FakeCaptureSink>("same.fits", first)));
    Feed(*fp, Frame(SteadyRecord(1)));
    ASSERT_TRUE(fp->IsFitsFileCompleted("same.fits"));

    auto second = std::make_shared<test::CaptureRecord>();
    ASSERT_TRUE(fp->StartFitsCapture(nullptr, std::make_unique<test::FakeCaptureSink>("same.fits", second)));
    EXPECT_FALSE(fp->IsFitsFileCompleted("same.fits"));
    Feed(*fp, Frame(SteadyRecord(2)));
    EXPECT_EQ(second->writes, 1);
    EXPECT_TRUE(fp->IsFitsFileCompleted("same.fits"));
}

TEST_F(FrameProcessorTest, SingleCaptureCancellationAndFailures) {
    auto fp = Make(normalCamera);
    fp->SetPcTime(true);
    auto single = std::make_shared<test::CaptureRecord>();
    ASSERT_TRUE(fp->StartFitsCapture(nullptr, std::make_unique<test::FakeCaptureSink>("one.fits", single)));
    const RawCameraFrame frame = Frame(SteadyRecord(1));
    Feed(*fp, frame);
    Feed(*fp, Frame(SteadyRecord(2)));
    EXPECT_EQ(single->writes, 1);
    EXPECT_TRUE(fp->IsFitsFileCompleted("one.fits"));
    std::vector<uint16_t> expected = frame.Expected();
    BurnInText(expected.data(), kWidth, kHeight, FormatPcTimeText(FixedPcTime()));
    EXPECT_EQ(single->pixels, expected);

    FitsRecordingJob job;
    job.kind = FitsFrameKind::Dark;
    job.framesToAverage = 5;
    job.started = true;
    auto cancelled = std::make_shared<test::CaptureRecord>();
    fp->StartFitsCapture(&job, std::make_unique<test::FakeCaptureSink>("cancel.fits", cancelled));
    Feed(*fp, Frame(SteadyRecord(3)));
    job.state = FitsJobState::CancelRequested;
    Feed(*fp, Frame(SteadyRecord(4)));
    EXPECT_EQ(job.state.load(), FitsJobState::Cancelled);
    EXPECT_TRUE(cancelled->destroyed);
    EXPECT_EQ(cancelled->writes, 0);
    EXPECT_FALSE(fp->IsFitsFileCompleted("cancel.fits"));

    auto failing = std::make_shared<test::CaptureRecord>();
    fp->StartFitsCapture(nullptr, std::make_unique<test::FakeCaptureSink>("full.fits", failing, true));
    Feed(*fp, Frame(SteadyRecord(5)));
    EXPECT_FALSE(fp->IsFitsFileCompleted("full.fits"));
    EXPECT_EQ(fp->TakeCaptureFailure(), std::optional<std::string>("Failed to write FITS file."));
    EXPECT_FALSE(fp->TakeCaptureFailure().has_value());
    EXPECT_TRUE(log.Contains("E ConsumeFrame: FITS capture failed: full.fits: Failed to write FITS file."));

    job.framesToAverage = 0;
    EXPECT_FALSE(fp->StartFitsCapture(&job, std::make_unique<test::FakeCaptureSink>("x.fits", failing)));
    EXPECT_FALSE(fp->StartFitsCapture(nullptr, nullptr));
}

TEST_F(FrameProcessorTest, ACaptureFailsWhenTheFrameSizeChanges) {
    auto fp = Make(normalCamera);
    FitsRecordingJob job;
    job.kind = FitsFrameKind::Flat;
    job.framesToAverage = 4;
    job.started = true;
    auto record = std::make_shared<test::CaptureRecord>();
    fp->StartFitsCapture(&job, std::make_unique<test::FakeCaptureSink>("flat.fits", record));
    Feed(*fp, Frame(SteadyRecord(1)));
    Feed(*fp, Frame(SteadyRecord(2), kWidth, kHeight + 8));
    EXPECT_EQ(job.state.load(), FitsJobState::Failed);
    EXPECT_EQ(record->writes, 0);
    EXPECT_TRUE(fp->TakeCaptureFailure().has_value());
}

TEST_F(FrameProcessorTest, AWriteFailureDetachesTheWriterAndFramesKeepFlowing) {
    auto fp = Make(normalCamera);
    test::FakeRecordingSink writer;
    writer.failAtFrame = 2;
    fp->AttachWriter(&writer);
    for (int n = 1; n <= 5; ++n) Feed(*fp, Frame(SteadyRecord(n)));
    EXPECT_EQ(writer.frames.size(), 2u);
    EXPECT_EQ(writer.stopCalls, 1);
    EXPECT_EQ(writer.framesAfterStop, 0);
    EXPECT_FALSE(fp->IsWriterAttached());
    EXPECT_EQ(fp->ActiveRecording(), nullptr);
    EXPECT_EQ(fp->CurrentFrameNumber(), 5);
    EXPECT_EQ(fp->TakeRecordingFailure(), std::optional<std::string>("disk full"));
    EXPECT_TRUE(log.Contains("E ConsumeFrame: recording stopped after a write failure: disk full"));
    // A new recording can start.
    test::FakeRecordingSink next;
    EXPECT_TRUE(fp->AttachWriter(&next));
}

TEST_F(FrameProcessorTest, StopRequestStopsAndDetachesBeforeTheFrameIsRecorded) {
    auto fp = Make(normalCamera);
    test::FakeRecordingSink writer;
    ASSERT_TRUE(fp->AttachWriter(&writer));
    test::FakeRecordingSink other;
    EXPECT_FALSE(fp->AttachWriter(&other));
    Feed(*fp, Frame(SteadyRecord(1)));
    fp->RequestStopRecording();
    Feed(*fp, Frame(SteadyRecord(2)));
    EXPECT_EQ(writer.frames.size(), 1u);
    EXPECT_EQ(writer.stopCalls, 1);
    EXPECT_FALSE(fp->IsWriterAttached());
    EXPECT_FALSE(fp->TakeRecordingFailure().has_value());
}

TEST_F(FrameProcessorTest, RecordingStartEndAndGpsAverages) {
    auto fp = Make(normalCamera);
    test::FakeRecordingSink writer;
    fp->AttachWriter(&writer);
    fp->ActiveRecording()->firstFrameMs = 5;
    FrameRecord first = SteadyRecord(1);
    first.heightMm = -1500;
    FrameRecord noFix = SteadyRecord(2);
    noFix.fixState = 0;
    noFix.timeFlag = false;
    Feed(*fp, Frame(first));
    Feed(*fp, Frame(SteadyRecord(3)));
    Feed(*fp, Frame(noFix));
    const RecordingSummary s = fp->Recording();
    const int64_t fileTime2200 = static_cast<int64_t>(621355968000000000ULL + 1717279200ULL * 10000000ULL) -
                                 static_cast<int64_t>(504911232000000000ULL);
    EXPECT_EQ(s.recordedFrames, 3);
    EXPECT_EQ(s.start.fileTime, fileTime2200 + 40 * 10000);
    EXPECT_EQ(s.start.timeFlag, 1);
    EXPECT_EQ(s.start.accuracyM, 3);
    EXPECT_EQ(s.end.fileTime, fileTime2200 + 110 * 10000);  // ToTime of frame 2: 80 ms + 30 ms
    EXPECT_EQ(s.end.timeFlag, 0);
    EXPECT_EQ(s.end.accuracyM, 0);
    EXPECT_EQ(s.formatDescription, "TEST 16-bit");
    EXPECT_EQ(s.gpsCount, 2);
    EXPECT_EQ(s.heightSumM, -1 + 523);
    EXPECT_EQ(s.latitudeSum, 2 * int64_t{481234567});
    // Attaching the next recording resets it all.
    fp->RequestStopRecording();
    Feed(*fp, Frame(SteadyRecord(4)));
    test::FakeRecordingSink next;
    fp->AttachWriter(&next);
    EXPECT_EQ(fp->Recording().recordedFrames, 0);
    EXPECT_EQ(fp->Recording().start.fileTime, -1);
    EXPECT_EQ(fp->FrameTimes().firstFrameMs.load(), -1);
}

TEST_F(FrameProcessorTest, OversizedAndMalformedFramesAreRejectedWithOneLogLine) {
    auto fp = Make(normalCamera);
    const std::vector<uint8_t> dummy(16);
    for (int i = 0; i < 3; ++i) {
        Deliver(*fp, dummy.data(), 64, 4097);
        Deliver(*fp, dummy.data(), 65535, 300);
    }
    test::FakeCamera oddPacked{VideoResolution(250, 100, kHeight, 1)};
    auto packed = Make(oddPacked);
    Deliver(*packed, dummy.data(), 100, kHeight);
    EXPECT_EQ(Errors(), (std::vector<std::string>{
                            "E ConsumeFrame: frame exceeds the buffer limits, rejected, width/height: 64 4097",
                            "E ConsumeFrame: frame exceeds the buffer limits, rejected, width/height: 65535 300",
                            "E ConsumeFrame: frame exceeds the buffer limits, rejected, width/height: 64 4097",
                            "E ConsumeFrame: frame exceeds the buffer limits, rejected, width/height: 65535 300",
                            "E ConsumeFrame: frame exceeds the buffer limits, rejected, width/height: 64 4097",
                            "E ConsumeFrame: frame exceeds the buffer limits, rejected, width/height: 65535 300",
                            "E ConsumeFrame: packed row length does not match the video mode, rejected, "
                            "width/height: 250 64",
                        }));
    // A size that repeats is logged once.
    auto again = Make(normalCamera);
    for (int i = 0; i < 5; ++i) {
        Deliver(*again, dummy.data(), 64, 5000);
    }
    EXPECT_EQ(Errors().size(), 8u);
    EXPECT_EQ(again->CurrentFrameNumber(), 0);
}

TEST_F(FrameProcessorTest, OnePerformanceLinePerHundredFrames) {
    auto fp = Make(normalCamera);
    fp->SetPerformanceLogEnabled(true);
    for (int n = 1; n <= 199; ++n) Feed(*fp, Frame(SteadyRecord(n), 136, 2));
    EXPECT_EQ(log.MessagesStartingWith("I PERF"),
              (std::vector<std::string>{"I PERF  0.0  0.0  0.0  0.0  0.0  0.0  0.0"}));
}

TEST_F(FrameProcessorTest, GuidingCentroidIsWrittenForATarget) {
    auto fp = Make(normalCamera);
    guiding.radius = 8;
    guiding.SetTarget(60, 30);
    for (int n = 1; n <= 2; ++n) {
        RawCameraFrame frame = Frame(SteadyRecord(n));
        frame.Sample(61, 30) = 4000;
        Feed(*fp, frame);
    }
    const auto [cx, cy] = guiding.Centroid();
    EXPECT_DOUBLE_EQ(cx, 9.0);
    EXPECT_DOUBLE_EQ(cy, 8.0);
    // A target at the corner is clipped, not read outside the image.
    guiding.SetTarget(1, 1);
    Feed(*fp, Frame(SteadyRecord(3)));
}

TEST_F(FrameProcessorTest, DisplayHookGetsARequestedFrameOnce) {
    auto fp = Make(normalCamera);
    test::FakeDisplayTarget target;
    fp->SetDisplayTarget(&target);
    fp->SetPcTime(true);
    fp->SetShowOverflow(true);
    Feed(*fp, Frame(SteadyRecord(1)));
    EXPECT_EQ(target.calls, 0);
    EXPECT_FALSE(fp->TakeDisplayReady());
    fp->RequestDisplay();
    const RawCameraFrame frame = Frame(SteadyRecord(2));
    Feed(*fp, frame);
    Feed(*fp, Frame(SteadyRecord(3)));
    EXPECT_EQ(target.calls, 1);
    EXPECT_TRUE(fp->TakeDisplayReady());
    EXPECT_FALSE(fp->TakeDisplayReady());
    EXPECT_EQ(target.last.width, kWidth);
    EXPECT_EQ(target.last.pcTimeColumns, 25 * 8);
    EXPECT_TRUE(target.last.showOverflow);
    std::vector<uint16_t> expected = frame.Expected();
    BurnInText(expected.data(), kWidth, kHeight, FormatPcTimeText(FixedPcTime()));
    EXPECT_EQ(target.pixels, expected);
    BinaryOverlay parsed;
    ParseBinaryOverlay(parsed, expected, kWidth, kHeight);
    EXPECT_EQ(fp->TextLine(), FormatOverlayText(parsed));
}

TEST_F(FrameProcessorTest, GpsLogGetsTheFirstFrameOfEachNewMinute) {
    test::TempDir dir;
    gpsLog.InitGpsLog(dir.Path(), true);
    auto fp = Make(normalCamera);
    // Minutes 0 (not logged after a fresh start), 1, 1, 2.
    for (const int n : {1, 1500, 1501, 3000}) Feed(*fp, Frame(SteadyRecord(n)));
    const std::string path = gpsLog.FilePath();
    gpsLog.CloseGpsLog();
    const std::string content = test::ReadFile(path);
    EXPECT_EQ(std::count(content.begin(), content.end(), '\r'), 3);
    EXPECT_NE(content.find("\r1500;"), std::string::npos);
    EXPECT_NE(content.find("\r3000;"), std::string::npos);
}

// Another thread changes options, attaches and stops recordings, starts captures and
// asks for display frames while frames flow; the thread sanitizer checks the hand-overs.
TEST_F(FrameProcessorTest, HandOversFromAnotherThreadWhileFramesFlow) {
    auto fp = Make(packedCamera, 2);
    test::FakeDisplayTarget target;
    fp->SetDisplayTarget(&target);
    std::vector<RawCameraFrame> frames;
    for (int n = 1; n <= 4; ++n) frames.push_back(Frame(SteadyRecord(n)));
    std::atomic<bool> done{false};
    std::vector<std::unique_ptr<test::FakeRecordingSink>> writers;
    FitsRecordingJob job;
    job.kind = FitsFrameKind::Dark;
    job.framesToAverage = 3;
    job.started = true;
    std::thread gui([&] {
        auto dark = std::make_shared<CalibrationImage>();
        dark->width = kWidth;
        dark->height = kHeight;
        dark->pixels.assign(kWidth * kHeight, 100);
        for (int i = 0; !done; ++i) {
            fp->SetFpnReduction(i % 2);
            fp->SetDarkEnabled(i % 3 == 0);
            fp->SetDarkFrame(i % 5 ? dark : nullptr);
            fp->SetPcTime(i % 4 == 0);
            fp->SetPedestal(static_cast<uint16_t>(i));
            fp->RequestDisplay();
            (void)fp->TakeDisplayReady();
            (void)fp->Recording();
            (void)fp->MissedFrameList();
            (void)fp->TextLine();
            if (!fp->IsWriterAttached() && writers.size() < 50) {
                writers.push_back(std::make_unique<test::FakeRecordingSink>());
                fp->AttachWriter(writers.back().get());
            } else {
                fp->RequestStopRecording();
            }
            if (i % 7 == 0) {
                auto record = std::make_shared<test::CaptureRecord>();
                fp->StartFitsCapture(i % 2 ? &job : nullptr, std::make_unique<test::FakeCaptureSink>("c.fits", record));
            }
            std::this_thread::yield();
        }
    });
    for (int i = 1; i <= 400; ++i) {
        FrameRecord r = SteadyRecord(i);
        RawCameraFrame& f = frames[static_cast<std::size_t>(i % 4)];
        f.SetRecord(r);
        Feed(*fp, f, true);
    }
    done = true;
    gui.join();
    EXPECT_EQ(fp->CurrentFrameNumber(), 400);
    EXPECT_TRUE(Errors().empty());
}

}  // namespace
}  // namespace orva
