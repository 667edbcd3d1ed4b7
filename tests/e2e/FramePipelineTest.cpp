// The frame path with the real pieces: simulated camera -> stream worker -> frame
// processor -> a recording writer (and FITS captures through the FITS writer).
//
// The camera is paced by a gate clock: a frame becomes due only after the frame before
// it was consumed, so the stream's queue never overflows and every camera frame reaches
// the processor. Faults are armed between two frames, so each lands on a known frame.
#include "camera/CameraExtensionUnit.h"
#include "camera/CameraModel.h"
#include "camera/CameraStatusCache.h"
#include "processing/FrameCameraAdapter.h"
#include "processing/FrameProcessor.h"
#include "processing/GpsLog.h"
#include "processing/GuidingService.h"
#include "processing/ParseBinaryOverlay.h"
#include "processing/ThreadSafeDoubleBuffer.h"
#include "recording/BaseWriter.h"
#include "recording/FitsHeaderValues.h"
#include "recording/FitsReader.h"
#include "recording/FitsWriter.h"
#include "simcam/SimExtensionUnitTransport.h"
#include "simcam/SimVideoReader.h"
#include "simcam/SimulatedCamera.h"
#include "stream/COrvaMediaStream.h"
#include "SimulatedProcessingChain.h"
#include "support/LogCapture.h"
#include "support/ManualClock.h"
#include "support/SlowClock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>

namespace orva {
namespace {

using namespace std::chrono_literals;

constexpr auto kLiveness = 60s;  // only bounds a hang; nothing is timed

// The camera's clock: time moves only up to a limit that the test raises one frame
// period per consumed frame (or lifts altogether).
class GateClock final : public Clock {
public:
    TimePoint Now() const override {
        std::lock_guard lock(mutex_);
        return now_;
    }
    void SleepFor(Duration d) override {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return open_ || limit_ > now_; });
        now_ += open_ ? d : std::min(d, limit_ - now_);
    }
    void Allow(Duration d) {
        {
            std::lock_guard lock(mutex_);
            limit_ = std::max(limit_, now_) + d;
        }
        changed_.notify_all();
    }
    void Open() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        changed_.notify_all();
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    TimePoint now_{};
    TimePoint limit_{};
    bool open_ = false;
};

// Stands between the stream and the processor: counts frames, runs the test's hook
// after each one, then lets the camera take the next frame.
class GatedConsumer final : public IStreamFrameConsumer {
public:
    GatedConsumer(FrameProcessor& processor, GateClock& clock, Clock::Duration period)
        : processor_(processor), clock_(clock), period_(period) {}
    bool IsSuspended() const override { return processor_.IsSuspended(); }
    void ConsumeFrame(CameraFrame& frame) override {
        processor_.ConsumeFrame(frame);
        int count = 0;
        {
            std::lock_guard lock(mutex_);
            count = ++frames_;
        }
        if (afterFrame_) afterFrame_(count);
        // Asked before the camera may take the next frame, so that no further frame is recorded.
        if (count == stopRecordingAfter_) processor_.RequestStopRecording();
        arrived_.notify_all();
        clock_.Allow(period_);
    }
    bool WaitForFrames(int count) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, kLiveness, [&] { return frames_ >= count; });
    }
    // Set before streaming starts.
    std::function<void(int consumed)> afterFrame_;
    int stopRecordingAfter_ = 0;  // 0: never

private:
    FrameProcessor& processor_;
    GateClock& clock_;
    Clock::Duration period_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    int frames_ = 0;
};

// A recording writer of the test's own format: per frame the 64-bit time stamp and the
// pixels, through the writer framework's primitives.
class RawTestWriter final : public BaseWriter {
public:
    std::string GetFormatDescription() const override { return "RAW 16-bit"; }

protected:
    void WriteHeader() override { WriteUInt32(0x57415254); }
    void WriteFrame(const uint16_t* pixels, uint64_t byteCount, uint64_t timestamp, const BinaryOverlay&) override {
        WriteUInt64(timestamp);
        WriteBytes(pixels, byteCount);
    }
    void WriteTrailer() override {}
};

struct FileFrame {
    uint64_t timestamp = 0;
    std::vector<uint16_t> pixels;
};

std::vector<FileFrame> ReadRawFile(const std::string& path, int width, int height) {
    const std::string bytes = test::ReadFile(path);
    std::vector<FileFrame> frames;
    const std::size_t frameBytes = static_cast<std::size_t>(width) * height * 2;
    for (std::size_t at = 4; at + 8 + frameBytes <= bytes.size(); at += 8 + frameBytes) {
        FileFrame f;
        std::memcpy(&f.timestamp, bytes.data() + at, 8);
        f.pixels.resize(frameBytes / 2);
        std::memcpy(f.pixels.data(), bytes.data() + at + 8, frameBytes);
        frames.push_back(std::move(f));
    }
    return frames;
}

// A known picture: the 12-bit value of (x, y) in frame n.
uint16_t PictureValue(int x, int y, int32_t frame) { return static_cast<uint16_t>((x * 31 + y * 17 + frame * 7) & 0x0FFF); }

class PatternSource final : public IPictureSource {
public:
    void Configure(const SimReadout& readout) override { readout_ = readout; }
    void Render(const SimExposure& exposure, std::span<uint16_t> image) override {
        for (int y = 0; y < readout_.height; ++y)
            for (int x = 0; x < readout_.width; ++x)
                image[static_cast<std::size_t>(y) * readout_.width + x] = PictureValue(x, y, exposure.frameNumber);
    }

private:
    SimReadout readout_;
};

// The capture sink the recording side provides, built here from the FITS writer.
class FitsWriterSink final : public IFitsCaptureSink {
public:
    explicit FitsWriterSink(std::string fileName) : writer_(std::move(fileName)) {}
    std::string GetFileName() const override { return writer_.GetFileName(); }
    void FillStaticHeader(int width, int height) override {
        FillFitsHeader(writer_.GetHeaderData(), width, height, RecordingNames{}, "");
    }
    void WriteDynamicHeader(const BinaryOverlay& overlay) override {
        WriteFitsFileDynamicHeader(writer_.GetHeaderData(), overlay);
    }
    void SetHeaderValue(const std::string& keyword, const std::string& value) override {
        writer_.GetHeaderData().SetValue(keyword, value);
    }
    void WriteFile(const uint16_t* pixels) override { writer_.WriteFile(pixels); }

private:
    FitsWriter writer_;
};

// One simulated camera streaming through the real worker into a frame processor.
class Pipeline {
public:
    Pipeline(uint8_t sensorCode, int modeIndex)
        : chain_(sensorCode, modeIndex, cameraClock_, std::make_unique<PatternSource>()) {
        consumer_ = std::make_unique<GatedConsumer>(*chain_.processor, cameraClock_,
                                                    std::chrono::nanoseconds(chain_.camera->FramePeriodNs()));
        MediaStreamOptions streamOptions;
        // The worker's start and stop waits and its watchdog follow slowed time: a busy
        // machine cannot time them out.
        streamOptions.clock = &streamClock_;
        streamOptions.exposureTimeMs = [] { return 40.0; };
        stream_ = std::make_unique<COrvaMediaStream>(streamOptions);
        cameraClock_.Allow(std::chrono::nanoseconds(chain_.camera->FramePeriodNs()));
    }

    ~Pipeline() {
        cameraClock_.Open();
        stream_->StopStreamingBlocking();
        stream_->SetFrameProcessor(nullptr);
        stream_->DeInit();
    }

    bool Start() {
        stream_->SetFrameProcessor(consumer_.get());
        stream_->SetResolution(static_cast<uint32_t>(chain_.mode.transferWidth) << 16 | static_cast<uint32_t>(chain_.mode.height));
        if (!stream_->InitWithMediaSource(std::make_shared<SimVideoSource>(chain_.camera))) return false;
        stream_->StartStreamingBlocking();
        return stream_->IsStreaming();
    }

    // Starts streaming into a recording from the first frame on, records `frames` frames
    // into a raw file and returns them as read back.
    std::vector<FileFrame> Record(const std::string& path, int frames) {
        writer_.Open(path, chain_.mode.width, chain_.mode.height, 16);
        EXPECT_TRUE(writer_.StartRecording(nullptr));
        EXPECT_TRUE(chain_.processor->AttachWriter(&writer_));
        consumer_->stopRecordingAfter_ = frames;
        if (!Start()) {
            ADD_FAILURE() << "streaming did not start";
            return {};
        }
        EXPECT_TRUE(consumer_->WaitForFrames(frames + 1));
        EXPECT_FALSE(chain_.processor->IsWriterAttached());
        return ReadRawFile(path, chain_.mode.width, chain_.mode.height);
    }

    SimulatedCamera& Camera() { return *chain_.camera; }
    FrameProcessor& Processor() { return *chain_.processor; }
    GatedConsumer& Consumer() { return *consumer_; }
    const SimVideoMode& Mode() const { return chain_.mode; }

private:
    GateClock cameraClock_;
    test::SlowClock streamClock_;
    test::SimulatedProcessingChain chain_;
    std::unique_ptr<GatedConsumer> consumer_;
    RawTestWriter writer_;
    std::unique_ptr<COrvaMediaStream> stream_;
};

TEST(FramePipelineTest, EveryModeInBothPackingsRecordsTheCameraSamplesInTheHighBits) {
    const std::pair<uint8_t, int> sensors[] = {{7, 5}, {8, 4}};  // IMX174, IMX178 and their mode counts
    bool sawPacked = false;
    bool sawNormal = false;
    for (const auto& [sensor, modes] : sensors) {
        for (int m = 0; m < modes; ++m) {
            test::LogCapture log;
            test::TempDir dir;
            Pipeline pipeline(sensor, m);
            const SimVideoMode mode = pipeline.Mode();
            (mode.IsPacked() ? sawPacked : sawNormal) = true;
            SCOPED_TRACE(std::to_string(mode.width) + "x" + std::to_string(mode.height) +
                         (mode.IsPacked() ? " packed" : " normal"));
            const std::vector<FileFrame> frames = pipeline.Record(dir.File("rec.raw"), 3);
            ASSERT_EQ(frames.size(), 3u);
            for (const FileFrame& f : frames) {
                BinaryOverlay overlay;
                ParseBinaryOverlay(overlay, f.pixels, mode.width, mode.height);
                ASSERT_TRUE(overlay.Valid);
                std::size_t wrong = 0;
                for (int y = 0; y + 1 < mode.height; ++y)
                    for (int x = 0; x < mode.width; ++x)
                        wrong += f.pixels[static_cast<std::size_t>(y) * mode.width + x] !=
                                 static_cast<uint16_t>(PictureValue(x, y, overlay.FrameNr) << 4);
                EXPECT_EQ(wrong, 0u) << "frame " << overlay.FrameNr;
                for (const uint16_t p : f.pixels) ASSERT_EQ(p & 0x000F, 0);
            }
            EXPECT_TRUE(log.MessagesStartingWith("E ").empty());
            EXPECT_TRUE(log.MessagesStartingWith("W ParseBinaryOverlay").empty());
        }
    }
    EXPECT_TRUE(sawPacked && sawNormal);
}

TEST(FramePipelineTest, IntegrityChecksLogExactlyTheInjectedFaults) {
    test::LogCapture log;
    test::TempDir dir;
    Pipeline pipeline(7, 2);  // 176 x 128, the fastest mode
    pipeline.Consumer().afterFrame_ = [&](int consumed) {
        SimFaultInjector& faults = pipeline.Camera().Faults();
        if (consumed == 5) faults.DropFrames(3);
        if (consumed == 10) faults.RepeatFrameNumber();
        if (consumed == 15) faults.FreezeCommIrqCounter(1);
        if (consumed == 20) faults.FreezeFrameStartIrqCounter(1);
    };
    const std::vector<FileFrame> frames = pipeline.Record(dir.File("rec.raw"), 25);
    ASSERT_EQ(frames.size(), 25u);
    std::vector<BinaryOverlay> records;
    for (const FileFrame& f : frames) {
        records.emplace_back();
        ParseBinaryOverlay(records.back(), f.pixels, 176, 128);
    }
    // Frames 1..5, then 9..13 after the three dropped, 13 again, 14 ...
    EXPECT_EQ(records[4].FrameNr, 5);
    EXPECT_EQ(records[5].FrameNr, 9);
    EXPECT_EQ(records[10].FrameNr, 13);
    const int commFrozen = records[15].FrameNr;
    const int startFrozen = records[20].FrameNr;
    const int startCounter = records[20].FrameStartIrqCtr;
    const int commCounter = records[15].CommIrqCtr;
    EXPECT_EQ(log.MessagesStartingWith("E "),
              (std::vector<std::string>{
                  "E Frame timestamp integrity error (frame nr) in frame  13",
                  "E Frame timestamp integrity error (comm irq ctr) in frame  " + std::to_string(commFrozen),
                  "E Old / new comm irq ctr:  " + std::to_string(commCounter) + " " + std::to_string(commCounter),
                  "E Frame timestamp integrity error (frame start irq ctr) in frame  " + std::to_string(startFrozen) +
                      " " + std::to_string(startCounter),
                  "E Old / new frame start irq ctr:  " + std::to_string(startCounter) + " " +
                      std::to_string(startCounter),
              }));
    EXPECT_EQ(pipeline.Processor().MissedTotal(), 3 - 1);
    EXPECT_EQ(pipeline.Processor().MissedFrameList(), (std::vector<int32_t>{6, 7, 8}));
    EXPECT_EQ(log.MessagesStartingWith("W Missed one or more frames"),
              (std::vector<std::string>{"W Missed one or more frames (start, len):  6 3"}));
    EXPECT_EQ(pipeline.Processor().Recording().recordedFrames, 25);
}

TEST(FramePipelineTest, CalibratedRecordingKeepsItsRecordAndCapturesAverageTheCalibratedFrames) {
    test::LogCapture log;
    test::TempDir dir;
    Pipeline pipeline(7, 4);  // 480 x 300, two bytes per pixel
    const SimVideoMode mode = pipeline.Mode();
    const std::size_t pixels = static_cast<std::size_t>(mode.width) * mode.height;
    auto dark = std::make_shared<CalibrationImage>();
    auto flat = std::make_shared<CalibrationImage>();
    dark->width = flat->width = mode.width;
    dark->height = flat->height = mode.height;
    for (std::size_t i = 0; i < pixels; ++i) {
        dark->pixels.push_back(static_cast<uint16_t>(i % 700));
        flat->pixels.push_back(static_cast<uint16_t>(20000 + i % 5000));
    }
    FrameProcessor& fp = pipeline.Processor();
    fp.SetFpnReduction(true);
    fp.SetDarkEnabled(true);
    fp.SetDarkFrame(dark);
    fp.SetFlatFrame(flat, 22000);
    FitsRecordingJob job;
    job.kind = FitsFrameKind::Dark;
    job.framesToAverage = 4;
    job.started = true;
    const std::string fitsPath = dir.File("dark.fits");
    ASSERT_TRUE(fp.StartFitsCapture(&job, std::make_unique<FitsWriterSink>(fitsPath)));
    const std::vector<FileFrame> frames = pipeline.Record(dir.File("rec.raw"), 6);
    ASSERT_EQ(frames.size(), 6u);
    for (const FileFrame& f : frames) {
        BinaryOverlay overlay;
        ParseBinaryOverlay(overlay, f.pixels, mode.width, mode.height);
        EXPECT_TRUE(overlay.Valid);
    }
    ASSERT_TRUE(fp.IsFitsFileCompleted(fitsPath));
    // The capture started with the recording's first frame: the average of frames 1..4.
    const std::unique_ptr<FitsReaderResult> fits = FitsReader().Read(fitsPath);
    EXPECT_EQ(fits->header->GetValue("IMAGETYP"), "Dark Frame");
    EXPECT_EQ(fits->header->GetValue("HISTORY"), "AVG_4");
    ASSERT_EQ(fits->pixels.size(), pixels);
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        uint32_t sum = 0;
        for (int k = 0; k < 4; ++k) sum += frames[static_cast<std::size_t>(k)].pixels[i];
        wrong += fits->pixels[i] != sum / 4;
    }
    EXPECT_EQ(wrong, 0u);
    EXPECT_TRUE(log.MessagesStartingWith("E ").empty());
}

}  // namespace
}  // namespace orva
