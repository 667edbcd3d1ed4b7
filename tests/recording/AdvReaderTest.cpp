#include "recording/AdvReader.h"
#include "recording/AdvWriter.h"

#include "RecordingTestFrames.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace orva {
namespace {

using test::TempDir;

// A small compressed recording, by default with one zone: frame 0 coded in layout 1, the
// others regions. Without zones every frame is coded.
std::string SmallRecording(int frames = 2, const std::vector<AdvRegion>& zones = {{8, 2, 16, 3}}) {
    TempDir dir;
    SharedTelescopeState telescope;
    AdvWriter writer(telescope);
    const std::string path = dir.File("s.adv");
    EXPECT_TRUE(writer.OpenRecording(path, 64, 8, 16, zones, true));
    EXPECT_TRUE(writer.StartRecording(nullptr));
    for (int i = 0; i < frames; ++i) {
        const auto frame = test::PatternFrame(64, 8, i);
        const BinaryOverlay o = test::TimedOverlay(i, 40 * i);
        EXPECT_TRUE(writer.AddFrame(frame.data(), 1024, test::StartTicks(o), o));
    }
    EXPECT_TRUE(writer.StopRecording());
    return test::ReadFile(path);
}

// Opens the bytes and reads every frame; the first failure's message, or "".
std::string ReadAll(const std::string& bytes, AdvReader::Mode mode = AdvReader::Mode::Strict) {
    AdvReader reader;
    if (!reader.OpenBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), mode)) return reader.Error();
    for (uint32_t i = 0; i < reader.FrameCount(); ++i) {
        AdvFrame frame;
        if (!reader.ReadFrame(i, frame)) return reader.Error();
    }
    return "";
}

void Put32(std::string& bytes, uint64_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
}

TEST(AdvReader, RefusesDamagedFilesNamingOffsetAndFault) {
    const std::string good = SmallRecording();
    ASSERT_EQ(ReadAll(good), "");
    AdvReader layout;
    ASSERT_TRUE(layout.OpenBytes(reinterpret_cast<const uint8_t*>(good.data()), good.size()));
    const uint64_t index = layout.IndexOffset();
    const uint64_t frame0 = layout.Index()[0].offset;
    const uint64_t frame1 = layout.Index()[1].offset;
    const uint64_t payload0 = frame0 + 27;
    const uint64_t status1 = frame1 + 27 + 2 * (16 * 3 + 64);  // frame 1 holds the regions only
    const std::size_t roiWidth = good.find("ROI-WIDTH-0") + 11 + 2;  // the value "16"

    struct Case {
        const char* name;
        std::function<void(std::string&)> damage;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"empty", [](std::string& b) { b.clear(); }, "at offset 0: the file header runs past the end of the file"},
        {"foreign magic", [](std::string& b) { b[0] = 'X'; }, "at offset 0: the file does not start with FSTF"},
        {"version", [](std::string& b) { b[4] = 3; }, "at offset 4: version 3 is not 2"},
        {"unfinished", [](std::string& b) { Put32(b, 9, 0); }, "at offset 9: the index was never written"},
        {"cut inside the index", [index](std::string& b) { b.resize(index + 20); },
         "at offset " + std::to_string(index + 13) + ": 2 index entries cannot fit in the rest of the file"},
        {"entry past the end", [index](std::string& b) { Put32(b, index + 13 + 20 + 8, 0x7FFFFFFF); },
         "at offset " + std::to_string(index + 13 + 20) + ": index entry 1 points past the end of the file"},
        {"frame count of MAIN", [](std::string& b) { Put32(b, 34 + 6, 5); }, "the MAIN stream counts 5 frames, its index 2"},
        {"frame magic", [frame0](std::string& b) { b[frame0] = 0; },
         "at offset " + std::to_string(frame0) + ": frame 0 has no frame magic"},
        {"image section length", [frame0](std::string& b) { Put32(b, frame0 + 21, 100000); },
         "at offset " + std::to_string(frame0 + 21) + ": image section length 100000 does not fit the frame"},
        {"coded block's symbol table", [payload0](std::string& b) {
             b[payload0] = 0;
             b[payload0 + 1] = 0x7F;
         },
         "at offset " + std::to_string(payload0 + 2) + ": table of 32513 symbols runs past the block end"},
        {"status channel", [status1](std::string& b) { b[status1 + 4 + 13] = 12; },
         "at offset " + std::to_string(status1 + 17) + ": status value for unknown channel 12"},
        {"region outside the frame", [roiWidth](std::string& b) { b[roiWidth] = '9'; },
         "region 0 does not lie inside the frame"},
        {"region tag not a number", [roiWidth](std::string& b) { b[roiWidth] = 'x'; },
         "layout 2 has no valid ROI-WIDTH-0 tag"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = good;
        c.damage(bytes);
        const std::string error = ReadAll(bytes);
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
}

// Every cut and every changed byte of a small recording is read or refused; under the
// address sanitizer this also shows that nothing is read outside the file. Recovery reads
// every cut that keeps the header and tables, and every frame it finds.
TEST(AdvReader, SurvivesEveryCutAndChangedByte) {
    const std::string good = SmallRecording();
    AdvReader layout;
    ASSERT_TRUE(layout.OpenBytes(reinterpret_cast<const uint8_t*>(good.data()), good.size()));
    const uint64_t framesAt = layout.Index()[0].offset;
    for (std::size_t length = 0; length < good.size(); ++length) {
        const std::string cut = good.substr(0, length);
        EXPECT_NE(ReadAll(cut), "") << length;
        const std::string recovered = ReadAll(cut, AdvReader::Mode::Recover);
        EXPECT_EQ(recovered.empty(), length >= framesAt) << length << ": " << recovered;
    }
    for (std::size_t at = 0; at < good.size(); ++at) {
        std::string bytes = good;
        bytes[at] = static_cast<char>(bytes[at] ^ 0xA5);
        ReadAll(bytes);
        ReadAll(bytes, AdvReader::Mode::Recover);
    }
}

// How the frames of a recording are read in the tests below.
struct ReadWay {
    const char* name;
    int framesAtATime;  // 1 or 2: ReadFrame or ReadTwoFrames; 0: ReadEachFrame
    int threads = 1;     // ReadEachFrame's decode threads
};

// What was read and the first failure's message.
struct ReadOutcome {
    std::vector<AdvFrame> frames;
    std::string error;
};

ReadOutcome ReadFrames(const std::string& bytes, const ReadWay& way) {
    ReadOutcome out;
    AdvReader reader;
    if (!reader.OpenBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())) {
        out.error = reader.Error();
        return out;
    }
    if (way.framesAtATime == 0) {
        reader.SetDecodeThreads(way.threads);
        const bool ok = reader.ReadEachFrame([&](uint32_t index, const AdvFrame& frame) {
            EXPECT_EQ(index, out.frames.size());
            out.frames.push_back(frame);
        });
        EXPECT_EQ(ok, out.frames.size() == reader.FrameCount());
        if (!ok) out.error = reader.Error();
        return out;
    }
    for (uint32_t i = 0; i < reader.FrameCount(); i += static_cast<uint32_t>(way.framesAtATime)) {
        AdvFrame first;
        AdvFrame second;
        const bool two = way.framesAtATime == 2 && i + 1 < reader.FrameCount();
        if (!(two ? reader.ReadTwoFrames(i, first, second) : reader.ReadFrame(i, first))) {
            out.error = reader.Error();
            return out;
        }
        out.frames.push_back(first);
        if (two) out.frames.push_back(second);
    }
    return out;
}

void ExpectSameFrames(const std::vector<AdvFrame>& read, const std::vector<AdvFrame>& expected) {
    ASSERT_EQ(read.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(read[i].pixels, expected[i].pixels) << i;
        EXPECT_EQ(read[i].start, expected[i].start) << i;
        EXPECT_EQ(read[i].stored, expected[i].stored) << i;
        EXPECT_EQ(read[i].status.size(), expected[i].status.size()) << i;
    }
}

// Two frames at a time, and every frame with its images decoded on several threads, read
// what one at a time reads, on every cut and changed byte of a compressed recording of 3
// frames: the same frames, or the same first error. Every frame walks up to a damaged one
// hand over each frame before it.
TEST(AdvReader, TwoFramesAtATimeReadAsOneByOne) {
    const std::string good = SmallRecording(3, {});
    const ReadWay oneByOne{"one by one", 1};
    const ReadWay others[] = {{"two at a time", 2}, {"every frame, 1 thread", 0, 1}, {"every frame, 2 threads", 0, 2}};
    auto same = [&](const std::string& bytes) {
        const ReadOutcome one = ReadFrames(bytes, oneByOne);
        for (const ReadWay& way : others) {
            SCOPED_TRACE(way.name);
            const ReadOutcome other = ReadFrames(bytes, way);
            EXPECT_EQ(other.error, one.error);
            if (way.framesAtATime == 0 || one.error.empty()) ExpectSameFrames(other.frames, one.frames);
        }
    };
    const ReadOutcome whole = ReadFrames(good, others[0]);
    ASSERT_EQ(whole.error, "");
    ASSERT_EQ(whole.frames.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(whole.frames[static_cast<std::size_t>(i)].pixels, test::PatternFrame(64, 8, i));
        EXPECT_FALSE(whole.frames[static_cast<std::size_t>(i)].stored);  // coded: decoded side by side
    }
    for (std::size_t length = 0; length < good.size(); ++length) {
        SCOPED_TRACE("cut to " + std::to_string(length));
        same(good.substr(0, length));
    }
    for (std::size_t at = 0; at < good.size(); ++at) {
        SCOPED_TRACE("changed byte " + std::to_string(at));
        std::string bytes = good;
        bytes[at] = static_cast<char>(bytes[at] ^ 0xA5);
        same(bytes);
    }
}

// A longer compressed recording read in runs of frames on 1 to 3 threads: every frame as
// one by one reads it. With frame 5 damaged (its coded image, or its status values) the
// frames before it, from earlier runs and from its own, are handed over whole, and the
// error is the one ReadFrame gives.
TEST(AdvReader, EveryFrameOnSeveralThreadsReadsAsOneByOne) {
    const std::string good = SmallRecording(11, {});
    AdvReader layout;
    ASSERT_TRUE(layout.OpenBytes(reinterpret_cast<const uint8_t*>(good.data()), good.size()));
    const uint64_t frame5 = layout.Index()[5].offset;
    const uint64_t status5 = frame5 + 25 + test::U32At(good, frame5 + 21);
    struct Case {
        const char* name;
        std::function<void(std::string&)> damage;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"whole", [](std::string&) {}, ""},
        {"coded image", [frame5](std::string& b) { b[frame5 + 28] = 0x7F; },
         "at offset " + std::to_string(frame5 + 29) + ": table of 32"},
        {"status values", [status5](std::string& b) { b[status5 + 17] = 12; },
         "at offset " + std::to_string(status5 + 17) + ": status value for unknown channel 12"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = good;
        c.damage(bytes);
        const ReadOutcome one = ReadFrames(bytes, {"one by one", 1});
        EXPECT_NE(one.error.find(c.error), std::string::npos) << one.error;
        EXPECT_EQ(one.frames.size(), c.error.empty() ? 11u : 5u);
        for (const int threads : {1, 2, 3}) {
            SCOPED_TRACE(std::to_string(threads) + " threads");
            const ReadOutcome each = ReadFrames(bytes, {"every frame", 0, threads});
            EXPECT_EQ(each.error, one.error);
            ExpectSameFrames(each.frames, one.frames);
        }
    }
}

struct Recovered {
    std::vector<AdvIndexEntry> index;
    uint64_t framesEnd = 0;
    std::string reason;
    std::vector<AdvFrame> frames;
};

// Opens the bytes for recovery and reads every frame found.
Recovered Recover(const std::string& bytes) {
    Recovered r;
    AdvReader reader;
    EXPECT_TRUE(reader.OpenBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), AdvReader::Mode::Recover))
        << reader.Error();
    r.index = reader.Index();
    r.framesEnd = reader.FramesEnd();
    r.reason = reader.FramesEndReason();
    r.frames.resize(reader.FrameCount());
    for (uint32_t i = 0; i < reader.FrameCount(); ++i) EXPECT_TRUE(reader.ReadFrame(i, r.frames[i])) << reader.Error();
    return r;
}

class AdvReaderRecovery : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(reader.OpenBytes(reinterpret_cast<const uint8_t*>(good.data()), good.size())) << reader.Error();
        ASSERT_EQ(reader.FrameCount(), 4u);
        for (uint32_t i = 0; i < 4; ++i) ASSERT_TRUE(reader.ReadFrame(i, frames[i])) << reader.Error();
    }
    uint64_t FrameAt(uint32_t i) const { return reader.Index()[i].offset; }
    std::vector<AdvIndexEntry> FirstEntries(std::size_t n) const {
        return {reader.Index().begin(), reader.Index().begin() + static_cast<std::ptrdiff_t>(n)};
    }
    // The recovered frames are the first `n` frames, as the index of the finished file has them.
    void ExpectFirstFrames(const Recovered& r, std::size_t n) const {
        EXPECT_EQ(r.index, FirstEntries(n));
        ASSERT_EQ(r.frames.size(), n);
        for (std::size_t i = 0; i < n; ++i) {
            EXPECT_EQ(r.frames[i].pixels, frames[i].pixels) << i;
            EXPECT_EQ(r.frames[i].start, frames[i].start) << i;
        }
    }

    // Four frames: one coded full frame, then three with the regions only.
    const std::string good = SmallRecording(4);
    AdvReader reader;
    AdvFrame frames[4];
};

TEST_F(AdvReaderRecovery, AFinishedFileAgreesWithItsIndex) {
    const Recovered r = Recover(good);
    ExpectFirstFrames(r, 4);
    EXPECT_EQ(r.framesEnd, reader.IndexOffset());
    EXPECT_EQ(r.reason, "");
}

// A crash at any byte of the last frame: the three whole frames, and where they end.
TEST_F(AdvReaderRecovery, ACutAtEveryByteOfTheLastFrameKeepsTheWholeOnes) {
    for (uint64_t length = FrameAt(3); length < reader.IndexOffset(); ++length) {
        SCOPED_TRACE(length);
        const std::string crashed = test::CrashedAdv(good, length);
        EXPECT_NE(ReadAll(crashed), "") << "only recovery opens a cut file";
        const Recovered r = Recover(crashed);
        ExpectFirstFrames(r, 3);
        EXPECT_EQ(r.framesEnd, FrameAt(3));
        EXPECT_EQ(r.reason, length == FrameAt(3) ? "" : "an incomplete frame");
    }
}

TEST_F(AdvReaderRecovery, TheFramesEndAtTheFirstDamagedOne) {
    const uint64_t frame2 = FrameAt(2);
    const uint64_t image2 = frame2 + 21;  // the image section's length, then its layout id
    struct Case {
        const char* name;
        std::function<void(std::string&)> damage;
        std::size_t frames;
        uint64_t end;
        std::string reason;
    };
    const std::string zeros(100, '\0');
    const std::vector<Case> cases = {
        {"frame magic", [&](std::string& b) { b[frame2 + 1] ^= 0x5A; }, 2, frame2, "bytes that are no frame"},
        {"image section shorter than its layout bytes", [&](std::string& b) { Put32(b, image2, 1); }, 2, frame2,
         "a damaged frame"},
        {"region data of the wrong size", [&](std::string& b) { Put32(b, image2, test::U32At(b, image2) - 2); }, 2,
         frame2, "a damaged frame"},
        {"undeclared layout", [&](std::string& b) { b[image2 + 4] = 3; }, 2, frame2, "a damaged frame"},
        {"status section shorter than its head",
         [&](std::string& b) { Put32(b, image2 + 4 + test::U32At(b, image2), 12); }, 2, frame2, "a damaged frame"},
        {"status section running past the end",
         [&](std::string& b) { Put32(b, image2 + 4 + test::U32At(b, image2), 0x7FFFFFFF); }, 2, frame2,
         "an incomplete frame"},
        // A file system may leave zeros where the last writes never landed.
        {"zeros after the frames", [&](std::string& b) { b = test::CrashedAdv(b, reader.IndexOffset()) + zeros; }, 4,
         reader.IndexOffset(), "bytes that are no frame"},
        // A crash while the index was written: the frames end where it begins.
        {"index cut short", [&](std::string& b) { b.resize(reader.IndexOffset() + 20); }, 4, reader.IndexOffset(), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = good;
        c.damage(bytes);
        const Recovered r = Recover(bytes);
        ExpectFirstFrames(r, c.frames);
        EXPECT_EQ(r.framesEnd, c.end);
        EXPECT_EQ(r.reason, c.reason);
    }
}

TEST_F(AdvReaderRecovery, NeedsTheHeaderAndTablesTheFramesFollow) {
    // Stopped before the first frame: nothing to find, and that is no fault.
    const Recovered none = Recover(test::CrashedAdv(good, FrameAt(0)));
    EXPECT_TRUE(none.index.empty());
    EXPECT_EQ(none.framesEnd, FrameAt(0));
    EXPECT_EQ(none.reason, "");
    std::string unfinished = test::CrashedAdv(good, FrameAt(2));
    Put32(unfinished, 17, 0);
    Put32(unfinished, 21, 0);
    EXPECT_NE(ReadAll(unfinished, AdvReader::Mode::Recover).find("at offset 17: the system metadata table was never written"),
              std::string::npos);
    EXPECT_NE(ReadAll(test::CrashedAdv(good, FrameAt(0) - 1), AdvReader::Mode::Recover).find("runs past the end of the file"),
              std::string::npos);
}

}  // namespace
}  // namespace orva
