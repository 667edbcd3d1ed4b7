#include "recording/SerReader.h"
#include "recording/SerWriter.h"

#include "support/FileSizeLimit.h"
#include "RecordingTestFrames.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orva {
namespace {

using test::ReadFile;
using test::StartTicks;
using test::TempDir;
using test::TimedOverlay;
using test::U32At;
using test::U64At;

struct Recorded {
    std::vector<std::vector<uint16_t>> frames;
    std::vector<uint64_t> timestamps;
};

Recorded Record(SerWriter& writer, const std::string& path, int width, int height, int frames, int seed = 0) {
    Recorded r;
    EXPECT_TRUE(writer.OpenRecording(path, width, height, 16));
    EXPECT_TRUE(writer.StartRecording(nullptr));
    for (int i = 0; i < frames; ++i) {
        r.frames.push_back(test::PatternFrame(width, height, seed + i));
        const BinaryOverlay o = TimedOverlay(100 + i, 40 * i);
        r.timestamps.push_back(StartTicks(o));
        EXPECT_TRUE(writer.AddFrame(r.frames.back().data(), r.frames.back().size() * 2, r.timestamps.back(), o));
    }
    EXPECT_TRUE(writer.StopRecording());
    return r;
}

void ExpectReadsBack(const std::string& path, const Recorded& r) {
    SerReader reader;
    ASSERT_TRUE(reader.Open(path)) << reader.Error();
    ASSERT_EQ(reader.FrameCount(), r.frames.size());
    EXPECT_EQ(reader.Timestamps(), r.timestamps);
    for (uint32_t i = 0; i < reader.FrameCount(); ++i) {
        std::vector<uint16_t> pixels(r.frames[i].size());
        ASSERT_TRUE(reader.ReadFrame(i, pixels)) << reader.Error();
        EXPECT_EQ(pixels, r.frames[i]) << "frame " << i;
    }
}

TEST(SerWriter, FullSizeRecordingHasHeaderFramesAndTrailer) {
    TempDir dir;
    SerWriter writer;
    const std::string path = dir.File("r.ser");
    const Recorded r = Record(writer, path, 1920, 1200, 3);
    EXPECT_EQ(writer.GetFormatDescription(), "SER 16-bit");
    const std::string file = ReadFile(path);
    ASSERT_EQ(file.size(), 13824202u);  // 178 + 3 x 4608000 + 3 x 8
    EXPECT_EQ(file.substr(0, 14), "LUCAM-RECORDER");
    const std::vector<uint32_t> fields = {U32At(file, 14), U32At(file, 18), U32At(file, 22), U32At(file, 26),
                                          U32At(file, 30), U32At(file, 34), U32At(file, 38)};
    EXPECT_EQ(fields, (std::vector<uint32_t>{0, 0, 0, 1920, 1200, 16, 3}));
    EXPECT_EQ(file.substr(42, 120), std::string(120, '\0'));  // no names known
    EXPECT_EQ(U64At(file, 162), r.timestamps[0]);
    EXPECT_EQ(U64At(file, 170), r.timestamps[0]);
    EXPECT_EQ(static_cast<uint8_t>(file[178]), r.frames[0][0] & 0xFF);  // samples little-endian
    EXPECT_EQ(static_cast<uint8_t>(file[179]), r.frames[0][0] >> 8);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(U64At(file, 178 + 3 * 4608000 + 8 * i), r.timestamps[i]);
    ExpectReadsBack(path, r);
}

TEST(SerWriter, RecordingStoppedBeforeItsFirstFrameIsTheBareHeader) {
    TempDir dir;
    SerWriter writer;
    const std::string path = dir.File("empty.ser");
    Record(writer, path, 640, 480, 0);
    const std::string file = ReadFile(path);
    ASSERT_EQ(file.size(), 162u);
    EXPECT_EQ(U32At(file, 38), 0u);
    SerReader reader;
    ASSERT_TRUE(reader.Open(path)) << reader.Error();
    EXPECT_EQ(reader.FrameCount(), 0u);
    EXPECT_EQ(reader.Header().width, 640u);
}

// A whole 178-byte header with frame count 0 and nothing after it (a writer that writes
// the time fields at once) is an empty recording too, in both modes.
TEST(SerReader, AWholeHeaderWithoutFramesIsAnEmptyRecording) {
    TempDir dir;
    SerWriter writer;
    const std::string path = dir.File("empty.ser");
    Record(writer, path, 640, 480, 0);
    const std::string file = ReadFile(path) + std::string(16, '\0');
    ASSERT_EQ(file.size(), 178u);
    for (const SerReader::Mode mode : {SerReader::Mode::Strict, SerReader::Mode::Recover}) {
        SerReader reader;
        ASSERT_TRUE(reader.OpenBytes(reinterpret_cast<const uint8_t*>(file.data()), file.size(), mode)) << reader.Error();
        EXPECT_EQ(reader.FrameCount(), 0u);
        EXPECT_TRUE(reader.Timestamps().empty());
        EXPECT_EQ(reader.Header().width, 640u);
    }
    // One byte more is data without a frame count.
    SerReader reader;
    const std::string longer = file + '\0';
    EXPECT_FALSE(reader.OpenBytes(reinterpret_cast<const uint8_t*>(longer.data()), longer.size()));
    EXPECT_NE(reader.Error().find("frame count 0 but frame data follows the header"), std::string::npos);
}

TEST(SerWriter, NameFieldsHoldAtMost39BytesOfUtf8) {
    struct Case {
        std::string name;
        std::string stored;
    };
    const std::string fifty(50, 'x');
    const std::vector<Case> cases = {
        {"", ""},
        {"Jane Observer", "Jane Observer"},
        {fifty, fifty.substr(0, 39)},
        // "ü" is two bytes: the 39-byte cut would split it, so it is left out whole.
        {std::string(38, 'a') + "\xC3\xBC" + "b", std::string(38, 'a')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        SerWriter writer;
        writer.SetRecordingNames({c.name, "C14 " + c.name, "ORVA+CAM #1234 FW 1.3.5, Sensor IMX174", std::nullopt});
        Record(writer, dir.File("n.ser"), 4, 2, 1);
        const std::string file = ReadFile(dir.File("n.ser"));
        std::string field = c.stored;
        field.resize(40, '\0');
        EXPECT_EQ(file.substr(42, 40), field);
        EXPECT_EQ(file.substr(82, 40).substr(0, 38), std::string("ORVA+CAM #1234 FW 1.3.5, Sensor IMX174"));
        SerReader reader;
        ASSERT_TRUE(reader.Open(dir.File("n.ser"))) << reader.Error();
        EXPECT_EQ(reader.Header().observer, c.stored);
        EXPECT_EQ(reader.Header().telescope.substr(0, 4), "C14 ");
    }
}

TEST(SerWriter, SecondRecordingHoldsOnlyItsOwnFrames) {
    TempDir dir;
    SerWriter writer;
    Record(writer, dir.File("one.ser"), 8, 4, 5);
    const Recorded second = Record(writer, dir.File("two.ser"), 8, 4, 2, 50);
    EXPECT_EQ(ReadFile(dir.File("two.ser")).size(), 178u + 2 * 64 + 2 * 8);
    ExpectReadsBack(dir.File("two.ser"), second);
}

TEST(SerWriter, TrailerHoldsATimestampForEveryFrameBeyond100000) {
    TempDir dir;
    SerWriter writer;
    const std::string path = dir.File("long.ser");
    ASSERT_TRUE(writer.OpenRecording(path, 1, 1, 16));
    ASSERT_TRUE(writer.StartRecording(nullptr));
    constexpr uint32_t kFrames = 100003;
    const uint16_t pixel = 0x1230;
    for (uint32_t i = 0; i < kFrames; ++i) writer.AddFrame(&pixel, 2, 1000000 + i, TimedOverlay(static_cast<int32_t>(i)));
    ASSERT_TRUE(writer.StopRecording());
    SerReader reader;
    ASSERT_TRUE(reader.Open(path)) << reader.Error();
    ASSERT_EQ(reader.FrameCount(), kFrames);
    ASSERT_EQ(reader.Timestamps().size(), kFrames);
    for (uint32_t i = 99998; i < kFrames; ++i) EXPECT_EQ(reader.Timestamps()[i], 1000000u + i);
}

TEST(SerWriter, FrameOfTheWrongSizeIsRefusedAndTheRecordingGoesOn) {
    test::LogCapture log;
    TempDir dir;
    SerWriter writer;
    const std::string path = dir.File("r.ser");
    ASSERT_TRUE(writer.OpenRecording(path, 4, 2, 16));
    ASSERT_TRUE(writer.StartRecording(nullptr));
    const std::vector<uint16_t> frame = test::PatternFrame(4, 2, 1);
    EXPECT_TRUE(writer.AddFrame(frame.data(), 10, 5, TimedOverlay(1)));
    EXPECT_TRUE(writer.AddFrame(frame.data(), 16, 6, TimedOverlay(2)));
    EXPECT_TRUE(writer.StopRecording());
    EXPECT_TRUE(log.Contains("E Frame refused, its size does not match the recording: 10 bytes instead of 16"));
    EXPECT_EQ(writer.GetFrameCount(), 1);
    ExpectReadsBack(path, Recorded{{frame}, {6}});
}

TEST(SerReader, RefusesDamagedFilesNamingOffsetAndFault) {
    TempDir dir;
    SerWriter writer;
    const std::string good = dir.File("good.ser");
    Record(writer, good, 4, 2, 2);
    const std::string bytes = ReadFile(good);  // 178 + 2 x 16 + 2 x 8 = 226 bytes
    struct Case {
        const char* name;
        std::string file;
        std::string error;
    };
    auto patched = [&bytes](std::size_t at, std::string with) { return std::string(bytes).replace(at, with.size(), with); };
    const std::vector<Case> cases = {
        {"empty", "", "at offset 0: the header ends early, 162 bytes needed, the file has 0"},
        {"foreign identifier", patched(0, "LUCAM-RECORDEX"), "at offset 0: the file identifier is not LUCAM-RECORDER"},
        {"colour", patched(18, std::string("\x08\0\0\0", 4)), "at offset 18: colour format 8 is not monochrome"},
        {"zero width", patched(26, std::string(4, '\0')), "at offset 26: image width 0 is not between 1 and 65535"},
        {"huge height", patched(30, std::string("\0\0\1\0", 4)), "at offset 30: image height 65536 is not between 1 and 65535"},
        {"8-bit", patched(34, std::string("\x08\0\0\0", 4)), "at offset 34: pixel depth 8 is not 16"},
        {"count too large", patched(38, std::string("\x03\0\0\0", 4)), "at offset 226: the file has 226 bytes, a frame count of 3 needs more"},
        {"count never written", patched(38, std::string(4, '\0')), "at offset 38: frame count 0 but frame data follows the header"},
        {"trailer cut", bytes.substr(0, 220), "at offset 220: the file has 220 bytes, a frame count of 2 needs more"},
        {"time fields cut", bytes.substr(0, 170), "at offset 170: the header's time fields end early"},
        {"header only, but frames counted", patched(38, std::string("\x02\0\0\0", 4)).substr(0, 162),
         "at offset 38: frame count 2 but the file ends after the header"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SerReader reader;
        EXPECT_FALSE(reader.OpenBytes(reinterpret_cast<const uint8_t*>(c.file.data()), c.file.size()));
        EXPECT_NE(reader.Error().find(c.error), std::string::npos) << reader.Error();
    }
}

// A full disk stops the recording with its frame count never written; the frames on
// disk are still there for recovery.
TEST(SerReader, RecoversTheWholeFramesOfARecordingCutShort) {
    test::LogCapture log;
    TempDir dir;
    const std::string path = dir.File("cut.ser");
    constexpr int kWidth = 4096;  // frames larger than the stdio buffer fail in AddFrame
    constexpr int kFrameBytes = kWidth * 2;
    const int exit = test::RunWithFileSizeLimit(178 + 3 * kFrameBytes + 50, [&] {
        SerWriter writer;
        if (!writer.OpenRecording(path, kWidth, 1, 16) || !writer.StartRecording(nullptr)) return 1;
        for (int i = 0; i < 6; ++i) {
            const auto frame = test::PatternFrame(kWidth, 1, i);
            writer.AddFrame(frame.data(), kFrameBytes, 10 + i, TimedOverlay(i));
        }
        return writer.HasFailed() && !writer.StopRecording() ? 0 : 2;
    });
    ASSERT_EQ(exit, 0);
    SerReader strict;
    EXPECT_FALSE(strict.Open(path));
    SerReader reader;
    ASSERT_TRUE(reader.Open(path, SerReader::Mode::Recover)) << reader.Error();
    ASSERT_EQ(reader.FrameCount(), 3u);
    EXPECT_TRUE(reader.Timestamps().empty());
    EXPECT_EQ(reader.Header().dateTime, 10u);
    for (uint32_t i = 0; i < 3; ++i) {
        std::vector<uint16_t> pixels(kWidth);
        ASSERT_TRUE(reader.ReadFrame(i, pixels));
        EXPECT_EQ(pixels, test::PatternFrame(kWidth, 1, static_cast<int>(i)));
    }
}

}  // namespace
}  // namespace orva
