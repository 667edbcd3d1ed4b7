// What happens to the files around a recording: nothing existing is ever overwritten,
// no program the station starts inherits an open file, a replaced capture is whole or
// untouched, and the background sync reaches the disk without the frame thread.

#include "common/Log.h"
#include "processing/GpsLog.h"
#include "recording/AdvWriter.h"
#include "recording/BackgroundFileSync.h"
#include "recording/FitsCaptureSink.h"
#include "recording/FitsReader.h"
#include "recording/FitsSequenceWriter.h"
#include "recording/FitsWriter.h"
#include "recording/SerWriter.h"
#include "support/FileSizeLimit.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace orva {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

BinaryOverlay Frame(int32_t frameNr) {
    BinaryOverlay o;
    o.Valid = true;
    o.FrameNr = frameNr;
    o.FromTime = {2024, 3, 0, 1, 22, 15, 7, 123};
    o.ToTime = {2024, 3, 0, 1, 22, 15, 7, 163};
    return o;
}

// Opens the format's writer on the path; null when it could not be opened.
using OpenWriter = std::function<std::unique_ptr<BaseWriter>(const std::string& path)>;

struct FormatCase {
    const char* name;
    const char* extension;
    OpenWriter open;
};

std::vector<FormatCase> FormatCases(SharedTelescopeState& telescope) {
    return {
        {"SER", "ser", [](const std::string& path) -> std::unique_ptr<BaseWriter> {
             auto w = std::make_unique<SerWriter>();
             w->OpenRecording(path, 4, 2, 16);
             return w;
         }},
        {"ADV", "adv", [&telescope](const std::string& path) -> std::unique_ptr<BaseWriter> {
             auto w = std::make_unique<AdvWriter>(telescope);
             w->OpenRecording(path, 4, 2, 16, {}, false);
             return w;
         }},
    };
}

// Records two frames; the writer's files are closed after it.
void RecordTwoFrames(BaseWriter& writer) {
    ASSERT_TRUE(writer.StartRecording(nullptr));
    const std::vector<uint16_t> pixels(8, 100);
    EXPECT_TRUE(writer.AddFrame(pixels.data(), 16, 1000, Frame(1)));
    EXPECT_TRUE(writer.AddFrame(pixels.data(), 16, 2000, Frame(2)));
    EXPECT_TRUE(writer.StopRecording());
}

TEST(RecordingFiles, RecordingAndCsvBesideFilesOfTheirNamesAreNumberedAndLeaveThemAlone) {
    SharedTelescopeState telescope;
    for (const FormatCase& c : FormatCases(telescope)) {
        SCOPED_TRACE(c.name);
        test::LogCapture log;
        TempDir dir;
        const std::string path = dir.File(std::string("r.") + c.extension);
        WriteFile(path, "an earlier recording");
        WriteFile(dir.File("r.csv"), "its CSV");
        WriteFile(dir.File("r_2.csv"), "a CSV without recording");

        auto writer = c.open(path);
        ASSERT_FALSE(writer->HasFailed());
        writer->SetStatusFileName(dir.File("r.csv"));
        RecordTwoFrames(*writer);
        EXPECT_EQ(writer->RecordingFilePath(), dir.File(std::string("r_2.") + c.extension));
        // The CSV follows the recording's number, and passes over what is taken.
        EXPECT_EQ(writer->StatusFilePath(), dir.File("r_3.csv"));
        EXPECT_EQ(ReadFile(path), "an earlier recording");
        EXPECT_EQ(ReadFile(dir.File("r.csv")), "its CSV");
        EXPECT_EQ(ReadFile(dir.File("r_2.csv")), "a CSV without recording");
        EXPECT_GT(ReadFile(writer->RecordingFilePath()).size(), 100u);
        EXPECT_EQ(ReadFile(writer->StatusFilePath()).substr(0, 8), "FrameNr;");
        EXPECT_TRUE(log.Contains("W File name in use, recording into: " + writer->RecordingFilePath()));

        // The same writer once more: the next number.
        auto again = c.open(path);
        again->SetStatusFileName(dir.File("r.csv"));
        RecordTwoFrames(*again);
        EXPECT_EQ(again->RecordingFilePath(), dir.File(std::string("r_3.") + c.extension));
        EXPECT_EQ(again->StatusFilePath(), dir.File("r_4.csv"));
    }
}

TEST(RecordingFiles, FreeNameIsUsedAsGiven) {
    TempDir dir;
    SerWriter writer;
    ASSERT_TRUE(writer.OpenRecording(dir.File("a.ser"), 4, 2, 16));
    writer.SetStatusFileName(dir.File("a.csv"));
    RecordTwoFrames(writer);
    EXPECT_EQ(writer.RecordingFilePath(), dir.File("a.ser"));
    EXPECT_EQ(writer.StatusFilePath(), dir.File("a.csv"));
}

// What a child program started now would hold open: the targets of its descriptors.
std::string FilesSeenByChild(const TempDir& dir) {
    const std::string listing = dir.File("child-fds.txt");
    // The shell lists its own descriptors; it inherited all that were not close-on-exec.
    const std::string command = "ls -l /proc/$$/fd > '" + listing + "' 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return ReadFile(listing);
}

TEST(RecordingFiles, NoOpenFileIsInheritedByAChildProgram) {
    test::LogCapture log;  // the application log is open
    TempDir dir;
    GpsLog gpsLog;
    gpsLog.InitGpsLog(dir.Path(), true);
    ASSERT_TRUE(gpsLog.IsOpen());
    SerWriter writer;
    ASSERT_TRUE(writer.OpenRecording(dir.File("rec.ser"), 4, 2, 16));
    writer.SetStatusFileName(dir.File("rec.csv"));
    ASSERT_TRUE(writer.StartRecording(nullptr));

    const std::string seen = FilesSeenByChild(dir);
    ASSERT_NE(seen.find("child-fds.txt"), std::string::npos) << seen;  // the listing itself worked
    for (const std::string& file : {dir.File("rec.ser"), dir.File("rec.csv"), gpsLog.FilePath(), LogFilePath()}) {
        ASSERT_FALSE(file.empty());
        EXPECT_EQ(seen.find(file), std::string::npos) << file << " is inherited:\n" << seen;
    }
    EXPECT_TRUE(writer.StopRecording());
}

TEST(RecordingFiles, FitsFileOfASequenceNeverReplacesAnExistingFile) {
    test::LogCapture log;
    TempDir dir;
    WriteFile(dir.File("s_00002.fits"), "not this recording's");
    FitsSequenceWriter writer;
    ASSERT_TRUE(writer.OpenRecording(dir.File("s_[FRAMENR].fits"), 4, 2, 16));
    ASSERT_TRUE(writer.StartRecording(nullptr));
    const std::vector<uint16_t> pixels(8, 100);
    for (int32_t n = 1; n <= 3; ++n) EXPECT_TRUE(writer.AddFrame(pixels.data(), 16, 0, Frame(n)));
    EXPECT_TRUE(writer.StopRecording());
    EXPECT_EQ(ReadFile(dir.File("s_00002.fits")), "not this recording's");
    EXPECT_TRUE(FitsReader().Read(dir.File("s_00003.fits")));
    EXPECT_TRUE(log.Contains("E Frame not recorded, FITS sequence file not written: " + dir.File("s_00002.fits") +
                             ": Failed to open FITS file for writing."));
}

void FillSize(FitsHeaderData& header, int width, int height) {
    header.SetNaxis1(width);
    header.SetNaxis2(height);
    header.SetBitpix(16);
}

// The files in the folder, by name.
std::vector<std::string> FolderContents(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(RecordingFiles, ReplacedCaptureIsWholeAndAFailedOneLeavesTheOldFileAndNoTemporary) {
    TempDir dir;
    const std::string path = dir.File("D20240523_1920_12dB_0040ms.fits");
    WriteFile(path, "the earlier dark");

    // A file-size limit lets the header and part of the data through, then the write fails.
    const int exitCode = test::RunWithFileSizeLimit(2880 + 1000, [&] {
        FitsWriter writer(path, FitsWriter::Creation::ReplaceWhole);
        FillSize(writer.GetHeaderData(), 640, 480);
        const std::vector<uint16_t> pixels(640 * 480, 1000);
        try {
            writer.WriteFile(pixels.data());
        } catch (const std::logic_error& e) {
            return std::string(e.what()) == "Failed to write FITS file." ? 0 : 1;
        }
        return 2;
    });
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(ReadFile(path), "the earlier dark");
    EXPECT_EQ(FolderContents(dir), std::vector<std::string>{"D20240523_1920_12dB_0040ms.fits"});

    FitsWriter writer(path, FitsWriter::Creation::ReplaceWhole);
    FillSize(writer.GetHeaderData(), 4, 2);
    const std::vector<uint16_t> pixels = {1, 2, 3, 4, 5, 6, 7, 8};
    writer.WriteFile(pixels.data());
    EXPECT_EQ(FitsReader().Read(path)->pixels, pixels);
    EXPECT_EQ(FolderContents(dir), std::vector<std::string>{"D20240523_1920_12dB_0040ms.fits"});
}

TEST(RecordingFiles, NewFitsFileRefusesAnExistingName) {
    test::LogCapture log;
    TempDir dir;
    WriteFile(dir.File("a.fits"), "kept");
    FitsWriter writer(dir.File("a.fits"));
    FillSize(writer.GetHeaderData(), 1, 1);
    const uint16_t pixel = 0;
    EXPECT_THROW(writer.WriteFile(&pixel), std::logic_error);
    EXPECT_EQ(ReadFile(dir.File("a.fits")), "kept");
    EXPECT_EQ(log.MessagesStartingWith("E "),
              std::vector<std::string>{"E Failed to open FITS file for writing: " + dir.File("a.fits") +
                                       ": File exists (17)"});
}

TEST(RecordingFiles, CaptureThatEndsWithoutImageRemovesOnlyItsEmptyClaim) {
    TempDir dir;
    WriteFile(dir.File("claim.fits"), "");
    { FitsCaptureSink cancelled(dir.File("claim.fits"), {}, ""); }
    EXPECT_FALSE(std::filesystem::exists(dir.File("claim.fits")));

    WriteFile(dir.File("other.fits"), "someone else's");
    { FitsCaptureSink cancelled(dir.File("other.fits"), {}, ""); }
    EXPECT_EQ(ReadFile(dir.File("other.fits")), "someone else's");

    WriteFile(dir.File("done.fits"), "");
    {
        FitsCaptureSink sink(dir.File("done.fits"), {}, "");
        sink.FillStaticHeader(4, 2);
        const std::vector<uint16_t> pixels(8, 7);
        sink.WriteFile(pixels.data());
    }
    EXPECT_EQ(FitsReader().Read(dir.File("done.fits"))->pixels, std::vector<uint16_t>(8, 7));
}

// Polls until the condition holds or a generous deadline passes.
bool WaitFor(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

TEST(BackgroundFileSync, SyncsWhenTheByteThresholdIsCrossedAndKeepsTheFirstFailure) {
    TempDir dir;
    const int fd = ::open(dir.File("f").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    {
        // An interval far beyond the test: only the byte count can start a sync.
        BackgroundFileSync sync(std::chrono::hours(1), 1000);
        sync.Start({{fd, BackgroundFileSync::Scope::File}});
        sync.NoteWritten(999);
        sync.NoteWritten(1);
        EXPECT_TRUE(WaitFor([&] { return sync.SyncCount() >= 1; }));
        EXPECT_EQ(sync.Error(), 0);
        sync.Stop();
        EXPECT_FALSE(sync.IsRunning());
    }
    int pipeFds[2];
    ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
    {
        // A pipe cannot be synced: the failure is kept for the writer.
        BackgroundFileSync sync(std::chrono::milliseconds(1), 1u << 30);
        sync.Start({{fd, BackgroundFileSync::Scope::File}, {pipeFds[0], BackgroundFileSync::Scope::File}});
        EXPECT_TRUE(WaitFor([&] { return sync.Error() != 0; }));
        EXPECT_EQ(sync.Error(), ESPIPE);
    }
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    ::close(fd);
}

}  // namespace
}  // namespace orva
