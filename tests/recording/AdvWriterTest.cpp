#include "recording/AdvReader.h"
#include "recording/AdvWriter.h"

#include "RecordingTestFrames.h"
#include "camera/CameraFakes.h"
#include "support/FileSizeLimit.h"
#include "support/LogCapture.h"
#include "support/ManualClock.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
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

// Little-endian bytes as the format describes them, built independently of the writer.
struct ExpectedBytes {
    std::string bytes;
    ExpectedBytes& U8(uint8_t v) { bytes.push_back(static_cast<char>(v)); return *this; }
    ExpectedBytes& U32(uint32_t v) { for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(v >> (8 * i))); return *this; }
    ExpectedBytes& U64(uint64_t v) { for (int i = 0; i < 8; ++i) U8(static_cast<uint8_t>(v >> (8 * i))); return *this; }
    ExpectedBytes& Str(const std::string& s) {
        U8(static_cast<uint8_t>(s.size()));
        U8(static_cast<uint8_t>(s.size() >> 8));
        bytes += s;
        return *this;
    }
    ExpectedBytes& Tag(const std::string& name, const std::string& value) { return Str(name).Str(value); }
};

// An activated camera unit over the fake extension unit: an IMX174 camera (or another
// sensor), serial 1234, firmware 1.3.5.
struct ActiveCamera {
    explicit ActiveCamera(uint8_t sensor = 7) {
        device->SetIdentity(1, 3, 5, sensor);
        unit = std::make_shared<CameraUnit>(manager, "ORVA+CAM", "usb#1", device);
        EXPECT_TRUE(unit->Activate(false));
    }
    void SetStatus(uint32_t gainCode) {
        OverlayStatusFields fields;
        fields.statusWord1 = gainCode << 24;
        fields.latitude = 481234567;
        fields.longitude = -81234567;
        fields.heightMm = 512345;
        fields.binningX = 2;
        fields.binningY = 1;
        unit->Status().DecodeOverlay(fields);
    }

    test::ManualClock clock;
    test::FakeDeviceEnumerator devices;
    test::FakeCameraStream stream;
    CameraManager manager{devices, stream, clock};
    std::shared_ptr<test::FakeCameraDevice> device = std::make_shared<test::FakeCameraDevice>(clock, "ORVA+CAM", "usb#1");
    std::shared_ptr<CameraUnit> unit;
};

struct Options {
    int width = 64;
    int height = 8;
    bool compress = false;
    std::vector<AdvRegion> zones;
    const RecordingCameraSnapshot* camera = nullptr;
    uint32_t gainCode = 0;  // in every frame's record
};

// Writes frames 0..n-1 (pattern frames, overlays 40 ms apart) and returns them.
std::vector<std::vector<uint16_t>> Record(AdvWriter& writer, const std::string& path, const Options& o, int frames) {
    std::vector<std::vector<uint16_t>> written;
    EXPECT_TRUE(writer.OpenRecording(path, o.width, o.height, 16, o.zones, o.compress));
    EXPECT_TRUE(writer.StartRecording(o.camera));
    for (int i = 0; i < frames; ++i) {
        written.push_back(test::PatternFrame(o.width, o.height, i));
        BinaryOverlay overlay = TimedOverlay(500 + i, 40 * i);
        overlay.StatusWord1 = o.gainCode << 24;
        EXPECT_TRUE(writer.AddFrame(written.back().data(), 2 * written.back().size(), StartTicks(overlay), overlay));
    }
    EXPECT_TRUE(writer.StopRecording());
    return written;
}

std::unique_ptr<AdvReader> OpenReader(const std::string& path) {
    auto reader = std::make_unique<AdvReader>();
    EXPECT_TRUE(reader->Open(path)) << reader->Error();
    return reader;
}

// Status bytes of a frame of the fixture: 8 + 4 + 1 + the twelve values (gain "?").
constexpr uint32_t kStatusBytes = 13 + (1 + 2 + 1) + 9 + 5 + 2 + 2 + 5 + 5 + 5 * 5;

TEST(AdvWriter, FileHeaderAndSectionsAreByteExact) {
    TempDir dir;
    SharedTelescopeState telescope;
    AdvWriter writer(telescope);
    const std::string path = dir.File("r.adv");
    Record(writer, path, {}, 0);
    EXPECT_EQ(writer.GetFormatDescription(), "ADV 16-bit");
    const std::string file = ReadFile(path);

    ExpectedBytes head;
    head.U32(0x46545346).U8(2).U32(0);
    const std::size_t offsetsAt = head.bytes.size();
    head.U64(0).U64(0).U64(0).U8(2);
    for (const char* stream : {"MAIN", "CALIBRATION"}) head.Str(stream).U32(0).U64(1000000000).U32(1000000).U64(0);
    head.U8(2).Str("IMAGE").U64(0).Str("STATUS").U64(0);
    const std::size_t imageAt = head.bytes.size();
    head.U8(2).U32(64).U32(8).U8(16).U8(1);
    head.U8(1).U8(1).U8(16).U8(2).Tag("DATA-LAYOUT", "FULL-IMAGE-RAW").Tag("SECTION-DATA-COMPRESSION", "UNCOMPRESSED");
    head.U8(3).Tag("IMAGE-BYTE-ORDER", "LITTLE-ENDIAN").Tag("IMAGE-MAX-PIXEL-VALUE", "65535").Tag("IMAGE-BAYER-PATTERN", "MONOCHROME");
    const std::size_t statusAt = head.bytes.size();
    head.U8(2).U64(1000000).U8(12);
    const std::pair<const char*, uint8_t> channels[] = {
        {"Gain", 5}, {"SystemTime", 3}, {"VideoCameraFrameId", 2}, {"TrackedSatellites", 0}, {"FixStatus", 0}, {"Temperature", 4},
        {"DOPTime", 2}, {"GDOP", 4}, {"PDOP", 4}, {"TDOP", 4}, {"VDOP", 4}, {"HDOP", 4}};
    for (const auto& [name, type] : channels) head.Str(name).U8(type);
    const std::size_t systemAt = head.bytes.size();

    ASSERT_GT(file.size(), systemAt);
    // The placeholders hold the offsets they were filled with; compare the rest as built.
    std::string masked = file.substr(0, systemAt);
    for (std::size_t at : {offsetsAt, offsetsAt + 8, offsetsAt + 16}) masked.replace(at, 8, 8, '\0');
    const std::size_t imageOffsetAt = imageAt - 8 - 8 - 2 - 6;  // "IMAGE" u64, then "STATUS" string, u64
    masked.replace(imageAt - 8 - 8 - 2 - 6, 8, 8, '\0');
    masked.replace(imageAt - 8, 8, 8, '\0');
    EXPECT_EQ(masked, head.bytes);
    EXPECT_EQ(U64At(file, imageOffsetAt), imageAt);
    EXPECT_EQ(U64At(file, imageAt - 8), statusAt);
    EXPECT_EQ(U64At(file, 17), systemAt);
    EXPECT_EQ(U32At(file, systemAt), 22u);

    // 0 frames: MAIN counts 0, the index has no entries, the user table no tags.
    const uint64_t indexAt = U64At(file, 9);
    ExpectedBytes tail;
    tail.U8(2).U32(9).U32(13).U32(0).U32(0).U32(0);
    EXPECT_EQ(file.substr(indexAt), tail.bytes);
    EXPECT_EQ(U64At(file, 25), indexAt + 1 + 4 + 4 + 4 + 4);
    EXPECT_EQ(OpenReader(path)->FrameCount(), 0u);
}

TEST(AdvWriter, UncompressedFramesAndTheirIndex) {
    TempDir dir;
    SharedTelescopeState telescope;
    AdvWriter writer(telescope);
    const std::string path = dir.File("r.adv");
    const auto frames = Record(writer, path, {640, 480, false, {}, nullptr}, 3);
    const std::string file = ReadFile(path);
    auto reader = OpenReader(path);
    ASSERT_EQ(reader->FrameCount(), 3u);
    EXPECT_EQ(reader->Streams()[0].frameCount, 3u);
    EXPECT_EQ(reader->Streams()[1].frameCount, 0u);
    EXPECT_EQ(reader->Layouts().size(), 1u);
    const uint32_t frameBytes = 4 + 1 + 16 + (4 + 2 + 614400) + 4 + kStatusBytes;
    const uint64_t firstFrameAt = reader->Index()[0].offset;
    for (uint32_t i = 0; i < 3; ++i) {
        const AdvIndexEntry& e = reader->Index()[i];
        EXPECT_EQ(e.offset, firstFrameAt + i * frameBytes);
        EXPECT_EQ(e.size, frameBytes - 4);
        EXPECT_EQ(e.elapsed, 400000 * static_cast<int64_t>(i));  // 40 ms in 100-ns units
        EXPECT_EQ(U32At(file, e.offset), 0xEE0122FFu);
        EXPECT_EQ(U32At(file, e.offset + 21), 614402u);
        EXPECT_EQ(file[e.offset + 25], 1);  // layout id
        AdvFrame frame;
        ASSERT_TRUE(reader->ReadFrame(i, frame)) << reader->Error();
        EXPECT_EQ(frame.layout, 1);
        EXPECT_EQ(frame.pixels, frames[i]);
    }
    // The index follows the last frame; its offsets count from its first byte.
    EXPECT_EQ(reader->IndexOffset(), firstFrameAt + 3 * frameBytes);
    EXPECT_EQ(U32At(file, reader->IndexOffset() + 5), 13u + 20 * 3);
}

TEST(AdvWriter, TimeStampsAndStatusValues) {
    struct Case {
        const char* name;
        BinaryOverlay overlay;
        uint64_t start;  // nanoseconds since 2010
        uint64_t end;
        uint64_t middle;
        uint32_t duration;
        float temperature;
    };
    const uint64_t t2024 = (StartTicks(TimedOverlay(0)) - AdvFormat::kTicksAt2010) * 100;
    auto overlay = [](auto change) {
        BinaryOverlay o = TimedOverlay(77);
        change(o);
        return o;
    };
    const std::vector<Case> cases = {
        {"plain 40 ms", overlay([](BinaryOverlay& o) { o.Temperature = 0x1901; }), t2024, t2024 + 40000000,
         t2024 + 20000000, 40000000, 25.0f},
        {"below zero", overlay([](BinaryOverlay& o) { o.Temperature = 0x8501; }), t2024, t2024 + 40000000,
         t2024 + 20000000, 40000000, -5.0f},
        {"exposure of 5 s keeps the low 32 bits", overlay([](BinaryOverlay& o) { o.ToTime.second += 5; }), t2024,
         t2024 + 5040000000, t2024 + 2520000000, static_cast<uint32_t>(5040000000ull), -999.0f},
        {"clock not set yet (2000)", overlay([](BinaryOverlay& o) { o.FromTime.year = 2000; o.ToTime.year = 2000; }),
         0, 0, 0, 0, -999.0f},
        {"end not a calendar date", overlay([](BinaryOverlay& o) { o.ToTime.month = 13; }), t2024, 0, 0, 0, -999.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        SharedTelescopeState telescope;
        AdvWriter writer(telescope);
        ASSERT_TRUE(writer.OpenRecording(dir.File("t.adv"), 4, 2, 16, {}, false));
        ASSERT_TRUE(writer.StartRecording(nullptr));
        BinaryOverlay o = c.overlay;
        o.NofSats = 11;
        o.FixState = 3;
        o.DOPTime = 123456;
        o.DOPG = 123;
        o.DOPP = 45;
        o.DOPT = 6;
        o.DOPV = 789;
        o.DOPH = 10;
        const std::vector<uint16_t> pixels(8, 0x1230);
        // The time given with the frame is the exposure start the frame processor formed.
        ASSERT_TRUE(writer.AddFrame(pixels.data(), 16, AdvFormat::kTicksAt2010 + 5, o));
        ASSERT_TRUE(writer.StopRecording());
        auto reader = OpenReader(dir.File("t.adv"));
        AdvFrame frame;
        ASSERT_TRUE(reader->ReadFrame(0, frame)) << reader->Error();
        EXPECT_EQ(frame.start, c.start);
        EXPECT_EQ(frame.end, c.end);
        EXPECT_EQ(frame.middle, c.middle);
        EXPECT_EQ(frame.duration, c.duration);
        ASSERT_EQ(frame.status.size(), 12u);
        for (uint8_t i = 0; i < 12; ++i) EXPECT_EQ(frame.status[i].channel, i);
        EXPECT_EQ(frame.status[0].text, "?");
        EXPECT_EQ(frame.status[1].integer, 500u);
        EXPECT_EQ(frame.status[2].integer, 77u);
        EXPECT_EQ(frame.status[3].integer, 11u);
        EXPECT_EQ(frame.status[4].integer, 3u);
        EXPECT_EQ(frame.status[5].real, c.temperature);
        EXPECT_EQ(frame.status[6].integer, 123456u);
        EXPECT_EQ(frame.status[7].real, 1.23f);
        EXPECT_EQ(frame.status[8].real, 0.45f);
        EXPECT_EQ(frame.status[9].real, 0.06f);
        EXPECT_EQ(frame.status[10].real, 7.89f);
        EXPECT_EQ(frame.status[11].real, 0.1f);
    }
}

TEST(AdvWriter, SystemMetadataFromCameraNamesAndTelescope) {
    struct Case {
        const char* name;
        SharedTelescopeState::Position telescope;
        std::size_t tags;
    };
    const std::vector<Case> cases = {
        {"telescope not connected", {0, 5.5, 20.25}, 22},
        {"telescope position known", {1, 5.5, -20.25}, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        ActiveCamera camera;
        camera.SetStatus(24);
        SharedTelescopeState telescope;
        telescope.Write(c.telescope);
        AdvWriter writer(telescope);
        writer.SetRecordingNames({"Jane Doe", "C8", "ORVA+CAM #1234 FW 1.3.5, Sensor IMX174", std::nullopt});
        writer.SetObjectName("(1234) Asteroid");
        writer.SetSoftwareVersion("1.2.3-4");
        const RecordingCameraSnapshot snapshot = RecordingCameraSnapshot::Of(*camera.unit);
        Record(writer, dir.File("m.adv"), {64, 8, false, {}, &snapshot, 24}, 1);
        auto reader = OpenReader(dir.File("m.adv"));
        const CameraModel& model = *camera.unit->Model();
        std::vector<AdvTag> expected = {
            {"RECORDER-SOFTWARE", "OrvaZuvArovudu"},
            {"RECORDER-SOFTWARE-VERSION", "1.2.3-4"},
            {"CAMERA-MODEL", model.GetModelName(true)},
            {"CAMERA-SERIAL-NO", "1234"},
            {"CAMERA-VENDOR-NAME", "ORVA"},
            {"CAMERA-SENSOR-INFO", model.GetSensorName(true)},
            {"CAMERA-FIRMWARE-VERSION", "1.3.5"},
            {"CAMERA-DRIVER-NAME", "UVC"},
            {"LATITUDE", "48.1234567"},
            {"LONGITUDE", "-8.1234567"},
            {"ALTITUDE", "512.3"},
            {"BINNING-X", "2"},
            {"BINNING-Y", "1"},
            {"ACQUISITION-DELAY", "0.0"},
            {"AUTHOR", "Jane Doe"},
            {"COMMENT", ""},
            {"INSTRUMENT", "ORVA+CAM #1234 FW 1.3.5, Sensor IMX174"},
            {"OBSERVER", "Jane Doe"},
            {"TELESCOPE", "C8"},
            {"OBJNAME", "(1234) Asteroid"},
            {"HEIGHT", "8"},
            {"WIDTH", "64"},
        };
        if (c.telescope.valid) {
            expected.insert(expected.begin() + 19, {{"RA", "5.500000"}, {"DEC", "-20.250000"}});
        }
        EXPECT_EQ(reader->SystemTags().size(), c.tags);
        EXPECT_EQ(reader->SystemTags(), expected);
        EXPECT_TRUE(reader->UserTags().empty());
        AdvFrame frame;
        ASSERT_TRUE(reader->ReadFrame(0, frame));
        EXPECT_EQ(frame.status[0].text, "+24 dB");
    }
}

TEST(AdvWriter, GainTextFollowsEachFramesRecord) {
    struct Case {
        uint8_t sensor;
        uint32_t code;
        std::string text;
    };
    // AR0130 codes map to gain indices: 8 and above minus 8, below 8 plus 14.
    const std::vector<Case> cases = {{7, 25, "+25 dB D"}, {7, 0, "+00 dB"}, {2, 22, "78.0 D"}, {2, 1, "0.09 D"}, {2, 8, "1.00"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TempDir dir;
        ActiveCamera camera(c.sensor);
        const RecordingCameraSnapshot snapshot = RecordingCameraSnapshot::Of(*camera.unit);
        SharedTelescopeState telescope;
        AdvWriter writer(telescope);
        Record(writer, dir.File("g.adv"), {64, 8, false, {}, &snapshot, c.code}, 1);
        auto reader = OpenReader(dir.File("g.adv"));
        AdvFrame frame;
        ASSERT_TRUE(reader->ReadFrame(0, frame));
        EXPECT_EQ(frame.status[0].text, c.text);
    }
}

// Link recovery frees the camera unit a recording started with; the recording must go on
// with the camera as it was, and each frame's gain from its own record.
TEST(AdvWriter, RecordingOutlivesItsCameraUnit) {
    TempDir dir;
    SharedTelescopeState telescope;
    AdvWriter writer(telescope);
    const std::string path = dir.File("r.adv");
    auto camera = std::make_unique<ActiveCamera>();
    camera->SetStatus(24);
    {
        const RecordingCameraSnapshot snapshot = RecordingCameraSnapshot::Of(*camera->unit);
        ASSERT_TRUE(writer.OpenRecording(path, 64, 8, 16, {}, false));
        ASSERT_TRUE(writer.StartRecording(&snapshot));
    }
    camera.reset();
    const std::vector<uint16_t> pixels = test::PatternFrame(64, 8, 1);
    for (int i = 0; i < 3; ++i) {
        BinaryOverlay overlay = TimedOverlay(700 + i, 40 * i);
        overlay.StatusWord1 = static_cast<uint32_t>(10 + i) << 24;
        ASSERT_TRUE(writer.AddFrame(pixels.data(), 2 * pixels.size(), StartTicks(overlay), overlay));
    }
    ASSERT_TRUE(writer.StopRecording());
    auto reader = OpenReader(path);
    ASSERT_EQ(reader->FrameCount(), 3u);
    for (uint32_t i = 0; i < 3; ++i) {
        AdvFrame frame;
        ASSERT_TRUE(reader->ReadFrame(i, frame));
        EXPECT_EQ(frame.status[0].text, "+" + std::to_string(10 + i) + " dB");
    }
    EXPECT_EQ(reader->SystemTags()[3], (AdvTag{"CAMERA-SERIAL-NO", "1234"}));
}

TEST(AdvWriter, CompressedFramesOneSymbolWhiteNoiseAndPattern) {
    TempDir dir;
    SharedTelescopeState telescope;
    AdvWriter writer(telescope);
    const std::string path = dir.File("c.adv");
    ASSERT_TRUE(writer.OpenRecording(path, 256, 256, 16, {}, true));
    ASSERT_TRUE(writer.StartRecording(nullptr));
    std::vector<std::vector<uint16_t>> frames;
    frames.emplace_back(65536, uint16_t{0x0ABC});  // one symbol: 4 bytes
    frames.emplace_back(65536);
    for (std::size_t i = 0; i < 65536; ++i) frames.back()[i] = static_cast<uint16_t>(i * 40503u);  // every value once
    frames.push_back(test::PatternFrame(256, 256, 3));
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const BinaryOverlay o = TimedOverlay(static_cast<int32_t>(i), 40 * static_cast<int>(i));
        ASSERT_TRUE(writer.AddFrame(frames[i].data(), 2 * 65536, StartTicks(o), o));
    }
    ASSERT_TRUE(writer.StopRecording());
    const std::string file = ReadFile(path);
    auto reader = OpenReader(path);
    EXPECT_EQ(AdvReader::TagValue(reader->Layouts()[0].tags, "SECTION-DATA-COMPRESSION"), "LAGARITH16");
    const std::vector<uint32_t> imageLengths = {6, 8 + 131072 + 2};
    for (uint32_t i = 0; i < 2; ++i) EXPECT_EQ(U32At(file, reader->Index()[i].offset + 21), imageLengths[i]);
    const std::size_t onePayload = reader->Index()[0].offset + 27;
    EXPECT_EQ(file.substr(onePayload, 4), std::string("\0\0\xBC\x0A", 4));
    EXPECT_LT(U32At(file, reader->Index()[2].offset + 21), 65536u);
    for (uint32_t i = 0; i < 3; ++i) {
        AdvFrame frame;
        ASSERT_TRUE(reader->ReadFrame(i, frame)) << reader->Error();
        EXPECT_EQ(frame.pixels, frames[i]) << i;
        EXPECT_EQ(frame.stored, i == 1);  // the raw form, told by its length, not a black frame
    }
}

// Frames of the pooled-encoding tests: small, many, of varied cost.
constexpr int kVariedWidth = 96;
constexpr int kVariedHeight = 64;

std::vector<std::vector<uint16_t>> VariedFrames(int count) {
    std::vector<std::vector<uint16_t>> frames;
    for (int n = 0; n < count; ++n) frames.push_back(test::VariedFrame(kVariedWidth, kVariedHeight, n));
    return frames;
}

// Starts a recording of the varied frames on `workers` encoding threads and adds the
// frames; the index of the first AddFrame that returned false, or frames.size().
std::size_t AddVariedFrames(AdvWriter& writer, const std::string& path, int workers, bool compress,
                            const std::vector<std::vector<uint16_t>>& frames) {
    writer.SetEncodeWorkers(workers);
    EXPECT_TRUE(writer.OpenRecording(path, kVariedWidth, kVariedHeight, 16, {}, compress));
    EXPECT_TRUE(writer.StartRecording(nullptr));
    std::size_t failedAt = frames.size();
    for (std::size_t n = 0; n < frames.size(); ++n) {
        const BinaryOverlay o = TimedOverlay(static_cast<int32_t>(100 + n), 40 * static_cast<int>(n));
        if (!writer.AddFrame(frames[n].data(), 2 * frames[n].size(), StartTicks(o) + 7, o) && failedAt == frames.size()) {
            failedAt = n;
        }
    }
    return failedAt;
}

std::string WriteVaried(const std::string& path, int workers, bool compress, const std::vector<std::vector<uint16_t>>& frames) {
    SharedTelescopeState telescope;
    AdvWriter writer(telescope);
    EXPECT_EQ(AddVariedFrames(writer, path, workers, compress, frames), frames.size());
    EXPECT_TRUE(writer.StopRecording());
    return ReadFile(path);
}

// Each frame's bytes: the head (21), the image section (length, layout, 0, data), the status section.
constexpr std::size_t kFrameHeadBytes = 21;
constexpr std::size_t kImageAt = kFrameHeadBytes + 6;

TEST(AdvWriter, CompressedFramesAreTheSameOnAnyNumberOfEncodingThreads) {
    TempDir dir;
    const auto frames = VariedFrames(40);
    const std::string raw = WriteVaried(dir.File("raw.adv"), 1, false, frames);
    const std::string single = WriteVaried(dir.File("c1.adv"), 1, true, frames);
    auto rawReader = OpenReader(dir.File("raw.adv"));
    auto reader = OpenReader(dir.File("c1.adv"));
    ASSERT_EQ(reader->FrameCount(), frames.size());
    ASSERT_EQ(rawReader->FrameCount(), frames.size());
    // Every frame as the raw recording holds it, its image the block an encoder of its own makes.
    for (uint32_t n = 0; n < frames.size(); ++n) {
        const AdvIndexEntry& c = reader->Index()[n];
        const AdvIndexEntry& r = rawReader->Index()[n];
        const std::vector<uint8_t> block = test::Lagarith16Block(frames[n]);
        const std::size_t rawImage = 2 * frames[n].size();
        EXPECT_EQ(c.elapsed, r.elapsed) << n;
        ASSERT_EQ(c.size, r.size - rawImage + block.size()) << n;
        EXPECT_EQ(single.substr(c.offset, kFrameHeadBytes), raw.substr(r.offset, kFrameHeadBytes)) << n;
        EXPECT_EQ(U32At(single, c.offset + kFrameHeadBytes), block.size() + 2) << n;
        EXPECT_EQ(single.substr(c.offset + kImageAt - 2, 2), std::string("\x01\x00", 2)) << n;
        EXPECT_EQ(single.substr(c.offset + kImageAt, block.size()), std::string(block.begin(), block.end())) << n;
        EXPECT_EQ(single.substr(c.offset + kImageAt + block.size(), c.size + 4 - kImageAt - block.size()),
                  raw.substr(r.offset + kImageAt + rawImage, r.size + 4 - kImageAt - rawImage)) << n;
        AdvFrame frame;
        ASSERT_TRUE(reader->ReadFrame(n, frame)) << reader->Error();
        EXPECT_EQ(frame.pixels, frames[n]) << n;
    }
    for (int workers : {2, 4}) {
        EXPECT_EQ(WriteVaried(dir.File("c" + std::to_string(workers) + ".adv"), workers, true, frames), single)
            << workers << " workers";
    }
}

// Counted once queued; on the disk, in order, once stopped; a writer destroyed without a
// stop leaves every frame it took for the repair, and its threads joined.
TEST(AdvWriter, QueuedFramesCountAndReachTheFileAtTheStopOrTheEnd) {
    TempDir dir;
    const auto frames = VariedFrames(12);
    for (const bool stop : {true, false}) {
        const std::string path = dir.File(stop ? "stopped.adv" : "abandoned.adv");
        {
            SharedTelescopeState telescope;
            AdvWriter writer(telescope);
            ASSERT_EQ(AddVariedFrames(writer, path, 2, true, frames), frames.size());
            EXPECT_EQ(writer.GetFrameCount(), static_cast<int32_t>(frames.size()));
            if (stop) {
                EXPECT_TRUE(writer.StopRecording());
            }
        }
        AdvReader reader;
        ASSERT_TRUE(reader.Open(path, stop ? AdvReader::Mode::Strict : AdvReader::Mode::Recover)) << reader.Error();
        ASSERT_EQ(reader.FrameCount(), frames.size()) << path;
        EXPECT_EQ(reader.FramesEndReason(), "") << path;
        for (uint32_t n = 0; n < frames.size(); ++n) {
            AdvFrame frame;
            ASSERT_TRUE(reader.ReadFrame(n, frame)) << reader.Error();
            EXPECT_EQ(frame.pixels, frames[n]) << path << " frame " << n;
            EXPECT_EQ(frame.status[2].integer, 100 + n) << path << " frame " << n;
        }
    }
}

// A file that may not grow past the middle of frame `wholeFrames`: the writer finds the
// failure when it writes that frame (during the recording, or at the stop for the last
// one), stops with one "E" line, and the file holds the frames before it whole, readable
// by the repair. Exit code: 10 + the index of the first AddFrame that returned false.
TEST(AdvWriter, FullDiskDuringACompressedRecordingKeepsTheFramesWritten) {
    TempDir dir;
    const auto frames = VariedFrames(16);
    const std::string complete = WriteVaried(dir.File("complete.adv"), 1, true, frames);
    auto reference = OpenReader(dir.File("complete.adv"));
    constexpr int kWorkers = 4;
    constexpr std::size_t kSlots = kWorkers + Lagarith16EncodePool::kSpareSlots;
    for (const std::size_t wholeFrames : {std::size_t{5}, frames.size() - 1}) {
        test::LogCapture log;
        const std::string path = dir.File("full" + std::to_string(wholeFrames) + ".adv");
        const AdvIndexEntry& cut = reference->Index()[wholeFrames];
        const uint64_t limit = cut.offset + cut.size / 2;
        const int exitCode = test::RunWithFileSizeLimit(limit, [&] {
            SharedTelescopeState telescope;
            AdvWriter writer(telescope);
            const std::size_t failedAt = AddVariedFrames(writer, path, kWorkers, true, frames);
            // Every frame accepted before the failure was found counts, none after.
            if (writer.GetFrameCount() != static_cast<int32_t>(failedAt)) return 4;
            if (writer.StopRecording()) return 1;  // the failure must not turn into success
            if (!writer.HasFailed() || writer.FailureMessage().find(path + ": File too large (27)") == std::string::npos) {
                return 2;
            }
            const uint16_t pixel = 0;
            if (writer.AddFrame(&pixel, 2, 0, TimedOverlay(999))) return 3;
            return 10 + static_cast<int>(failedAt);
        });
        // Found when the frame is written: as soon as it is queued, or up to a queue later.
        EXPECT_GE(exitCode, 10 + static_cast<int>(wholeFrames)) << wholeFrames;
        EXPECT_LE(exitCode, 10 + static_cast<int>(std::min(wholeFrames + kSlots, frames.size()))) << wholeFrames;
        EXPECT_EQ(log.MessagesStartingWith("E "),
                  std::vector<std::string>{"E Recording stopped, failed to write recording file: " + path + ": File too large (27)"});
        const std::string file = ReadFile(path);
        EXPECT_EQ(file, test::CrashedAdv(complete, static_cast<std::size_t>(limit))) << wholeFrames;
        AdvReader reader;
        ASSERT_TRUE(reader.Open(path, AdvReader::Mode::Recover)) << reader.Error();
        ASSERT_EQ(reader.FrameCount(), wholeFrames);
        EXPECT_EQ(reader.FramesEndReason(), "an incomplete frame");
        for (uint32_t n = 0; n < wholeFrames; ++n) {
            AdvFrame frame;
            ASSERT_TRUE(reader.ReadFrame(n, frame)) << reader.Error();
            EXPECT_EQ(frame.pixels, frames[n]) << n;
        }
    }
}

TEST(AdvWriter, RegionsFromZonesAreClippedAboveTheLastRow) {
    struct Case {
        const char* name;
        std::vector<AdvRegion> zones;
        std::vector<AdvRegion> regions;
    };
    const AdvRegion lastRow{0, 479, 640, 1};
    const std::vector<Case> cases = {
        {"no zones", {}, {}},
        {"bottom right corner", {{540, 380, 100, 100}}, {{540, 380, 100, 99}, lastRow}},
        {"wider than the frame", {{600, 0, 64, 64}}, {{600, 0, 40, 64}, lastRow}},
        {"outside the frame", {{640, 0, 64, 64}, {0, 479, 64, 64}}, {}},
        {"negative origin", {{-64, 0, 64, 64}}, {}},
        {"kept in order", {{0, 0, 64, 64}, {64, 64, 64, 64}}, {{0, 0, 64, 64}, {64, 64, 64, 64}, lastRow}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AdvWriter::RegionsFromZones(c.zones, 640, 480), c.regions) << c.name;
    }
}

TEST(AdvWriter, RegionFramesAfterTheFirstHoldOnlyTheRegions) {
    TempDir dir;
    SharedTelescopeState telescope;
    AdvWriter writer(telescope);
    const std::string path = dir.File("z.adv");
    const auto frames = Record(writer, path, {640, 480, true, {{540, 380, 100, 100}}, nullptr}, 3);
    const std::string file = ReadFile(path);
    auto reader = OpenReader(path);
    ASSERT_EQ(reader->Layouts().size(), 2u);
    const AdvLayout& layout2 = reader->Layouts()[1];
    EXPECT_EQ(layout2.id, 2);
    EXPECT_EQ(layout2.second, 2);
    const std::vector<AdvTag> expectedTags = {
        {"DATA-LAYOUT", "FULL-IMAGE-RAW"}, {"SECTION-DATA-COMPRESSION", "UNCOMPRESSED"}, {"ROI-COUNT", "2"},
        {"ROI-TOP-0", "380"}, {"ROI-LEFT-0", "540"}, {"ROI-WIDTH-0", "100"}, {"ROI-HEIGHT-0", "99"},
        {"ROI-TOP-1", "479"}, {"ROI-LEFT-1", "0"}, {"ROI-WIDTH-1", "640"}, {"ROI-HEIGHT-1", "1"}};
    EXPECT_EQ(layout2.tags, expectedTags);
    for (uint32_t i = 0; i < 3; ++i) {
        AdvFrame frame;
        ASSERT_TRUE(reader->ReadFrame(i, frame)) << reader->Error();
        EXPECT_EQ(frame.layout, i == 0 ? 1 : 2);
        if (i == 0) {
            EXPECT_EQ(frame.pixels, frames[0]);
            continue;
        }
        EXPECT_EQ(U32At(file, reader->Index()[i].offset + 21), 2u * (100 * 99 + 640) + 2);
        std::vector<uint16_t> expected;
        for (const AdvRegion& r : reader->Regions()) {
            for (int row = r.top; row < r.top + r.height; ++row) {
                const auto begin = frames[i].begin() + row * 640 + r.left;
                expected.insert(expected.end(), begin, begin + r.width);
            }
        }
        EXPECT_EQ(frame.pixels, expected);
    }
}

TEST(AdvWriter, AtMost62ZonesSoTheLayoutTagCountFitsItsByte) {
    test::LogCapture log;
    TempDir dir;
    std::vector<AdvRegion> zones;
    for (int i = 0; i < 70; ++i) zones.push_back({(i % 10) * 64, (i / 10) * 64, 64, 64});
    SharedTelescopeState telescope;
    AdvWriter writer(telescope);
    const auto frames = Record(writer, dir.File("many.adv"), {640, 480, false, zones, nullptr}, 2);
    EXPECT_EQ(writer.Regions().size(), 63u);
    EXPECT_EQ(writer.Regions().back(), (AdvRegion{0, 479, 640, 1}));
    EXPECT_TRUE(log.Contains("W AdvWriter: too many regions of interest for the file header, regions left out: 8"));
    auto reader = OpenReader(dir.File("many.adv"));
    ASSERT_EQ(reader->Layouts().size(), 2u);
    EXPECT_EQ(reader->Layouts()[1].tags.size(), 255u);
    EXPECT_EQ(reader->Regions().size(), 63u);
    AdvFrame frame;
    EXPECT_TRUE(reader->ReadFrame(1, frame)) << reader->Error();
}

TEST(AdvWriter, FrameOfTheWrongSizeIsRefusedAndTheRecordingGoesOn) {
    test::LogCapture log;
    TempDir dir;
    SharedTelescopeState telescope;
    AdvWriter writer(telescope);
    const std::string path = dir.File("w.adv");
    ASSERT_TRUE(writer.OpenRecording(path, 64, 8, 16, {}, false));
    ASSERT_TRUE(writer.StartRecording(nullptr));
    const auto frame = test::PatternFrame(64, 8, 1);
    EXPECT_TRUE(writer.AddFrame(frame.data(), 1000, 0, TimedOverlay(1)));
    EXPECT_TRUE(writer.AddFrame(frame.data(), 1024, 0, TimedOverlay(2)));
    ASSERT_TRUE(writer.StopRecording());
    EXPECT_TRUE(log.Contains("E Frame refused, its size does not match the recording: 1000 bytes instead of 1024"));
    auto reader = OpenReader(path);
    ASSERT_EQ(reader->FrameCount(), 1u);
    AdvFrame read;
    ASSERT_TRUE(reader->ReadFrame(0, read));
    EXPECT_EQ(read.pixels, frame);
    EXPECT_EQ(read.status[2].integer, 2u);
}

}  // namespace
}  // namespace orva
