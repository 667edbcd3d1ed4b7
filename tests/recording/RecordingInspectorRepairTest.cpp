// Inspecting and repairing recordings written by the station's writers: what the report
// finds, which files it refuses with which line, and recordings cut short rebuilt from
// their complete frames without touching the original.

#include "recording/AdvReader.h"
#include "recording/AdvWriter.h"
#include "recording/RecordingInspector.h"
#include "recording/RecordingRepair.h"
#include "recording/SerReader.h"
#include "recording/SerWriter.h"

#include "RecordingTestFrames.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace orva {
namespace {

using test::TimedOverlay;

constexpr int kWidth = 16;
constexpr int kHeight = 4;

// Frames numbered from 1 with 40 ms spacing, frame 4 to 6 missing.
const std::vector<int> kNumbers = {1, 2, 3, 7, 8};

template <typename Writer>
void WriteFrames(Writer& writer, std::size_t frames = kNumbers.size()) {
    ASSERT_TRUE(writer.StartRecording(nullptr));
    for (std::size_t i = 0; i < frames; ++i) {
        const int n = kNumbers[i];
        const BinaryOverlay o = TimedOverlay(n, 40 * (n - 1));
        const auto pixels = test::PatternFrame(kWidth, kHeight, n);
        ASSERT_TRUE(writer.AddFrame(pixels.data(), pixels.size() * 2, test::StartTicks(o), o));
    }
}

std::string WriteSer(const std::string& path, bool finish) {
    SerWriter writer;
    EXPECT_TRUE(writer.OpenRecording(path, kWidth, kHeight, 16));
    WriteFrames(writer);
    if (finish) {
        EXPECT_TRUE(writer.StopRecording());
    }
    return path;
}

std::string WriteAdv(const std::string& path, bool finish, bool compress = false) {
    SharedTelescopeState telescope;
    AdvWriter writer(telescope);
    EXPECT_TRUE(writer.OpenRecording(path, kWidth, kHeight, 16, {}, compress));
    WriteFrames(writer);
    if (finish) {
        EXPECT_TRUE(writer.StopRecording());
    }
    return path;
}

struct AdvOptions {
    const char* name;
    bool compress = false;
    std::vector<AdvRegion> zones;
};

// The finished recording of the first `frames` frames, as bytes.
std::string AdvRecordingOf(const std::string& path, const AdvOptions& o, std::size_t frames) {
    SharedTelescopeState telescope;
    AdvWriter writer(telescope);
    EXPECT_TRUE(writer.OpenRecording(path, kWidth, kHeight, 16, o.zones, o.compress));
    WriteFrames(writer, frames);
    EXPECT_TRUE(writer.StopRecording());
    return test::ReadFile(path);
}

// A recording as a power loss leaves it: what reached the disk, cut inside a frame.
std::string CutShort(const std::string& complete, const std::string& path, std::size_t cutBytes) {
    std::string bytes = test::ReadFile(complete);
    bytes.resize(bytes.size() - cutBytes);
    test::WriteFile(path, bytes);
    return path;
}

TEST(RecordingInspectorTest, ReportsDimensionsFramesAndTiming) {
    test::LogCapture log;
    test::TempDir dir;
    for (const std::string& path : {WriteSer(dir.File("a.ser"), true), WriteAdv(dir.File("a.adv"), true)}) {
        SCOPED_TRACE(path);
        std::string error;
        const auto r = RecordingInspector::Inspect(path, error);
        ASSERT_TRUE(r) << error;
        EXPECT_EQ(r->width, kWidth);
        EXPECT_EQ(r->height, kHeight);
        ASSERT_EQ(r->frames.size(), kNumbers.size());
        for (std::size_t i = 0; i < kNumbers.size(); ++i) {
            EXPECT_EQ(r->frames[i].startTicks, test::StartTicks(TimedOverlay(kNumbers[i], 40 * (kNumbers[i] - 1))));
        }
        const TimelineFindings f = AnalyzeTimeline(r->frames);
        EXPECT_EQ(RecordingInspector::Unsound(*r, f), std::nullopt);
        const auto lines = RecordingInspector::Report(*r, f, true);
        EXPECT_NE(std::find(lines.begin(), lines.end(), "frames: 5"), lines.end());
        EXPECT_NE(std::find(lines.begin(), lines.end(), "first time stamp: 2024-03-01T22:15:07.0000000"), lines.end());
        EXPECT_NE(std::find(lines.begin(), lines.end(), "last time stamp: 2024-03-01T22:15:07.2800000"), lines.end());
        EXPECT_NE(std::find(lines.begin(), lines.end(), "time stamps: increasing"), lines.end());
        EXPECT_NE(std::find(lines.begin(), lines.end(), "time-stamp spacing: 40.0000 ms (min 40.0000 ms, max 160.0000 ms)"),
                  lines.end());
        EXPECT_EQ(lines.back().rfind("frame 5: ", 0), 0u);
    }
    // The ADV status section carries the frame numbers and the exposure.
    std::string error;
    const auto adv = RecordingInspector::Inspect(dir.File("a.adv"), error);
    ASSERT_TRUE(adv);
    EXPECT_EQ(adv->exposureMs, 40.0);
    const TimelineFindings f = AnalyzeTimeline(adv->frames);
    EXPECT_EQ(f.missedFrames, 3);
    ASSERT_EQ(f.gaps.size(), 1u);
    EXPECT_EQ(f.gaps[0].first, 4);
}

// A compressed ADV file, whose images are decoded on every core, gives the frames the
// uncompressed one gives; a damaged image in the middle gives the reader's error for it.
TEST(RecordingInspectorTest, InspectsCompressedAdvAsUncompressed) {
    test::LogCapture log;
    test::TempDir dir;
    std::string error;
    const auto plain = RecordingInspector::Inspect(WriteAdv(dir.File("plain.adv"), true), error);
    ASSERT_TRUE(plain) << error;
    const std::string coded = WriteAdv(dir.File("coded.adv"), true, true);
    const auto r = RecordingInspector::Inspect(coded, error);
    ASSERT_TRUE(r) << error;
    ASSERT_EQ(r->frames.size(), plain->frames.size());
    for (std::size_t i = 0; i < r->frames.size(); ++i) {
        EXPECT_EQ(r->frames[i].startTicks, plain->frames[i].startTicks) << i;
        EXPECT_EQ(r->frames[i].endTicks, plain->frames[i].endTicks) << i;
        EXPECT_EQ(r->frames[i].frameNumber, plain->frames[i].frameNumber) << i;
    }
    EXPECT_NE(std::find(r->notes.begin(), r->notes.end(), "compression: LAGARITH16"), r->notes.end());

    std::string bytes = test::ReadFile(coded);
    AdvReader reader;
    ASSERT_TRUE(reader.Open(coded));
    const uint64_t frame2 = reader.Index()[2].offset;
    bytes[frame2 + 28] = 0x7F;  // in the head of the image block
    test::WriteFile(coded, bytes);
    ASSERT_TRUE(reader.Open(coded));
    AdvFrame frame;
    ASSERT_TRUE(reader.ReadFrame(1, frame));
    ASSERT_FALSE(reader.ReadFrame(2, frame));
    EXPECT_FALSE(RecordingInspector::Inspect(coded, error));
    EXPECT_EQ(error, reader.Error());
}

TEST(RecordingInspectorTest, ReadsTheGpsStatusCsv) {
    test::TempDir dir;
    const std::string header = "FrameNr;FromTime;ToTime;FixState;NofSats;AccuracyM;Lat;Lon;HeightM;DOPG;DOPP;DOPT;DOPV;DOPH\r";
    const std::string line1 = "1;2024-06-01T22:00:00.000;2024-06-01T22:00:00.002;3;9;3;N48.1234567;E11.3456789;523.400;1.52;1.31;0.78;1.10;0.67\r";
    const std::string line2 = "5;2024-06-01T22:00:00.008;2024-06-01T22:00:00.010;0;0;0;;;0.000;0.00;0.00;0.00;0.00;0.00\r";
    test::WriteFile(dir.File("a.csv"), header + line1 + line2);
    std::string error;
    const auto r = RecordingInspector::Inspect(dir.File("a.csv"), error);
    ASSERT_TRUE(r) << error;
    EXPECT_EQ(r->frames.size(), 2u);
    EXPECT_EQ(r->exposureMs, 2.0);
    const TimelineFindings f = AnalyzeTimeline(r->frames);
    EXPECT_EQ(f.missedFrames, 3);
    EXPECT_EQ(RecordingInspector::Unsound(*r, f), std::nullopt);

    // Cut inside the last line: the frames before it are reported, the file is unsound.
    test::WriteFile(dir.File("cut.csv"), header + line1 + line2.substr(0, 20));
    const auto cut = RecordingInspector::Inspect(dir.File("cut.csv"), error);
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->frames.size(), 1u);
    EXPECT_EQ(RecordingInspector::Unsound(*cut, AnalyzeTimeline(cut->frames)),
              "the last line is incomplete (the file was cut short)");
}

TEST(RecordingInspectorTest, RefusesWhatIsNoSoundRecordingInOneLine) {
    test::LogCapture log;
    test::TempDir dir;
    const std::string header = "FrameNr;FromTime;ToTime;FixState;NofSats;AccuracyM;Lat;Lon;HeightM;DOPG;DOPP;DOPT;DOPV;DOPH\r";
    test::WriteFile(dir.File("empty.ser"), "");
    test::WriteFile(dir.File("text.txt"), "hello, world\n");
    test::WriteFile(dir.File("fields.csv"), header + "1;2;3\r");
    test::WriteFile(dir.File("number.csv"), header + "x;2024-06-01T22:00:00.000;2024-06-01T22:00:00.002;3;9;3;;;0;0;0;0;0;0\r");
    test::WriteFile(dir.File("time.csv"), header + "1;2024-06-01 22:00:00;2024-06-01T22:00:00.002;3;9;3;;;0;0;0;0;0;0\r");
    test::WriteFile(dir.File("bad.fits"), "SIMPLE  =                    T" + std::string(100, ' '));
    std::filesystem::create_directory(dir.File("nofits"));
    CutShort(WriteSer(dir.File("full.ser"), true), dir.File("cut.ser"), 5 * 8 + 10);
    CutShort(WriteAdv(dir.File("full.adv"), true), dir.File("cut.adv"), 30);

    const std::pair<std::string, std::string> cases[] = {
        {dir.File("missing.ser"), dir.File("missing.ser") + ": no such file"},
        {dir.File("empty.ser"), dir.File("empty.ser") + ": the file is empty"},
        {dir.File("text.txt"), dir.File("text.txt") + ": not a recording (SER, ADV, FITS or GPS status CSV)"},
        {dir.File("fields.csv"), dir.File("fields.csv") + ": line 2: 3 fields, 14 expected"},
        {dir.File("number.csv"), dir.File("number.csv") + ": line 2: frame number 'x' is not a number"},
        {dir.File("time.csv"), dir.File("time.csv") + ": line 2: time '2024-06-01 22:00:00' is not a UTC time"},
        {dir.File("nofits"), dir.File("nofits") + ": a folder without FITS files"},
        {dir.File("cut.ser"), dir.File("cut.ser") +
                                  ": the recording was cut short (no frame count or time stamps); 'repair' rebuilds it "
                                  "from its 4 complete frames"},
    };
    for (const auto& [path, expected] : cases) {
        std::string error;
        EXPECT_FALSE(RecordingInspector::Inspect(path, error));
        EXPECT_EQ(error, expected);
    }
    for (const char* name : {"bad.fits", "cut.adv"}) {
        std::string error;
        EXPECT_FALSE(RecordingInspector::Inspect(dir.File(name), error));
        EXPECT_EQ(error.rfind(dir.File(name) + ": ", 0), 0u) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}

TEST(RecordingRepairTest, RebuildsCutRecordingsBesideTheOriginal) {
    test::LogCapture log;
    test::TempDir dir;
    struct Case {
        std::string complete;
        std::string cut;
        std::string repaired;
    };
    // SER: the trailer and the frame count never written, and half a frame more.
    // ADV: the index never written, the last frame cut.
    const std::string serBody = test::ReadFile(WriteSer(dir.File("full.ser"), true));
    std::string serCut = serBody.substr(0, serBody.size() - 5 * 8 - kWidth);
    serCut.replace(38, 4, std::string(4, '\0'));
    test::WriteFile(dir.File("cut.ser"), serCut);
    WriteAdv(dir.File("full.adv"), true);
    AdvReader full;
    ASSERT_TRUE(full.Open(dir.File("full.adv")));
    std::string advCut = test::ReadFile(dir.File("full.adv")).substr(0, full.Index().back().offset + 20);
    advCut.replace(9, 8, std::string(8, '\0'));
    advCut.replace(25, 8, std::string(8, '\0'));
    test::WriteFile(dir.File("cut.adv"), advCut);

    // SER keeps 4 whole frames; ADV 4 of its 5 frames.
    const Case cases[] = {{dir.File("full.ser"), dir.File("cut.ser"), dir.File("cut_repaired.ser")},
                          {dir.File("full.adv"), dir.File("cut.adv"), dir.File("cut_repaired.adv")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cut);
        const std::string before = test::ReadFile(c.cut);
        std::string error;
        const auto result = RecordingRepair::Repair(c.cut, error);
        ASSERT_TRUE(result) << error;
        EXPECT_EQ(result->path, c.repaired);
        EXPECT_EQ(result->frames, 4u);
        EXPECT_EQ(test::ReadFile(c.cut), before) << "the original is never changed";

        const auto original = RecordingInspector::Inspect(c.complete, error);
        const auto repaired = RecordingInspector::Inspect(c.repaired, error);
        ASSERT_TRUE(original && repaired) << error;
        ASSERT_EQ(repaired->frames.size(), 4u);
        // These test frames carry no timing record in their pixels: an ADV frame keeps its
        // times itself, a cut SER file loses them (the simulated camera's frames show the
        // SER side, end to end).
        const bool ser = c.cut.ends_with(".ser");
        EXPECT_NE(result->note.find(ser ? "no readable timing record" : "with an incomplete frame"), std::string::npos)
            << result->note;
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(repaired->frames[i].frameNumber, original->frames[i].frameNumber);
            EXPECT_EQ(repaired->frames[i].startTicks, ser ? 0 : original->frames[i].startTicks);
        }
        // A second repair does not replace the first.
        const auto again = RecordingRepair::Repair(c.cut, error);
        ASSERT_TRUE(again) << error;
        EXPECT_EQ(again->path, c.repaired.substr(0, c.repaired.size() - 4) + "_2" + c.repaired.substr(c.repaired.size() - 4));
    }
    // SER pixels come over unchanged.
    SerReader a;
    SerReader b;
    ASSERT_TRUE(a.Open(dir.File("full.ser")) && b.Open(dir.File("cut_repaired.ser")));
    std::vector<uint16_t> pa(kWidth * kHeight);
    std::vector<uint16_t> pb(kWidth * kHeight);
    for (uint32_t i = 0; i < 4; ++i) {
        ASSERT_TRUE(a.ReadFrame(i, pa) && b.ReadFrame(i, pb));
        EXPECT_EQ(pa, pb);
    }
}

// A rebuilt ADV file is, byte for byte, the recording the writer would have finished with
// the frames that survived: the same header and frames, the same index and closing tables.
TEST(RecordingRepairTest, RebuiltAdvEqualsTheRecordingOfItsWholeFrames) {
    test::LogCapture log;
    test::TempDir dir;
    const AdvOptions options[] = {{"raw", false, {}}, {"LAGARITH16", true, {}}, {"regions", false, {{2, 1, 8, 2}}}};
    for (const AdvOptions& o : options) {
        SCOPED_TRACE(o.name);
        const std::string complete = AdvRecordingOf(dir.File("full.adv"), o, 5);
        const std::string fourFrames = AdvRecordingOf(dir.File("four.adv"), o, 4);
        const std::string twoFrames = AdvRecordingOf(dir.File("two.adv"), o, 2);
        AdvReader full;
        ASSERT_TRUE(full.Open(dir.File("full.adv"))) << full.Error();
        const uint64_t lastFrameAt = full.Index()[4].offset;

        const auto repaired = [&](const std::string& crashed, const std::string& expected,
                                  const std::string& note) {
            test::WriteFile(dir.File("cut.adv"), crashed);
            std::string error;
            const auto result = RecordingRepair::Repair(dir.File("cut.adv"), error);
            ASSERT_TRUE(result) << error;
            const std::string rebuilt = test::ReadFile(result->path);
            const auto differ = std::mismatch(rebuilt.begin(), rebuilt.end(), expected.begin(), expected.end());
            EXPECT_TRUE(rebuilt == expected) << rebuilt.size() << " bytes, " << expected.size()
                                             << " expected; first difference at " << (differ.first - rebuilt.begin());
            if (note.empty()) {
                EXPECT_EQ(result->note, "");
            } else {
                EXPECT_NE(result->note.find(note), std::string::npos) << result->note;
            }
            std::filesystem::remove(result->path);
        };
        // Cut at every byte of the last frame (the reader's tests do so for every layout;
        // here every few bytes suffice for the coded and region frames).
        const uint64_t step = o.compress || !o.zones.empty() ? 7 : 1;
        for (uint64_t length = lastFrameAt; length < full.IndexOffset(); length += step) {
            SCOPED_TRACE(length);
            repaired(test::CrashedAdv(complete, length), fourFrames, length == lastFrameAt ? "" : "with an incomplete frame");
        }
        repaired(test::CrashedAdv(complete, full.IndexOffset() - 1), fourFrames, "with an incomplete frame");
        // A crash while the index was written: the whole recording comes back.
        repaired(complete.substr(0, full.IndexOffset() + 20), complete, "");
        // A frame whose magic is damaged ends the frames; what follows it is left out.
        std::string damaged = test::CrashedAdv(complete, full.Index()[3].offset);
        damaged[full.Index()[2].offset + 1] ^= 0x5A;
        repaired(damaged, twoFrames, "with bytes that are no frame");
    }
}

TEST(RecordingRepairTest, RefusesWhatCannotOrNeedNotBeRepaired) {
    test::LogCapture log;
    test::TempDir dir;
    WriteSer(dir.File("full.ser"), true);
    WriteAdv(dir.File("full.adv"), true);
    test::WriteFile(dir.File("text.txt"), "hello");
    test::WriteFile(dir.File("header.ser"), test::ReadFile(dir.File("full.ser")).substr(0, 100));
    const std::pair<std::string, std::string> cases[] = {
        {dir.File("full.ser"), dir.File("full.ser") + ": the recording is complete; there is nothing to repair"},
        {dir.File("full.adv"), dir.File("full.adv") + ": the recording is complete; there is nothing to repair"},
        {dir.File("text.txt"), dir.File("text.txt") + ": not a SER or ADV recording"},
        {dir.File("header.ser"), dir.File("header.ser") + ": at offset 100: the header ends early, 162 bytes needed, "
                                                          "the file has 100"},
    };
    for (const auto& [path, expected] : cases) {
        std::string error;
        EXPECT_FALSE(RecordingRepair::Repair(path, error));
        EXPECT_EQ(error, expected);
    }
    std::string error;
    EXPECT_FALSE(RecordingRepair::Repair(dir.File("missing.ser"), error));
    EXPECT_EQ(error.rfind(dir.File("missing.ser") + ": cannot be opened", 0), 0u) << error;
    EXPECT_FALSE(std::filesystem::exists(dir.File("full_repaired.ser")));
}

}  // namespace
}  // namespace orva
