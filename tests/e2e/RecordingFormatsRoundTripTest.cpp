// Recordings through the real frame path: simulated camera -> frame processor -> SER,
// ADV or FITS-sequence writer -> the format's reader. The frames read back must be
// exactly those the frame processor handed to the writer, and their time stamps those
// of the camera's GPS clock (the timing record keeps milliseconds).
#include "camera/CameraExtensionUnit.h"
#include "camera/CameraModel.h"
#include "camera/CameraStatusCache.h"
#include "common/UtcTime.h"
#include "processing/FrameCameraAdapter.h"
#include "processing/FrameProcessor.h"
#include "processing/GpsLog.h"
#include "processing/GuidingService.h"
#include "processing/ThreadSafeDoubleBuffer.h"
#include "recording/AdvReader.h"
#include "recording/AdvWriter.h"
#include "recording/FitsReader.h"
#include "recording/FitsSequenceWriter.h"
#include "recording/SerReader.h"
#include "recording/SerWriter.h"
#include "simcam/SimExtensionUnitTransport.h"
#include "simcam/SimulatedCamera.h"
#include "SimulatedProcessingChain.h"
#include "support/LogCapture.h"
#include "support/ManualClock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace orva {
namespace {

constexpr uint64_t kTicksAt1970 = 621355968000000000ULL;  // 100-ns ticks from 0001-01-01
constexpr int64_t kUnixMsAt2010 = 1262304000000;

// What the frame processor hands to a writer, kept before it is passed on.
class TeeSink final : public IRecordingSink {
public:
    explicit TeeSink(BaseWriter& writer) : writer_(writer) {}
    std::string GetFormatDescription() const override { return writer_.GetFormatDescription(); }
    int32_t GetFrameCount() const override { return writer_.GetFrameCount(); }
    bool AddFrame(const CameraFrame& frame) override {
        frames.emplace_back(frame.pixels, frame.pixels + frame.PixelCount());
        timestamps.push_back(frame.startTicks);
        return writer_.AddFrame(frame);
    }
    bool StopRecording() override { return writer_.StopRecording(); }
    bool HasFailed() const override { return writer_.HasFailed(); }
    std::string FailureMessage() const override { return writer_.FailureMessage(); }

    std::vector<std::vector<uint16_t>> frames;
    std::vector<uint64_t> timestamps;

private:
    BaseWriter& writer_;
};

// A simulated IMX174 camera whose frames go straight into a frame processor, one by one
// on the test's thread (the stream worker only moves the bytes).
class DirectPipeline {
public:
    explicit DirectPipeline(int modeIndex) : chain_(7, modeIndex, cameraClock_) {}

    const SimVideoMode& Mode() const { return chain_.mode; }

    // Records `frames` frames into the started writer and stops it; the camera's truth
    // of every frame recorded.
    std::vector<SimFrameTruth> Record(IRecordingSink& sink, int frames) {
        std::vector<SimFrameTruth> truths;
        EXPECT_TRUE(chain_.processor->AttachWriter(&sink));
        std::vector<uint8_t> bytes;
        for (int i = 0; i <= frames; ++i) {
            if (i == frames) chain_.processor->RequestStopRecording();  // taken at the next frame
            SimFrameTruth truth;
            chain_.camera->GenerateFrame(bytes, &truth);
            orva::CameraFrame received = orva::CameraFrame::Received(bytes.data(), static_cast<uint16_t>(chain_.mode.transferWidth), static_cast<uint16_t>(chain_.mode.height));
            chain_.processor->ConsumeFrame(received);
            if (i < frames) truths.push_back(truth);
        }
        EXPECT_FALSE(chain_.processor->IsWriterAttached());
        EXPECT_FALSE(chain_.processor->TakeRecordingFailure().has_value());
        return truths;
    }

private:
    test::ManualClock cameraClock_;
    test::SimulatedProcessingChain chain_;
};

int64_t Ms(int64_t unixNs) { return unixNs / 1000000; }
uint64_t Ticks(int64_t unixNs) { return static_cast<uint64_t>(Ms(unixNs)) * 10000 + kTicksAt1970; }
uint64_t AdvTime(int64_t unixNs) { return static_cast<uint64_t>(Ms(unixNs) - kUnixMsAt2010) * 1000000; }

std::string DateObs(int64_t unixNs) {
    const UtcDateTime t = UtcFromUnixMilliseconds(Ms(unixNs));
    char text[32];
    std::snprintf(text, sizeof(text), "%04d-%02d-%02dT%02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, t.millisecond);
    return text;
}

constexpr int kFrames = 5;
constexpr int kSmallMode = 2;  // 176 x 128
constexpr int kFullMode = 0;   // 1920 x 1200

TEST(RecordingFormatsRoundTrip, Ser) {
    test::LogCapture log;
    test::TempDir dir;
    DirectPipeline pipeline(kSmallMode);
    SerWriter writer;
    const std::string path = dir.File("r.ser");
    ASSERT_TRUE(writer.OpenRecording(path, pipeline.Mode().width, pipeline.Mode().height, 16));
    ASSERT_TRUE(writer.StartRecording(nullptr));
    TeeSink tee(writer);
    const auto truths = pipeline.Record(tee, kFrames);

    SerReader reader;
    ASSERT_TRUE(reader.Open(path)) << reader.Error();
    ASSERT_EQ(reader.FrameCount(), static_cast<uint32_t>(kFrames));
    std::vector<uint16_t> pixels(tee.frames[0].size());
    for (uint32_t i = 0; i < reader.FrameCount(); ++i) {
        ASSERT_TRUE(reader.ReadFrame(i, pixels));
        EXPECT_EQ(pixels, tee.frames[i]) << i;
        EXPECT_EQ(reader.Timestamps()[i], Ticks(truths[i].fromUnixNs)) << i;
    }
    EXPECT_EQ(reader.Header().dateTimeUtc, Ticks(truths[0].fromUnixNs));
    EXPECT_TRUE(log.MessagesStartingWith("E ").empty());
}

TEST(RecordingFormatsRoundTrip, AdvWithAndWithoutCompressionAndZones) {
    struct Case {
        const char* name;
        int mode;
        bool compress;
        std::vector<AdvRegion> zones;
        int frames;
    };
    const std::vector<Case> cases = {
        {"raw", kSmallMode, false, {}, kFrames},
        {"LAGARITH16", kSmallMode, true, {}, kFrames},
        {"raw with zones", kSmallMode, false, {{64, 64, 64, 64}, {0, 0, 64, 64}}, kFrames},
        {"LAGARITH16 with zones", kSmallMode, true, {{64, 64, 64, 64}}, kFrames},
        {"LAGARITH16 at 1920 x 1200", kFullMode, true, {}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::LogCapture log;
        test::TempDir dir;
        DirectPipeline pipeline(c.mode);
        SharedTelescopeState telescope;
        AdvWriter writer(telescope);
        const std::string path = dir.File("r.adv");
        const int width = pipeline.Mode().width;
        ASSERT_TRUE(writer.OpenRecording(path, width, pipeline.Mode().height, 16, c.zones, c.compress));
        ASSERT_TRUE(writer.StartRecording(nullptr));
        TeeSink tee(writer);
        const auto truths = pipeline.Record(tee, c.frames);

        AdvReader reader;
        ASSERT_TRUE(reader.Open(path)) << reader.Error();
        ASSERT_EQ(reader.FrameCount(), static_cast<uint32_t>(c.frames));
        ASSERT_EQ(tee.frames.size(), static_cast<std::size_t>(c.frames));
        for (uint32_t i = 0; i < reader.FrameCount(); ++i) {
            AdvFrame frame;
            ASSERT_TRUE(reader.ReadFrame(i, frame)) << reader.Error();
            std::vector<uint16_t> expected = tee.frames[i];
            if (frame.layout == 2) {
                expected.clear();
                for (const AdvRegion& r : reader.Regions()) {
                    for (int row = r.top; row < r.top + r.height; ++row) {
                        const auto begin = tee.frames[i].begin() + row * width + r.left;
                        expected.insert(expected.end(), begin, begin + r.width);
                    }
                }
            }
            EXPECT_EQ(frame.layout, i > 0 && !c.zones.empty() ? 2 : 1);
            EXPECT_FALSE(frame.stored);  // a star field always codes shorter than raw
            EXPECT_EQ(frame.pixels, expected) << i;
            EXPECT_EQ(frame.start, AdvTime(truths[i].fromUnixNs)) << i;
            EXPECT_EQ(frame.end, AdvTime(truths[i].toUnixNs)) << i;
            EXPECT_EQ(frame.status[1].integer, AdvTime(truths[i].fromUnixNs)) << i;  // SystemTime
            EXPECT_EQ(frame.status[2].integer, static_cast<uint64_t>(truths[i].frameNumber)) << i;
        }
        EXPECT_TRUE(log.MessagesStartingWith("E ").empty());
    }
}

TEST(RecordingFormatsRoundTrip, FitsSequence) {
    test::LogCapture log;
    test::TempDir dir;
    DirectPipeline pipeline(kSmallMode);
    FitsSequenceWriter writer;
    ASSERT_TRUE(writer.OpenRecording(dir.File("seq_[FRAMENR].fits"), pipeline.Mode().width, pipeline.Mode().height, 16));
    ASSERT_TRUE(writer.StartRecording(nullptr));
    TeeSink tee(writer);
    const auto truths = pipeline.Record(tee, kFrames);
    for (int i = 0; i < kFrames; ++i) {
        const auto result = FitsReader().Read(FitsSequenceWriter::FrameFileName(dir.File("seq_[FRAMENR].fits"), i + 1));
        EXPECT_EQ(result->pixels, tee.frames[static_cast<std::size_t>(i)]) << i;
        EXPECT_EQ(result->header->GetValue("DATE-OBS"), DateObs(truths[static_cast<std::size_t>(i)].fromUnixNs)) << i;
    }
    EXPECT_TRUE(log.MessagesStartingWith("E ").empty());
}

}  // namespace
}  // namespace orva
