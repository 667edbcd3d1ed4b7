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

// A small compressed recording with one zone: frame 0 coded in layout 1, frame 1 regions.
std::string SmallRecording() {
    TempDir dir;
    SharedTelescopeState telescope;
    AdvWriter writer(telescope);
    const std::string path = dir.File("s.adv");
    EXPECT_TRUE(writer.OpenRecording(path, 64, 8, 16, {{8, 2, 16, 3}}, true));
    EXPECT_TRUE(writer.StartRecording(nullptr));
    for (int i = 0; i < 2; ++i) {
        const auto frame = test::PatternFrame(64, 8, i);
        const BinaryOverlay o = test::TimedOverlay(i, 40 * i);
        EXPECT_TRUE(writer.AddFrame(frame.data(), 1024, test::StartTicks(o), o));
    }
    EXPECT_TRUE(writer.StopRecording());
    return test::ReadFile(path);
}

// Opens the bytes and reads every frame; the first failure's message, or "".
std::string ReadAll(const std::string& bytes) {
    AdvReader reader;
    if (!reader.OpenBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())) return reader.Error();
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
// address sanitizer this also shows that nothing is read outside the file.
TEST(AdvReader, SurvivesEveryCutAndChangedByte) {
    const std::string good = SmallRecording();
    for (std::size_t length = 0; length < good.size(); ++length) {
        EXPECT_NE(ReadAll(good.substr(0, length)), "") << length;
    }
    for (std::size_t at = 0; at < good.size(); ++at) {
        std::string bytes = good;
        bytes[at] = static_cast<char>(bytes[at] ^ 0xA5);
        ReadAll(bytes);
    }
}

}  // namespace
}  // namespace orva
