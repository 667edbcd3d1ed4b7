#include "recording/BaseWriter.h"

#include "support/FileSizeLimit.h"
#include "processing/GpsStatusCsv.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace orva {
namespace {

using test::ReadFile;
using test::TempDir;

// A minimal format: "HDR" and the width, the frames' bytes as given, the frame count.
class TestWriter : public BaseWriter {
public:
    std::string GetFormatDescription() const override { return "TEST " + std::to_string(BitDepth()) + "-bit"; }
    bool OpenRecording(const std::string& fileName, int width, int height) { return Open(fileName, width, height, 16); }

    // The primitives, reachable from the tests.
    using BaseWriter::WriteBytes;
    using BaseWriter::WriteFloat32;
    using BaseWriter::WriteString;
    using BaseWriter::WriteTag;
    using BaseWriter::WriteUInt16;
    using BaseWriter::WriteUInt32;
    using BaseWriter::WriteUInt64;
    using BaseWriter::WriteUInt8;

    bool writeHeader = true;

protected:
    void WriteHeader() override {
        if (!writeHeader) return;
        WriteBytes("HDR", 3);
        WriteUInt32(static_cast<uint32_t>(Width()));
    }
    void WriteFrame(const uint16_t* pixels, uint64_t byteCount, uint64_t, const BinaryOverlay&) override {
        WriteBytes(pixels, byteCount);
    }
    void WriteTrailer() override {
        if (writeHeader) WriteUInt32(static_cast<uint32_t>(GetFrameCount()));
    }
};

BinaryOverlay Frame(int32_t frameNr) {
    BinaryOverlay o;
    o.Valid = true;
    o.FrameNr = frameNr;
    o.FromTime = {2024, 3, 0, 1, 22, 15, 7, 123};
    o.ToTime = {2024, 3, 0, 1, 22, 15, 7, 163};
    o.FixState = 3;
    o.NofSats = 9;
    o.Lat = 481234567;
    o.Lon = -81234567;
    return o;
}

std::string CsvLine(const BinaryOverlay& o) {
    char line[kGpsStatusCsvLineCapacity];
    return std::string(line, FormatGpsStatusCsvLine(o, line));
}

std::string HeaderBytes(uint32_t width) { return std::string("HDR") + std::string(reinterpret_cast<const char*>(&width), 4); }

// Bytes a primitive writes, between a header-less start and stop.
std::string Written(void (*write)(TestWriter&)) {
    TempDir dir;
    TestWriter writer;
    writer.writeHeader = false;
    writer.OpenRecording(dir.File("p.bin"), 1, 1);
    writer.StartRecording(nullptr);
    write(writer);
    writer.StopRecording();
    return ReadFile(dir.File("p.bin"));
}

TEST(BaseWriter, PrimitivesWriteLittleEndianBytes) {
    struct Case {
        const char* name;
        void (*write)(TestWriter&);
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"uint8", [](TestWriter& w) { w.WriteUInt8(0xAB); }, "\xAB"},
        {"uint16", [](TestWriter& w) { w.WriteUInt16(0x1234); }, "\x34\x12"},
        {"uint32", [](TestWriter& w) { w.WriteUInt32(0x12345678); }, "\x78\x56\x34\x12"},
        {"uint64", [](TestWriter& w) { w.WriteUInt64(0x0102030405060708ULL); }, "\x08\x07\x06\x05\x04\x03\x02\x01"},
        {"float32", [](TestWriter& w) { w.WriteFloat32(1.0f); }, std::string("\x00\x00\x80\x3F", 4)},
        {"string", [](TestWriter& w) { w.WriteString("A\x7F"); }, std::string("\x02\x00" "A?", 4)},
        {"empty string", [](TestWriter& w) { w.WriteString(""); }, std::string("\x00\x00", 2)},
        {"8-bit bytes kept", [](TestWriter& w) { w.WriteString("\xC3\xA4"); }, std::string("\x02\x00\xC3\xA4", 4)},
        {"tag", [](TestWriter& w) { w.WriteTag("K", "vv"); }, std::string("\x01\x00K\x02\x00vv", 7)},
    };
    for (const Case& c : cases) EXPECT_EQ(Written(c.write), c.expected) << c.name;
}

TEST(BaseWriter, OverlongStringIsCutOnACharacterBoundaryWithItsLength) {
    struct Case {
        const char* name;
        std::string text;
        std::size_t length;
    };
    const std::string euro = "\xE2\x82\xAC";
    const std::vector<Case> cases = {
        {"65535 bytes", std::string(65535, 'a'), 65535},
        {"ASCII", std::string(70000, 'a'), 65535},
        // A three-byte character over the limit is left out whole.
        {"split character", std::string(65534, 'a') + euro + "b", 65534},
        {"character ends at the limit", std::string(65532, 'a') + euro + "b", 65535},
    };
    for (const Case& c : cases) {
        TempDir dir;
        TestWriter writer;
        writer.writeHeader = false;
        writer.OpenRecording(dir.File("s.bin"), 1, 1);
        writer.StartRecording(nullptr);
        writer.WriteString(c.text);
        writer.StopRecording();
        const std::string file = ReadFile(dir.File("s.bin"));
        ASSERT_EQ(file.size(), 2 + c.length) << c.name;
        EXPECT_EQ(static_cast<unsigned char>(file[0]) | static_cast<unsigned char>(file[1]) << 8, c.length) << c.name;
        EXPECT_EQ(file.substr(2), c.text.substr(0, c.length)) << c.name;
    }
}

TEST(BaseWriter, RecordingWritesHeaderFramesTrailerAndTheStatusFile) {
    TempDir dir;
    TestWriter writer;
    ASSERT_TRUE(writer.OpenRecording(dir.File("r.bin"), 2, 1));
    writer.SetStatusFileName(dir.File("r.csv"));
    ASSERT_TRUE(writer.StartRecording(nullptr));
    EXPECT_TRUE(writer.IsRecording());
    EXPECT_EQ(writer.GetFormatDescription(), "TEST 16-bit");
    const uint16_t frames[2][2] = {{0x0102, 0x0304}, {0x0506, 0x0708}};
    BinaryOverlay noFix = Frame(8);
    noFix.FixState = 0;
    EXPECT_TRUE(writer.AddFrame(frames[0], 4, 0, Frame(7)));
    EXPECT_TRUE(writer.AddFrame(frames[1], 4, 0, noFix));
    EXPECT_EQ(writer.GetFrameCount(), 2);
    EXPECT_TRUE(writer.StopRecording());
    EXPECT_FALSE(writer.IsRecording());
    EXPECT_FALSE(writer.HasFailed());

    EXPECT_EQ(ReadFile(dir.File("r.bin")),
              HeaderBytes(2) + std::string("\x02\x01\x04\x03\x06\x05\x08\x07", 8) + std::string("\x02\0\0\0", 4));
    EXPECT_EQ(ReadFile(dir.File("r.csv")), std::string(kGpsStatusCsvHeader) + CsvLine(Frame(7)) + CsvLine(noFix));
    EXPECT_NE(CsvLine(noFix).find(";0;9;0;;;0.000;0.00;"), std::string::npos);
}

TEST(BaseWriter, SecondRecordingCountsFromZeroInItsOwnFile) {
    TempDir dir;
    TestWriter writer;
    const uint16_t pixel = 0;
    writer.OpenRecording(dir.File("one.bin"), 1, 1);
    writer.StartRecording(nullptr);
    for (int i = 0; i < 3; ++i) writer.AddFrame(&pixel, 2, 0, Frame(i));
    writer.StopRecording();
    writer.OpenRecording(dir.File("two.bin"), 1, 1);
    writer.StartRecording(nullptr);
    EXPECT_EQ(writer.GetFrameCount(), 0);
    writer.AddFrame(&pixel, 2, 0, Frame(100));
    EXPECT_EQ(writer.GetFrameCount(), 1);
    writer.StopRecording();
    EXPECT_EQ(ReadFile(dir.File("two.bin")), HeaderBytes(1) + std::string("\0\0\x01\0\0\0", 6));
}

TEST(BaseWriter, MissedFramesAreWarnedForForwardGapsOnly) {
    struct Case {
        const char* name;
        std::vector<int32_t> counters;
        std::vector<std::string> warnings;
    };
    const std::vector<Case> cases = {
        {"first frame", {500}, {}},
        {"gap", {10, 11, 15}, {"W Missed one or more frames (start, len):  12 3"}},
        {"repeat", {10, 11, 11}, {}},
        {"backwards", {10, 9}, {}},
        {"two gaps", {1, 3, 4, 10}, {"W Missed one or more frames (start, len):  2 1",
                                     "W Missed one or more frames (start, len):  5 5"}},
    };
    for (const Case& c : cases) {
        test::LogCapture log;
        TempDir dir;
        TestWriter writer;
        writer.OpenRecording(dir.File("m.bin"), 1, 1);
        writer.StartRecording(nullptr);
        const uint16_t pixel = 0;
        for (int32_t counter : c.counters) writer.AddFrame(&pixel, 2, 0, Frame(counter));
        writer.StopRecording();
        EXPECT_EQ(log.MessagesStartingWith("W Missed"), c.warnings) << c.name;
    }
}

TEST(BaseWriter, StatusFileThatCannotBeCreatedIsLoggedAndTheRecordingGoesOn) {
    test::LogCapture log;
    TempDir dir;
    TestWriter writer;
    writer.OpenRecording(dir.File("r.bin"), 1, 1);
    writer.SetStatusFileName(dir.File("missing/r.csv"));
    ASSERT_TRUE(writer.StartRecording(nullptr));
    const uint16_t pixel = 0x4142;
    EXPECT_TRUE(writer.AddFrame(&pixel, 2, 0, Frame(1)));
    EXPECT_TRUE(writer.StopRecording());
    EXPECT_EQ(log.MessagesStartingWith("E "), std::vector<std::string>{"E Failed to open CSV file for GPS status recording 2"});
    EXPECT_EQ(ReadFile(dir.File("r.bin")), HeaderBytes(1) + "BA" + std::string("\x01\0\0\0", 4));
}

TEST(BaseWriter, RecordingFileThatCannotBeCreatedIsReportedAndNothingIsWritten) {
    test::LogCapture log;
    TempDir dir;
    TestWriter writer;
    const std::string path = dir.File("missing/r.bin");
    EXPECT_FALSE(writer.OpenRecording(path, 1, 1));
    writer.SetStatusFileName(dir.File("r.csv"));
    EXPECT_FALSE(writer.StartRecording(nullptr));
    EXPECT_FALSE(writer.IsRecording());
    const uint16_t pixel = 0;
    EXPECT_FALSE(writer.AddFrame(&pixel, 2, 0, Frame(1)));
    EXPECT_FALSE(writer.StopRecording());
    EXPECT_TRUE(writer.HasFailed());
    EXPECT_EQ(writer.FailureMessage(), "Failed to create the recording file " + path + ": No such file or directory (2)");
    EXPECT_EQ(log.MessagesStartingWith("E "),
              std::vector<std::string>{"E Failed to create recording file: " + path + ": No such file or directory (2)"});
    EXPECT_FALSE(std::filesystem::exists(dir.File("r.csv")));

    // The next recording with the same writer starts clean.
    ASSERT_TRUE(writer.OpenRecording(dir.File("ok.bin"), 1, 1));
    EXPECT_FALSE(writer.HasFailed());
    EXPECT_TRUE(writer.StartRecording(nullptr));
    EXPECT_TRUE(writer.AddFrame(&pixel, 2, 0, Frame(1)));
    EXPECT_TRUE(writer.StopRecording());
}

TEST(BaseWriter, StartingWithoutARecordingFileFailsInsteadOfWritingNowhere) {
    test::LogCapture log;
    TestWriter writer;
    EXPECT_FALSE(writer.StartRecording(nullptr));
    EXPECT_FALSE(writer.IsRecording());
    EXPECT_TRUE(writer.HasFailed());
    EXPECT_EQ(log.MessagesStartingWith("E ").size(), 1u);
}

TEST(BaseWriter, FramesAreNotTakenOutsideARecording) {
    TempDir dir;
    TestWriter writer;
    const uint16_t pixel = 0;
    EXPECT_FALSE(writer.AddFrame(&pixel, 2, 0, Frame(1)));
    writer.OpenRecording(dir.File("r.bin"), 1, 1);
    writer.StartRecording(nullptr);
    writer.StopRecording();
    EXPECT_FALSE(writer.AddFrame(&pixel, 2, 0, Frame(2)));
    EXPECT_EQ(writer.GetFrameCount(), 0);
}

// Frames of 64 KiB into a file that may not grow past 4 frames and a half: the fifth
// frame fails. Exit code: 10 + the index of the first AddFrame that reported failure.
TEST(BaseWriter, FullFileSystemStopsTheRecordingAtTheFirstFailedFrame) {
    test::LogCapture log;
    TempDir dir;
    constexpr std::size_t kFrameBytes = 64 * 1024;
    constexpr std::size_t kHeaderBytes = 7;
    const std::string path = dir.File("r.bin");
    const std::string csv = dir.File("r.csv");
    const int exitCode = test::RunWithFileSizeLimit(kHeaderBytes + 4 * kFrameBytes + kFrameBytes / 2, [&] {
        TestWriter writer;
        if (!writer.OpenRecording(path, 32 * 1024, 1)) return 1;
        writer.SetStatusFileName(csv);
        if (!writer.StartRecording(nullptr)) return 2;
        int failedAt = -1;
        for (int i = 0; i < 10; ++i) {
            const std::vector<uint16_t> pixels(kFrameBytes / 2, static_cast<uint16_t>(0x0101 * (i + 1)));
            if (!writer.AddFrame(pixels.data(), kFrameBytes, 0, Frame(i)) && failedAt < 0) failedAt = i;
        }
        if (!writer.HasFailed() || writer.FailureMessage().find(path + ": File too large (27)") == std::string::npos) {
            return 3;
        }
        if (writer.StopRecording()) return 4;  // the failure must not turn into success
        return 10 + failedAt;
    });
    EXPECT_EQ(exitCode, 10 + 4);
    EXPECT_EQ(log.MessagesStartingWith("E "),
              std::vector<std::string>{"E Recording stopped, failed to write recording file: " + path + ": File too large (27)"});
    // The four frames before the failure are on disk whole, after the header.
    const std::string file = ReadFile(path);
    ASSERT_GE(file.size(), kHeaderBytes + 4 * kFrameBytes);
    EXPECT_EQ(file.substr(0, kHeaderBytes), HeaderBytes(32 * 1024));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(file.substr(kHeaderBytes + i * kFrameBytes, kFrameBytes), std::string(kFrameBytes, static_cast<char>(i + 1)));
    }
    // The status file was closed with the lines of the frames written.
    std::string expectedCsv = kGpsStatusCsvHeader;
    for (int i = 0; i < 4; ++i) expectedCsv += CsvLine(Frame(i));
    EXPECT_EQ(ReadFile(csv), expectedCsv);
}

// Tiny frames and a limit that the status file reaches first.
TEST(BaseWriter, FullFileSystemOnTheStatusFileStopsTheRecordingToo) {
    test::LogCapture log;
    TempDir dir;
    const std::string path = dir.File("r.bin");
    const std::string csv = dir.File("r.csv");
    constexpr std::size_t kLimit = 3000;
    const int exitCode = test::RunWithFileSizeLimit(kLimit, [&] {
        TestWriter writer;
        writer.OpenRecording(path, 1, 1);
        writer.SetStatusFileName(csv);
        if (!writer.StartRecording(nullptr)) return 2;
        int frames = 0;
        const uint16_t pixel = 0x4142;
        while (frames < 200 && writer.AddFrame(&pixel, 2, 0, Frame(frames))) ++frames;
        if (frames == 200 || writer.StopRecording()) return 3;
        return frames < 100 ? 0 : 4;
    });
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(log.MessagesStartingWith("E "),
              std::vector<std::string>{"E Recording stopped, failed to write GPS status CSV file: " + csv + ": File too large (27)"});
    // Both files were closed: the CSV up to the limit, the recording with every frame handed over.
    const std::string text = ReadFile(csv);
    EXPECT_EQ(text.size(), kLimit);
    EXPECT_EQ(text.rfind(kGpsStatusCsvHeader, 0), 0u);
    const std::string recording = ReadFile(path);
    ASSERT_GT(recording.size(), 7u);
    EXPECT_EQ(recording.substr(0, 7), HeaderBytes(1));
    EXPECT_EQ((recording.size() - 7) % 2, 0u);
}

}  // namespace
}  // namespace orva
