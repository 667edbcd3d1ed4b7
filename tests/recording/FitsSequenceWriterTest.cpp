#include "recording/FitsSequenceWriter.h"

#include "support/FileSizeLimit.h"
#include "RecordingTestFrames.h"
#include "recording/FitsReader.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace orva {
namespace {

using test::TempDir;
using test::TimedOverlay;

std::vector<std::vector<uint16_t>> Record(FitsSequenceWriter& writer, const std::string& tmpl, int frames,
                                          int width = 16, int height = 4) {
    std::vector<std::vector<uint16_t>> written;
    EXPECT_TRUE(writer.OpenRecording(tmpl, width, height, 16));
    EXPECT_TRUE(writer.StartRecording(nullptr));
    for (int i = 0; i < frames; ++i) {
        written.push_back(test::PatternFrame(width, height, i));
        BinaryOverlay o = TimedOverlay(i, 40 * i);
        o.Temperature = 0x1901;  // a valid reading, which sequences do not record
        EXPECT_TRUE(writer.AddFrame(written.back().data(), 2 * written.back().size(), 0, o));
    }
    EXPECT_TRUE(writer.StopRecording());
    return written;
}

TEST(FitsSequenceWriter, FrameFileNames) {
    struct Case {
        std::string tmpl;
        int number;
        std::string name;
    };
    const std::vector<Case> cases = {
        {"/d/x_0040ms_[FRAMENR].fits", 1, "/d/x_0040ms_00001.fits"},
        {"/d/x_[FRAMENR].fits", 99999, "/d/x_99999.fits"},
        {"/d/x_[FRAMENR].fits", 100000, "/d/x_100000.fits"},
        {"/d/[FRAMENR]/x_[FRAMENR].fits", 7, "/d/00007/x_00007.fits"},
        {"/d/x.fits", 3, "/d/x.fits"},
    };
    for (const Case& c : cases) EXPECT_EQ(FitsSequenceWriter::FrameFileName(c.tmpl, c.number), c.name);
}

TEST(FitsSequenceWriter, OneNumberedFileWithExposureValuesPerFrame) {
    TempDir dir;
    FitsSequenceWriter writer;
    writer.SetRecordingNames({"Jane Doe", "C8", "ORVA+CAM #1234 FW 1.3.5, Sensor IMX174", std::nullopt});
    const auto frames = Record(writer, dir.File("seq_0040ms_[FRAMENR].fits"), 3);
    EXPECT_EQ(writer.GetFormatDescription(), "FITS Sequence 16-bit");
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const auto result = FitsReader().Read(dir.File("seq_0040ms_0000" + std::to_string(i + 1) + ".fits"));
        EXPECT_EQ(result->pixels, frames[static_cast<std::size_t>(i)]);
        const FitsHeaderData& h = *result->header;
        EXPECT_EQ(h.GetValue("DATE-OBS"), "2024-03-01T22:15:07." + std::string(i == 0 ? "000" : i == 1 ? "040" : "080"));
        EXPECT_EQ(h.GetValue("EXPTIME"), "0.040000000");
        EXPECT_EQ(h.GetValue("CCD-TEMP"), "");
        EXPECT_EQ(h.GetValue("OBJECT"), "");
        EXPECT_EQ(h.GetObserver(), "Jane Doe");
        EXPECT_EQ(h.GetTelescop(), "C8");
        EXPECT_EQ(h.GetInstrume(), "ORVA+CAM #1234 FW 1.3.5, Sensor IMX174");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("seq_0040ms_00004.fits")));
}

TEST(FitsSequenceWriter, SecondRecordingNumbersFromOneInItsOwnDirectory) {
    TempDir first;
    TempDir second;
    FitsSequenceWriter writer;
    Record(writer, first.File("a_[FRAMENR].fits"), 2);
    const auto frames = Record(writer, second.File("b_[FRAMENR].fits"), 1);
    EXPECT_EQ(FitsReader().Read(second.File("b_00001.fits"))->pixels, frames[0]);
    EXPECT_FALSE(std::filesystem::exists(second.File("b_00002.fits")));
}

TEST(FitsSequenceWriter, TemplateWithoutPlaceholderKeepsTheLastFrame) {
    TempDir dir;
    FitsSequenceWriter writer;
    const auto frames = Record(writer, dir.File("same.fits"), 3);
    EXPECT_EQ(FitsReader().Read(dir.File("same.fits"))->pixels, frames[2]);
}

TEST(FitsSequenceWriter, UnwritableFrameFileIsLoggedAndTheRecordingGoesOn) {
    test::LogCapture log;
    TempDir dir;
    std::filesystem::create_directory(dir.File("s_00002.fits"));  // frame 2 cannot be created
    FitsSequenceWriter writer;
    const auto frames = Record(writer, dir.File("s_[FRAMENR].fits"), 3);
    EXPECT_FALSE(writer.HasFailed());
    EXPECT_EQ(writer.GetFrameCount(), 3);
    EXPECT_TRUE(log.Contains("E Frame not recorded, FITS sequence file not written: " + dir.File("s_00002.fits") +
                             ": Failed to open FITS file for writing."));
    EXPECT_EQ(FitsReader().Read(dir.File("s_00001.fits"))->pixels, frames[0]);
    EXPECT_EQ(FitsReader().Read(dir.File("s_00003.fits"))->pixels, frames[2]);
}

TEST(FitsSequenceWriter, FullDiskStopsTheRecording) {
    test::LogCapture log;
    TempDir dir;
    const std::string tmpl = dir.File("f_[FRAMENR].fits");
    // Room for the header block of a file, not for its data.
    const int exit = test::RunWithFileSizeLimit(4000, [&] {
        FitsSequenceWriter writer;
        writer.OpenRecording(tmpl, 64, 64, 16);
        if (!writer.StartRecording(nullptr)) return 1;
        const auto frame = test::PatternFrame(64, 64, 0);
        if (writer.AddFrame(frame.data(), 2 * frame.size(), 0, TimedOverlay(1))) return 2;
        if (writer.AddFrame(frame.data(), 2 * frame.size(), 0, TimedOverlay(2))) return 3;
        if (writer.FailureMessage().find("File too large") == std::string::npos) return 4;
        return writer.StopRecording() ? 5 : 0;
    });
    EXPECT_EQ(exit, 0);
    const std::string file1 = dir.File("f_00001.fits");
    EXPECT_EQ(log.MessagesStartingWith("E Recording stopped"),
              std::vector<std::string>{"E Recording stopped, failed to write FITS sequence file: " + file1 +
                                       ": File too large (27)"});
    EXPECT_FALSE(std::filesystem::exists(dir.File("f_00002.fits")));
}

}  // namespace
}  // namespace orva
