// The frame path's output, pinned to the byte: a simulated camera with a fixed seed and
// clock, every processing step switched on (row noise, dark, flat, burnt-in PC time),
// recorded as SER, ADV (raw, LAGARITH16, regions of interest) and a FITS sequence. The
// files' fingerprints were taken from the frame path as it stood before its stages were
// split out; any change to the bytes a recording holds shows here.
#include "processing/CalibrationImage.h"
#include "recording/AdvWriter.h"
#include "recording/FitsSequenceWriter.h"
#include "recording/SerWriter.h"
#include "SimulatedProcessingChain.h"
#include "support/LogCapture.h"
#include "support/ManualClock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace orva {
namespace {

constexpr int kFrames = 6;
constexpr int kMode = 2;  // 176 x 128

UtcDateTime FixedPcTime() { return {2024, 6, 1, 22, 0, 5, 123}; }

// FNV-1a, 64 bits: enough to tell two files apart, and the same on every machine.
uint64_t Fingerprint(const std::vector<std::string>& paths) {
    uint64_t hash = 14695981039346656037ull;
    for (const std::string& path : paths) {
        std::ifstream in(path, std::ios::binary);
        EXPECT_TRUE(in.good()) << path;
        for (auto it = std::istreambuf_iterator<char>(in); it != std::istreambuf_iterator<char>(); ++it) {
            hash ^= static_cast<uint8_t>(*it);
            hash *= 1099511628211ull;
        }
    }
    return hash;
}

std::shared_ptr<const CalibrationImage> Ramp(int width, int height, uint16_t base, int step) {
    auto image = std::make_shared<CalibrationImage>();
    image->width = width;
    image->height = height;
    image->pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (std::size_t i = 0; i < image->pixels.size(); ++i) {
        image->pixels[i] = static_cast<uint16_t>(base + static_cast<int>(i % 97) * step);
    }
    return image;
}

// Records kFrames frames of the seeded camera through a fully switched-on frame path.
void Record(IRecordingSink& writer) {
    test::ManualClock cameraClock;
    test::SimulatedProcessingChain chain(7, kMode, cameraClock);
    const int width = chain.mode.width;
    const int height = chain.mode.height;
    // A processor with the fixed PC clock in place of the chain's.
    FrameProcessorOptions fixed;
    fixed.threadCount = 2;
    fixed.cameras = &chain.slot;
    fixed.guiding = &chain.guiding;
    fixed.gpsLog = &chain.gpsLog;
    fixed.histogram = &chain.histogram;
    fixed.pcClock = &FixedPcTime;
    chain.processor = std::make_unique<FrameProcessor>(fixed);
    FrameProcessor& fp = *chain.processor;
    fp.SetFpnReduction(true);
    fp.SetPcTime(true);
    fp.SetDarkEnabled(true);
    fp.SetPedestal(100);
    fp.SetDarkFrame(Ramp(width, height, 180, 1));
    fp.SetFlatFrame(Ramp(width, height, 30000, 20), 31000);
    ASSERT_TRUE(fp.AttachWriter(&writer));
    std::vector<uint8_t> bytes;
    for (int i = 0; i <= kFrames; ++i) {
        if (i == kFrames) fp.RequestStopRecording();
        chain.camera->GenerateFrame(bytes, nullptr);
        orva::CameraFrame received = orva::CameraFrame::Received(bytes.data(), static_cast<uint16_t>(chain.mode.transferWidth), static_cast<uint16_t>(height));
        fp.ConsumeFrame(received);
        cameraClock.Advance(std::chrono::milliseconds(40));
    }
    EXPECT_FALSE(fp.IsWriterAttached());
    EXPECT_FALSE(fp.TakeRecordingFailure().has_value());
}

TEST(RecordingGolden, EveryFormatHoldsTheSameBytes) {
    std::vector<std::pair<std::string, uint64_t>> seen;
    test::LogCapture log;
    test::TempDir dir;
    const int width = 176;
    const int height = 128;
    {
        SerWriter writer;
        ASSERT_TRUE(writer.OpenRecording(dir.File("r.ser"), width, height, 16));
        ASSERT_TRUE(writer.StartRecording(nullptr));
        Record(writer);
        seen.emplace_back("SER", Fingerprint({dir.File("r.ser")}));
    }
    const struct {
        const char* name;
        bool compress;
        std::vector<AdvRegion> zones;
    } advCases[] = {
        {"ADV raw", false, {}},
        {"ADV LAGARITH16", true, {}},
        {"ADV LAGARITH16 with zones", true, {{64, 64, 64, 32}, {0, 0, 32, 32}}},
    };
    for (const auto& c : advCases) {
        SharedTelescopeState telescope;
        AdvWriter writer(telescope);
        const std::string path = dir.File(std::string(c.name) + ".adv");
        ASSERT_TRUE(writer.OpenRecording(path, width, height, 16, c.zones, c.compress));
        ASSERT_TRUE(writer.StartRecording(nullptr));
        Record(writer);
        seen.emplace_back(c.name, Fingerprint({path}));
    }
    {
        FitsSequenceWriter writer;
        const std::string pattern = dir.File("seq_[FRAMENR].fits");
        ASSERT_TRUE(writer.OpenRecording(pattern, width, height, 16));
        ASSERT_TRUE(writer.StartRecording(nullptr));
        Record(writer);
        std::vector<std::string> files;
        for (int i = 1; i <= kFrames; ++i) files.push_back(FitsSequenceWriter::FrameFileName(pattern, i));
        seen.emplace_back("FITS sequence", Fingerprint(files));
    }
    const std::vector<std::pair<std::string, uint64_t>> golden = {
        {"SER", 0xe6c0b358199da009ull},
        {"ADV raw", 0xd767470f3b6a6e84ull},
        {"ADV LAGARITH16", 0xbd3d2f51523d0a40ull},
        {"ADV LAGARITH16 with zones", 0xad9d721e2d13095full},
        {"FITS sequence", 0x7683126bc67fba1cull},
    };
    ASSERT_EQ(seen.size(), golden.size());
    for (std::size_t i = 0; i < golden.size(); ++i) {
        EXPECT_EQ(seen[i].first, golden[i].first);
        EXPECT_EQ(seen[i].second, golden[i].second)
            << seen[i].first << " fingerprint " << std::hex << seen[i].second << " differs";
    }
    EXPECT_TRUE(log.MessagesStartingWith("E ").empty());
}

}  // namespace
}  // namespace orva
