// Starting and stopping recordings: the checks before a recording, the names it gets,
// the camera's recording marker and the hand-over to the frame processor; and the frame
// gate that records every n-th frame and ends a recording after frames or a duration.

#include "recording/RecordingControl.h"

#include "camera/CameraExtensionUnit.h"
#include "common/NotificationCenter.h"
#include "recording/SerReader.h"
#include "recording/SerWriter.h"

#include "support/FakeExtensionUnitTransport.h"
#include "support/FakeUiServices.h"
#include "support/LogCapture.h"
#include "support/ManualClock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace orva {
namespace {

using Bytes = test::FakeExtensionUnitTransport::Bytes;

UtcDateTime FixedUtc() { return UtcDateTime{2024, 5, 23, 21, 30, 12, 250}; }

// Records what the frame processor's thread would hand it.
class FakeSink final : public IRecordingSink {
public:
    std::string GetFormatDescription() const override { return "FAKE 16-bit"; }
    int32_t GetFrameCount() const override { return static_cast<int32_t>(frames.size()); }
    bool AddFrame(const CameraFrame& frame) override {
        if (failWrites) return false;
        if (frame.PixelBytes() != 8) return true;  // refused as a wrong size, as the writers do
        frames.push_back(frame.timing.FrameNr);
        timestamps.push_back(frame.startTicks);
        return true;
    }
    bool StopRecording() override {
        ++stops;
        return true;
    }
    bool HasFailed() const override { return failWrites; }
    std::string FailureMessage() const override { return failWrites ? "disk full" : ""; }

    std::vector<int32_t> frames;
    std::vector<uint64_t> timestamps;
    bool failWrites = false;
    int stops = 0;
};

class RecordingControlTest : public ::testing::Test {
protected:
    RecordingControlTest() {
        settings.SerDirectory = dir.File("ser");
        settings.AdvDirectory = dir.File("adv");
        settings.FitsDirectory = dir.File("fits");
        settings.DarkFramesDirectory = dir.File("dark");
        settings.FlatFramesDirectory = dir.File("flat");
        settings.CreateStatusCsvFile.Set(true);
        for (const char* d : {"ser", "adv", "fits", "dark", "flat"}) std::filesystem::create_directory(dir.File(d));
        camera.connected = true;
        camera.streaming = true;
        camera.extensionUnit = extensionUnit.get();
        camera.width = 1920;
        camera.height = 1200;
        camera.gainText = "+12 dB";
        camera.exposureText = "40";
    }

    static FrameProcessorOptions ProcessorOptions() {
        FrameProcessorOptions o;
        o.threadCount = 1;
        return o;
    }
    std::vector<Bytes> RecordingMarkers() const { return transport->Writes(CameraExtensionUnit::kSelectorCommand); }

    test::LogCapture log;
    test::TempDir dir;
    test::ManualClock clock;
    std::shared_ptr<test::FakeExtensionUnitTransport> transport = std::make_shared<test::FakeExtensionUnitTransport>(clock);
    std::unique_ptr<CameraExtensionUnit> extensionUnit = CameraExtensionUnit::Create(transport, clock);
    Settings settings{dir.Path(), NotificationCenter::Instance()};
    FrameProcessor processor{ProcessorOptions()};
    test::FakeUiServices ui;
    RecordingControl control{settings, processor, ui, &FixedUtc};
    RecordingCamera camera;
};

TEST_F(RecordingControlTest, NamesRecordingsAndTheirCsvInTheFormatsFolder) {
    const std::string base = "20240523_213012_1920x1200_G12dB_0040ms";
    const auto ser = control.PrepareRecording(RecordingFormat::Ser, camera);
    ASSERT_TRUE(ser);
    EXPECT_EQ(ser->recordingPath, dir.File("ser/" + base + ".ser"));
    EXPECT_EQ(ser->statusCsvPath, dir.File("ser/" + base + ".csv"));
    settings.AdvDirectory += "/";  // a configured separator is not doubled
    const auto adv = control.PrepareRecording(RecordingFormat::Adv, camera);
    ASSERT_TRUE(adv);
    EXPECT_EQ(adv->recordingPath, dir.File("adv/" + base + ".adv"));

    settings.CreateStatusCsvFile.Set(false);
    const auto fits = control.PrepareRecording(RecordingFormat::FitsSequence, camera);
    ASSERT_TRUE(fits);
    const std::string folder = dir.File("fits/20240523_213012_FITS_Sequence");
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(fits->recordingPath, folder + "/" + base + "_[FRAMENR].fits");
    EXPECT_EQ(fits->statusCsvPath, "");
    // The same second again: a sub-folder of its own.
    EXPECT_TRUE(control.PrepareRecording(RecordingFormat::FitsSequence, camera));
    EXPECT_TRUE(ui.messages.empty());
}

// Two sequences or captures in one second (or two darks of one day) never share a name:
// the second gets "_2", and what the first left there is not touched.
TEST_F(RecordingControlTest, SecondSequenceFolderAndCaptureOfTheSameNameAreNumbered) {
    const std::string folder = dir.File("fits/20240523_213012_FITS_Sequence");
    std::filesystem::create_directory(folder);
    test::WriteFile(folder + "/kept.fits", "first");
    const auto fits = control.PrepareRecording(RecordingFormat::FitsSequence, camera);
    ASSERT_TRUE(fits);
    EXPECT_EQ(fits->recordingPath, folder + "_2/20240523_213012_1920x1200_G12dB_0040ms_[FRAMENR].fits");
    EXPECT_TRUE(std::filesystem::is_directory(folder + "_2"));
    EXPECT_EQ(test::ReadFile(folder + "/kept.fits"), "first");

    struct Case {
        char kind;
        std::string first;
    };
    const std::vector<Case> cases = {
        {'D', dir.File("dark/D20240523_1920_12dB_0040ms")},
        {'F', dir.File("flat/F20240523_1920_12dB_0040ms")},
        {0, dir.File("fits/20240523_213012_1920x1200_G12dB_0040ms")},
        {'P', dir.File("fits/P20240523_213012_1920x1200_G12dB_0040ms")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first);
        test::WriteFile(c.first + ".fits", "old image");
        // The name is claimed when it is given out, so the next capture cannot take it.
        EXPECT_EQ(control.PrepareCapturePath(c.kind, camera), c.first + "_2.fits");
        EXPECT_EQ(control.PrepareCapturePath(c.kind, camera), c.first + "_3.fits");
        EXPECT_EQ(test::ReadFile(c.first + ".fits"), "old image");
        EXPECT_TRUE(std::filesystem::exists(c.first + "_2.fits"));
    }
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(log.Contains("W File name in use, capturing into: " + dir.File("dark/D20240523_1920_12dB_0040ms_2.fits")));
}

TEST_F(RecordingControlTest, RefusesWithoutFolderCameraOrWhileRecording) {
    struct Case {
        RecordingFormat format;
        std::string* folder;
        const char* title;
        const char* text;
    };
    const Case cases[] = {
        {RecordingFormat::Ser, &settings.SerDirectory, "SER files directory not found",
         "The SER files directory doesn't exist or isn't configured. Please check the settings."},
        {RecordingFormat::Adv, &settings.AdvDirectory, "ADV files directory not found",
         "The ADV files directory doesn't exist or isn't configured. Please check the settings."},
        {RecordingFormat::FitsSequence, &settings.FitsDirectory, "FITS files directory not found",
         "The FITS files directory doesn't exist or isn't configured. Please check the settings."},
    };
    for (const Case& c : cases) {
        for (const std::string& folder : {std::string(), dir.File("missing")}) {
            const std::string kept = *c.folder;
            *c.folder = folder;
            ui.messages.clear();
            EXPECT_FALSE(control.PrepareRecording(c.format, camera));
            EXPECT_EQ(ui.messages, (std::vector<test::FakeUiServices::Message>{{c.title, c.text, MessageIcon::Error}}));
            *c.folder = kept;
        }
    }

    // A FITS sequence whose sub-folder cannot be made (a file is in the way).
    test::WriteFile(dir.File("fits/20240523_213012_FITS_Sequence"), "x");
    ui.messages.clear();
    EXPECT_FALSE(control.PrepareRecording(RecordingFormat::FitsSequence, camera));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Directory error");
    EXPECT_EQ(ui.messages[0].text, "Failed to create a subdirectory for the FITS sequence. Please check the permissions.");

    // No camera or no stream: nothing happens, silently.
    ui.messages.clear();
    RecordingCamera idle = camera;
    idle.streaming = false;
    EXPECT_FALSE(control.PrepareRecording(RecordingFormat::Ser, idle));
    idle = camera;
    idle.connected = false;
    EXPECT_FALSE(control.PrepareRecording(RecordingFormat::Ser, idle));
    EXPECT_TRUE(ui.messages.empty());

    // While another recording runs.
    FakeSink running;
    ASSERT_TRUE(processor.AttachWriter(&running));
    EXPECT_FALSE(control.PrepareRecording(RecordingFormat::Ser, camera));
    EXPECT_EQ(ui.messages, (std::vector<test::FakeUiServices::Message>{
                               {"Error", "Already recording, please stop the current recording first.",
                                MessageIcon::Error}}));
}

TEST_F(RecordingControlTest, StartSetsTheMarkerAndHandsTheWriterOverStopClearsIt) {
    const auto target = control.PrepareRecording(RecordingFormat::Ser, camera);
    ASSERT_TRUE(target);
    SerWriter writer;
    ASSERT_TRUE(writer.OpenRecording(target->recordingPath, 1920, 1200, 16));
    writer.SetStatusFileName(target->statusCsvPath);
    ASSERT_TRUE(control.StartRecording(writer, camera, std::nullopt));
    EXPECT_TRUE(writer.IsRecording());
    EXPECT_TRUE(processor.IsWriterAttached());
    EXPECT_EQ(RecordingMarkers(), (std::vector<Bytes>{{0x72, 1, 0, 0, 0}}));
    // A second start while this one runs changes nothing.
    SerWriter other;
    EXPECT_FALSE(control.StartRecording(other, camera, std::nullopt));
    EXPECT_FALSE(other.IsRecording());

    control.StopRecording(camera);
    EXPECT_TRUE(control.StopPending());
    EXPECT_EQ(RecordingMarkers(), (std::vector<Bytes>{{0x72, 1, 0, 0, 0}, {0x72, 0, 0, 0, 0}}));
    EXPECT_TRUE(std::filesystem::exists(target->statusCsvPath));
    EXPECT_TRUE(log.MessagesStartingWith("E ").empty());
}

TEST_F(RecordingControlTest, MarkerFailuresAndUnreachableCameras) {
    SerWriter writer;
    ASSERT_TRUE(writer.OpenRecording(dir.File("ser/a.ser"), 8, 2, 16));
    // The camera refuses the marker: logged, and the recording goes on.
    transport->QueueWriteResult(-5);
    ASSERT_TRUE(control.StartRecording(writer, camera, std::nullopt));
    EXPECT_EQ(log.MessagesStartingWith("E CameraExtensionUnit::SetRecording failed:").size(), 1u);
    EXPECT_TRUE(processor.IsWriterAttached());

    RecordingCamera gone = camera;
    gone.extensionUnit = nullptr;
    control.StopRecording(gone);
    EXPECT_TRUE(log.Contains("E Can't stop recording, camera access failed"));
    EXPECT_TRUE(control.StopPending());

    // Without the camera nothing starts.
    FrameProcessor idleProcessor{ProcessorOptions()};
    RecordingControl idleControl{settings, idleProcessor, ui, &FixedUtc};
    SerWriter second;
    ASSERT_TRUE(second.OpenRecording(dir.File("ser/b.ser"), 8, 2, 16));
    EXPECT_FALSE(idleControl.StartRecording(second, gone, std::nullopt));
    EXPECT_TRUE(log.Contains("E Can't start recording, camera access failed"));
    EXPECT_FALSE(second.IsRecording());
    EXPECT_FALSE(idleProcessor.IsWriterAttached());
}

TEST_F(RecordingControlTest, CapturePathsAndTheirFolders) {
    EXPECT_EQ(control.PrepareCapturePath(0, camera), dir.File("fits/20240523_213012_1920x1200_G12dB_0040ms.fits"));
    EXPECT_EQ(control.PrepareCapturePath('P', camera), dir.File("fits/P20240523_213012_1920x1200_G12dB_0040ms.fits"));
    EXPECT_EQ(control.PrepareCapturePath('D', camera), dir.File("dark/D20240523_1920_12dB_0040ms.fits"));
    EXPECT_EQ(control.PrepareCapturePath('F', camera), dir.File("flat/F20240523_1920_12dB_0040ms.fits"));

    settings.FitsDirectory.clear();
    settings.DarkFramesDirectory = dir.File("none");
    settings.FlatFramesDirectory.clear();
    EXPECT_FALSE(control.PrepareCapturePath(0, camera));
    EXPECT_FALSE(control.PrepareCapturePath('D', camera));
    EXPECT_FALSE(control.PrepareCapturePath('F', camera));
    const std::vector<test::FakeUiServices::Message> expected = {
        {"Directory not found", "The FITS files directory doesn't exist or isn't configured. Please check the settings.",
         MessageIcon::Error},
        {"Directory not found", "The dark frames directory doesn't exist or isn't configured. Please check the settings.",
         MessageIcon::Error},
        {"Directory not found", "The flat frames directory doesn't exist or isn't configured. Please check the settings.",
         MessageIcon::Error},
    };
    EXPECT_EQ(ui.messages, expected);
}

// Offers frames of `width` x 2 pixels numbered 1..count, one frame period (2 ms) apart,
// to the gate.
int Offer(RecordingFrameGate& gate, int count, int width = 2) {
    uint16_t pixels[6] = {};
    CameraFrame frame;
    frame.pixels = pixels;
    frame.width = width;
    frame.height = 2;
    int accepted = 0;
    for (int n = 1; n <= count; ++n) {
        frame.timing.FrameNr = n;
        frame.startTicks = 1000000000ULL + static_cast<uint64_t>(n - 1) * 20000;
        accepted += gate.AddFrame(frame);
    }
    return accepted;
}

TEST(RecordingFrameGateTest, IntervalsAndLimits) {
    struct Case {
        RecordingGateOptions options;
        int offered;
        std::vector<int32_t> written;
        bool limitReached;
    };
    const Case cases[] = {
        {{1, 0, 0}, 5, {1, 2, 3, 4, 5}, false},
        {{3, 0, 0}, 10, {1, 4, 7, 10}, false},
        {{0, 0, 0}, 3, {1, 2, 3}, false},  // an interval below 1 counts as 1
        {{1, 4, 0}, 10, {1, 2, 3, 4}, true},
        {{2, 3, 0}, 10, {1, 3, 5}, true},
        // 10 ms of exposure starts: frames starting at 0, 2, 4, 6 and 8 ms.
        {{1, 0, 100000}, 10, {1, 2, 3, 4, 5}, true},
        {{1, 0, 100000}, 5, {1, 2, 3, 4, 5}, false},
        {{2, 0, 100000}, 10, {1, 3, 5}, true},
        {{1, 2, 100000}, 10, {1, 2}, true},
        // A window of frame time: frames 3 (starting at 4 ms) to 6; frame 7 starts at its end.
        {{1, 0, 0, 1000040000, 1000120000}, 10, {3, 4, 5, 6}, true},
        {{2, 0, 0, 1000040000, 1000120000}, 10, {3, 5}, true},  // every n-th counted inside it
        {{1, 0, 0, 1000140000, 0}, 10, {8, 9, 10}, false},
        {{1, 0, 0, 0, 1000020000}, 10, {1}, true},
    };
    for (const Case& c : cases) {
        FakeSink sink;
        RecordingFrameGate gate;
        int limitCalls = 0;
        gate.Reset(sink, c.options, [&] { ++limitCalls; });
        EXPECT_EQ(Offer(gate, c.offered), c.offered) << "frames past the end are dropped, not failed";
        EXPECT_EQ(sink.frames, c.written);
        EXPECT_EQ(gate.FramesWritten(), static_cast<int64_t>(c.written.size()));
        EXPECT_EQ(gate.BytesWritten(), 8 * c.written.size());
        EXPECT_EQ(gate.LimitReached(), c.limitReached);
        EXPECT_EQ(limitCalls, c.limitReached ? 1 : 0);
    }
}

TEST(RecordingFrameGateTest, RefusedAndFailedFramesAreNotCounted) {
    FakeSink sink;
    RecordingFrameGate gate;
    gate.Reset(sink, {1, 2, 0}, nullptr);
    Offer(gate, 3, 3);  // wrong size: the writer refuses them
    EXPECT_EQ(gate.FramesWritten(), 0);
    EXPECT_FALSE(gate.LimitReached());
    sink.failWrites = true;
    EXPECT_EQ(Offer(gate, 1), 0);
    EXPECT_TRUE(gate.HasFailed());
    EXPECT_EQ(gate.FailureMessage(), "disk full");
    EXPECT_EQ(gate.FramesWritten(), 0);

    // Reset starts the next recording from nothing.
    FakeSink next;
    gate.Reset(next, {1, 2, 0}, nullptr);
    Offer(gate, 5);
    EXPECT_EQ(next.frames, (std::vector<int32_t>{1, 2}));
    EXPECT_TRUE(gate.StopRecording());
    EXPECT_EQ(next.stops, 1);
    EXPECT_EQ(gate.GetFormatDescription(), "FAKE 16-bit");
}

}  // namespace
}  // namespace orva
