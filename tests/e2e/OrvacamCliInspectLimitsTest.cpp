// Recordings whose headers name frames far larger than the memory at hand, inspected by
// the built orvacam-cli program: a file without frames needs no frame buffer at all, and
// a frame too large for the memory the program may use ends the command with one line
// and exit code 1, never an abort.

#include "e2e/CliStationRun.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace orva {
namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

constexpr uint32_t kSide = 65535;  // 8.6 GB per frame

// A SER header as the station writes it: 162 bytes, or 178 with the two time fields.
std::string SerHeader(uint32_t frameCount, bool withTimes) {
    std::string h = "LUCAM-RECORDER";
    const auto u32 = [&h](uint32_t v) {
        for (int i = 0; i < 4; ++i) h += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    u32(0);           // LuID
    u32(0);           // ColorID
    u32(0);           // LittleEndian
    u32(kSide);       // ImageWidth
    u32(kSide);       // ImageHeight
    u32(16);          // PixelDepthPerPlane
    u32(frameCount);  // FrameCount
    h += std::string(3 * 40, '\0');
    if (withTimes) h += std::string(16, '\x01');
    return h;
}

class CliInspectLimits : public CliStationRun {
protected:
    // Not under a sanitizer, the program gets 1 GiB of address space, so that a frame
    // buffer of 8.6 GB fails at once instead of filling the machine's memory.
    CliInspectLimits() {
        if (!kSanitized) addressSpaceLimit = rlim_t{1} << 30;
    }
};

// A recording stopped before its first frame is an empty, sound file, whatever frame size
// its header names: the bare 162-byte header the station writes, and a whole 178-byte one.
TEST_F(CliInspectLimits, HeadersWithoutFramesInspectAsEmptyRecordings) {
    for (const bool withTimes : {false, true}) {
        SCOPED_TRACE(withTimes ? "178 bytes" : "162 bytes");
        const std::string path = dir.File(withTimes ? "whole.ser" : "tiny.ser");
        test::WriteFile(path, SerHeader(0, withTimes));
        const Outcome run = Run({"inspect", path});
        ASSERT_TRUE(run.exited) << "ended by a signal: " << run.err;
        EXPECT_EQ(run.code, 0) << run.err;
        const auto lines = run.OutLines();
        EXPECT_TRUE(HasLine(lines, "format: SER 16-bit")) << run.out;
        EXPECT_TRUE(HasLine(lines, "dimensions: 65535 x 65535")) << run.out;
        EXPECT_TRUE(HasLine(lines, "frames: 0")) << run.out;
        EXPECT_TRUE(HasLine(lines, "result: sound")) << run.out;
        EXPECT_EQ(run.err, "");
    }
}

// One frame of 65535 x 65535 samples in a sparse file of the right size: the file is
// sound, but its frame does not fit the memory the program may use.
TEST_F(CliInspectLimits, AFrameLargerThanTheMemoryGivesOneLineAndExitCodeOne) {
    if (kSanitized) GTEST_SKIP() << "a sanitizer's allocator aborts instead of throwing std::bad_alloc";
    const std::string path = dir.File("huge.ser");
    test::WriteFile(path, SerHeader(1, true));
    const uint64_t frameBytes = 2ull * kSide * kSide;
    std::filesystem::resize_file(path, 178 + frameBytes + 8);
    const Outcome run = Run({"inspect", path});
    ASSERT_TRUE(run.exited) << "ended by a signal: " << run.err;
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err, "orvacam-cli inspect: not enough memory to finish the command\n");
}

}  // namespace
}  // namespace orva
