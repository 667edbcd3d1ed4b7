// The headless station as users and scripts run it: the built orvacam-cli program,
// started as its own process with its own settings, recording from the simulated camera
// and inspecting and repairing what it wrote.
//
// The program lies beside this test's folder (../apps/orvacam-cli); build both. Each
// test waits for the program to finish (a time limit only bounds a hang).

#include "common/CommandLine.h"
#include "common/SingleInstanceGuard.h"
#include "processing/FrameTimestamp.h"
#include "processing/ParseBinaryOverlay.h"
#include "recording/AdvReader.h"
#include "recording/AdvFormat.h"
#include "recording/FitsReader.h"
#include "recording/RecordingTimeline.h"
#include "recording/SerReader.h"

#include "e2e/CliStationRun.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

namespace orva {
namespace {

using namespace std::chrono_literals;

// The simulated camera's first exposure starts at kSimUtc, 2024-06-01 22:00:00 UTC.
constexpr uint64_t kFirstStart = 638528760000000000ULL;

TEST_F(CliStationRun, FiveHundredFramesInEachFormatAreCompleteAndEvenlySpaced) {
    // The codec gets a longer frame time, which a sanitizer build keeps up with too.
    const std::pair<std::string, std::string> cases[] = {
        {"ser", "5"}, {"adv", "5"}, {"adv-compressed", "20"}, {"fits-seq", "20"}};
    for (const auto& [format, exposure] : cases) {
        SCOPED_TRACE(format);
        const Outcome rec = Run(Record(format, "500", dir.File(format), {"--csv"}, exposure));
        ASSERT_EQ(rec.code, 0) << rec.err;
        EXPECT_EQ(LinesStartingWith(rec.OutLines(), "recorded 500 frames").size(), 1u) << rec.out;
        const auto files = rec.Written();
        ASSERT_EQ(files.size(), 2u) << rec.out;  // the recording and its GPS status CSV
        for (const std::string& file : files) {
            SCOPED_TRACE(file);
            const Outcome inspect = Run({"inspect", file});
            EXPECT_EQ(inspect.code, 0) << inspect.err;
            const auto lines = inspect.OutLines();
            EXPECT_TRUE(HasLine(lines, "frames: 500")) << inspect.out;
            EXPECT_TRUE(HasLine(lines, "frame numbers: 1 .. 500")) << inspect.out;
            EXPECT_TRUE(HasLine(lines, "missed frames: 0")) << inspect.out;
            EXPECT_TRUE(HasLine(lines, "exposure: " + exposure + ".000 ms")) << inspect.out;
            EXPECT_TRUE(HasLine(lines, "time stamps: increasing")) << inspect.out;
            const std::string spacing = exposure + ".0000 ms";
            EXPECT_TRUE(HasLine(lines, "time-stamp spacing: " + spacing + " (min " + spacing + ", max " + spacing + ")"))
                << inspect.out;
            EXPECT_TRUE(HasLine(lines, "first time stamp: 2024-06-01T22:00:00.0000000")) << inspect.out;
            EXPECT_TRUE(HasLine(lines, "result: sound")) << inspect.out;
        }
        if (format == "adv" || format == "adv-compressed") {
            EXPECT_TRUE(HasLine(Run({"inspect", files[0]}).OutLines(),
                                format == "adv" ? "compression: UNCOMPRESSED" : "compression: LAGARITH16"));
        }
    }
    EXPECT_TRUE(LinesStartingWith(LogMessages(), "W Missed").empty());
    EXPECT_TRUE(LinesStartingWith(LogMessages(), "E ").empty());
}

TEST_F(CliStationRun, ImagesDarksAndFlatsAverageTheirFrames) {
    const std::pair<std::string, std::string> cases[] = {
        {"fits", "image type: Light Frame"}, {"dark", "image type: Dark Frame"}, {"flat", "image type: Flat Frame"}};
    for (const auto& [format, type] : cases) {
        SCOPED_TRACE(format);
        const Outcome rec = Run(Record(format, "16", dir.File(format)));
        ASSERT_EQ(rec.code, 0) << rec.err;
        EXPECT_TRUE(HasLine(rec.OutLines(), "averaged 16 frames into one image")) << rec.out;
        ASSERT_EQ(rec.Written().size(), 1u);
        const std::string name = std::filesystem::path(rec.Written()[0]).filename().string();
        EXPECT_EQ(name.front() == 'D' || name.front() == 'F', format != "fits") << name;
        const Outcome inspect = Run({"inspect", rec.Written()[0]});
        EXPECT_EQ(inspect.code, 0) << inspect.err;
        EXPECT_TRUE(HasLine(inspect.OutLines(), "dimensions: 176 x 128")) << inspect.out;
        EXPECT_TRUE(HasLine(inspect.OutLines(), type)) << inspect.out;
    }
}

TEST_F(CliStationRun, InjectedDropsAreExactlyTheMissedFramesAndTheLogsWarnings) {
    const Outcome rec = Run(Record("ser", "500", dir.File("rec"),
                                   {"--csv", "--fault", "drop:100:3", "--fault", "drop:250:1", "--fault", "drop:400:7"}));
    ASSERT_EQ(rec.code, 0) << rec.err;
    EXPECT_EQ(LinesStartingWith(rec.OutLines(), "recorded 500 frames (SER 16-bit), 11 missed").size(), 1u) << rec.out;
    for (const std::string& file : rec.Written()) {
        SCOPED_TRACE(file);
        const Outcome inspect = Run({"inspect", file});
        EXPECT_EQ(inspect.code, 0) << inspect.err;
        const auto lines = inspect.OutLines();
        EXPECT_TRUE(HasLine(lines, "missed frames: 11")) << inspect.out;
        EXPECT_EQ(LinesStartingWith(lines, "missed: "),
                  (std::vector<std::string>{"missed: 100 3", "missed: 250 1", "missed: 400 7"}));
        EXPECT_TRUE(HasLine(lines, "frame numbers: 1 .. 511")) << inspect.out;
        EXPECT_TRUE(HasLine(lines, "time stamps: increasing"));
    }
    EXPECT_EQ(LinesStartingWith(LogMessages(), "W Missed"),
              (std::vector<std::string>{"W Missed one or more frames (start, len):  100 3",
                                        "W Missed one or more frames (start, len):  250 1",
                                        "W Missed one or more frames (start, len):  400 7"}));
}

TEST_F(CliStationRun, EveryNthFrameAndTimedRecordings) {
    const Outcome every = Run(Record("ser", "50", dir.File("every"), {"--every", "3"}));
    ASSERT_EQ(every.code, 0) << every.err;
    const auto lines = Run({"inspect", every.Written().at(0)}).OutLines();
    EXPECT_TRUE(HasLine(lines, "frames: 50"));
    EXPECT_TRUE(HasLine(lines, "frame numbers: 1 .. 148"));
    EXPECT_TRUE(HasLine(lines, "frame number step: 3"));
    EXPECT_TRUE(HasLine(lines, "missed frames: 0"));
    EXPECT_TRUE(HasLine(lines, "time-stamp spacing: 15.0000 ms (min 15.0000 ms, max 15.0000 ms)"));

    // Centred on a time that began within its duration: the recording starts at once and
    // covers two seconds of exposure starts, 100 frames of 20 ms.
    const auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    gmtime_r(&now, &utc);
    char center[16];
    std::snprintf(center, sizeof(center), "%02d:%02d:%02d", utc.tm_hour, utc.tm_min, utc.tm_sec);
    const Outcome timed = Run({"record", "--camera", "sim", "--mode", "2", "--exposure", "20", "--format", "adv",
                               "--seconds", "2", "--center", center, "--out", dir.File("timed"), "--sim-utc", kSimUtc});
    ASSERT_EQ(timed.code, 0) << timed.err;
    EXPECT_EQ(LinesStartingWith(timed.OutLines(), std::string("recording 2 s centred on ") + center).size(), 1u)
        << timed.out;
    const auto t = Run({"inspect", timed.Written().at(0)}).OutLines();
    EXPECT_TRUE(HasLine(t, "frames: 100"));
    EXPECT_TRUE(HasLine(t, "last time stamp: 2024-06-01T22:00:01.9800000"));
}

// Without --sim-utc the camera's GPS clock shows today's time, as a real camera's does.
TEST_F(CliStationRun, RecordingsCarryTheSystemsUtcByDefault) {
    const auto unixNsNow = [] {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    };
    const int64_t before = unixNsNow();
    const Outcome rec = Run({"record", "--camera", "sim", "--mode", "2", "--exposure", "20", "--format", "ser",
                             "--seconds", "2", "--out", dir.File("now")});
    const int64_t after = unixNsNow();
    ASSERT_EQ(rec.code, 0) << rec.err;
    const auto lines = Run({"inspect", rec.Written().at(0)}).OutLines();
    constexpr int64_t kTolerance = 2000000000;
    for (const std::string which : {"first time stamp: ", "last time stamp: "}) {
        const auto found = LinesStartingWith(lines, which);
        ASSERT_EQ(found.size(), 1u) << which;
        const auto stamp = CommandLine::ParseUtcTime(found[0].substr(which.size()));
        ASSERT_TRUE(stamp) << found[0];
        EXPECT_GE(*stamp, before - kTolerance) << found[0];
        EXPECT_LE(*stamp, after + kTolerance) << found[0];
    }
}

// Every frame's status channels against the timing record in the frame's own last row.
void ExpectAdvStatusMatchesEachFramesRecord(const std::string& file, const std::string& gainText, int gainCode) {
    AdvReader reader;
    ASSERT_TRUE(reader.Open(file)) << reader.Error();
    const int width = static_cast<int>(reader.Width());
    const int height = static_cast<int>(reader.Height());
    for (uint32_t i = 0; i < reader.FrameCount(); ++i) {
        SCOPED_TRACE("frame index " + std::to_string(i));
        AdvFrame frame;
        ASSERT_TRUE(reader.ReadFrame(i, frame)) << reader.Error();
        ASSERT_EQ(frame.pixels.size(), static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        BinaryOverlay record;
        ParseBinaryOverlay(record, frame.pixels, width, height);
        ASSERT_TRUE(record.Valid);
        ASSERT_EQ(frame.status.size(), 12u);
        EXPECT_EQ(static_cast<int>(record.StatusWord1 >> 24), gainCode);
        EXPECT_EQ(frame.status[0].text, gainText);
        EXPECT_EQ(frame.status[2].integer, static_cast<uint64_t>(record.FrameNr));
        EXPECT_EQ(frame.status[3].integer, record.NofSats);
        EXPECT_EQ(frame.status[4].integer, record.FixState);
        EXPECT_EQ(frame.status[6].integer, record.DOPTime);
        EXPECT_EQ(frame.start, AdvFormat::TimeStampOf(FrameTimestampTicks(record.FromTime)));
        EXPECT_EQ(frame.end, AdvFormat::TimeStampOf(FrameTimestampTicks(record.ToTime)));
    }
}

// A USB unplug in the middle of a recording, in every format: the link comes back, the
// file keeps every frame with its exact time, and nothing the writer reads goes away with
// the replaced camera (the asan preset runs this too).
TEST_F(CliStationRun, UnplugDuringRecordingIsRecoveredAndTheFileKeepsEveryFrame) {
    const std::pair<std::string, std::string> cases[] = {
        {"ser", "10"}, {"adv", "10"}, {"adv-compressed", "20"}, {"fits-seq", "20"}};
    for (const auto& [format, exposure] : cases) {
        SCOPED_TRACE(format);
        const Outcome rec = Run({"record", "--camera", "sim", "--mode", "2", "--exposure", exposure, "--gain", "12",
                                 "--format", format, "--frames", "300", "--out", dir.File(format), "--fault",
                                 "unplug:100:300", "--sim-utc", kSimUtc});
        ASSERT_EQ(rec.code, 0) << rec.err;
        EXPECT_EQ(rec.err.find("ERROR: AddressSanitizer"), std::string::npos) << rec.err;
        const Outcome inspect = Run({"inspect", "--frames", rec.Written().at(0)});
        ASSERT_EQ(inspect.code, 0) << inspect.err;
        const auto lines = inspect.OutLines();
        EXPECT_TRUE(HasLine(lines, "frames: 300"));
        EXPECT_TRUE(HasLine(lines, "result: sound")) << inspect.out;
        // Frames 1 to 99 before the loss, then the camera counts from 1 again after a gap.
        EXPECT_TRUE(HasLine(lines, "frame numbers start again: frame 100 (1)")) << inspect.out;
        EXPECT_EQ(LinesStartingWith(lines, "pause: ").size(), 1u);
        EXPECT_EQ(LinesStartingWith(lines, "pause: before frame 100: ").size(), 1u) << inspect.out;
        const uint64_t frameTicks = static_cast<uint64_t>(std::stoi(exposure)) * 10000;
        for (int i = 1; i <= 99; ++i) {
            const std::string start = FormatTicks(kFirstStart + static_cast<uint64_t>(i - 1) * frameTicks);
            EXPECT_EQ(LinesStartingWith(lines, "frame " + std::to_string(i) + ": number " + std::to_string(i) +
                                                   ", start " + start + ",")
                          .size(),
                      1u)
                << i;
        }
        if (format.rfind("adv", 0) == 0) ExpectAdvStatusMatchesEachFramesRecord(rec.Written().at(0), "+12 dB", 12);
    }
    const auto log = LogMessages();
    EXPECT_EQ(LinesStartingWith(log, "W The camera link is interrupted").size(), 4u);
    EXPECT_EQ(LinesStartingWith(log, "I LinkRecoveryController.FinalizeSuccessfulRecovery: Recovery completed "
                                     "successfully!")
                  .size(),
              4u);
}

// The observer and instrument chosen in the equipment lists reach every recording's header.
TEST_F(CliStationRun, SelectedObserverAndInstrumentReachEveryHeader) {
    // Set up as a station without a screen is: through the equipment command.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"equipment", "add", "observer", "Jane Doe", "--set", "Email=jane@example.org"},
             {"equipment", "add", "instrument", "C8 Edge", "--set", "FocalLength=2032", "--set", "Aperture=203"},
             {"equipment", "add", "site", "Home", "--set", "Lat=-12.5", "--set", "Lon=-8.25", "--set", "Alt=312"},
             {"equipment", "select", "observer", "Jane Doe"},
             {"equipment", "select", "instrument", "C8 Edge"},
             {"equipment", "select", "site", "Home"}}) {
        const Outcome set = Run(args);
        ASSERT_EQ(set.code, 0) << set.err;
    }
    const auto listed = Run({"equipment", "list"}).OutLines();
    EXPECT_TRUE(HasLine(listed, "observer\tJane Doe\t(selected)\tEmail=jane@example.org")) << Run({"equipment", "list"}).out;
    EXPECT_EQ(LinesStartingWith(listed, "instrument\tC8 Edge\t(selected)").size(), 1u);
    EXPECT_EQ(LinesStartingWith(listed, "site\tHome\t(selected)").size(), 1u);
    const std::string camera = "ORVA+CAM";
    for (const std::string format : {"ser", "adv", "fits-seq", "fits"}) {
        SCOPED_TRACE(format);
        const Outcome rec = Run(Record(format, "4", dir.File(format)));
        ASSERT_EQ(rec.code, 0) << rec.err;
        std::string file = rec.Written().at(0);
        if (format == "ser") {
            SerReader reader;
            ASSERT_TRUE(reader.Open(file)) << reader.Error();
            EXPECT_EQ(reader.Header().observer, "Jane Doe");
            EXPECT_EQ(reader.Header().telescope, "C8 Edge");
            EXPECT_EQ(reader.Header().instrument.rfind(camera, 0), 0u) << reader.Header().instrument;
        } else if (format == "adv") {
            AdvReader reader;
            ASSERT_TRUE(reader.Open(file)) << reader.Error();
            std::map<std::string, std::string> tags;
            for (const AdvTag& tag : reader.SystemTags()) tags[tag.name] = tag.value;
            EXPECT_EQ(tags["AUTHOR"], "Jane Doe");
            EXPECT_EQ(tags["OBSERVER"], "Jane Doe");
            EXPECT_EQ(tags["TELESCOPE"], "C8 Edge");
            EXPECT_EQ(tags["INSTRUMENT"].rfind(camera, 0), 0u) << tags["INSTRUMENT"];
            EXPECT_EQ(tags["RECORDER-SOFTWARE-VERSION"], "0.1.0-0");
        } else {
            if (format == "fits-seq") {
                std::vector<std::string> frames;
                for (const auto& e : std::filesystem::directory_iterator(rec.Written().at(0))) {
                    if (e.path().extension() == ".fits") frames.push_back(e.path().string());
                }
                ASSERT_EQ(frames.size(), 4u);
                file = frames.front();
            }
            FitsReader reader;
            const auto result = reader.Read(file);
            ASSERT_TRUE(result);
            EXPECT_EQ(result->header->GetObserver(), "Jane Doe");
            EXPECT_EQ(result->header->GetTelescop(), "C8 Edge");
            EXPECT_EQ(result->header->GetInstrume().rfind(camera, 0), 0u) << result->header->GetInstrume();
        }
    }
}

TEST_F(CliStationRun, HelpModesAndEquipmentMistakes) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"help"}, {"help", "inspect"}, {"record", "--help"}, {"equipment", "-h"}}) {
        const Outcome help = Run(args);
        EXPECT_EQ(help.code, 0) << args[0];
        EXPECT_EQ(help.out.rfind("usage: orvacam-cli ", 0), 0u) << help.out;
    }
    EXPECT_TRUE(HasLine(Run({"help", "inspect"}).OutLines(), "usage: orvacam-cli inspect [--frames] FILE"));

    const auto modes = Run({"cameras", "--modes"}).OutLines();
    const auto imx174 = std::find(modes.begin(), modes.end(), "sim:7\tIMX174\t(the default of --camera sim)");
    ASSERT_GE(std::distance(imx174, modes.end()), 7);
    EXPECT_EQ(std::vector<std::string>(imx174 + 1, imx174 + 7),
              (std::vector<std::string>{"  mode 0: 1920 x 1200, 12-bit packed, shortest frame time 25 ms",
                                        "  mode 1: 1920 x 128, 12-bit packed, shortest frame time 4 ms",
                                        "  mode 2: 176 x 128, 12-bit packed, binned 2x2, shortest frame time 2 ms",
                                        "  mode 3: 960 x 600, 12-bit packed, binned 2x2, shortest frame time 20 ms",
                                        "  mode 4: 480 x 300, 16-bit, binned 4x4, shortest frame time 20 ms",
                                        "  gain: 0 .. 48 (+00 dB .. +48 dB D)"}));
    // A sensor by its name as well as its code.
    const Outcome byName = Run({"record", "--camera", "sim:imx178", "--mode", "0", "--exposure", "5", "--format",
                                "fits", "--frames", "1", "--out", dir.File("byname")});
    ASSERT_EQ(byName.code, 0) << byName.err;
    EXPECT_TRUE(HasLine(Run({"inspect", byName.Written().at(0)}).OutLines(), "dimensions: 3072 x 2048"));

    struct Case {
        std::vector<std::string> args;
        int code;
        std::string error;
    };
    const Case cases[] = {
        {{"equipment", "add", "telescope", "X"}, 2, "orvacam-cli equipment: unknown kind 'telescope'"},
        {{"equipment", "add", "site", "Far", "--set", "Lat=91"}, 2, "orvacam-cli equipment: Lat must be a number"},
        {{"equipment", "add", "site", "Far", "--set", "Height=3"}, 2, "orvacam-cli equipment: unknown field 'Height'"},
        {{"equipment", "select", "observer", "Nobody"}, 1, "orvacam-cli equipment: no observer is named 'Nobody'"},
        {{"equipment", "fly", "observer", "X"}, 2, "orvacam-cli equipment: unknown action 'fly'"},
        {{"help", "fly"}, 2, "orvacam-cli help: unknown command 'fly'"},
    };
    for (const Case& c : cases) {
        const Outcome o = Run(c.args);
        EXPECT_EQ(o.code, c.code) << o.err;
        EXPECT_EQ(o.err.rfind(c.error, 0), 0u) << o.err;
        EXPECT_EQ(Lines(o.err).size(), 1u) << o.err;
    }
    EXPECT_TRUE(Run({"equipment", "list", "site"}).out.empty()) << "nothing was added by a refused command";
}

// Every frame of a recording (a FITS sequence: its folder), top row first.
std::vector<std::vector<uint16_t>> ReadRecordedFrames(const std::string& format, const std::string& path) {
    std::vector<std::vector<uint16_t>> frames;
    if (format == "ser") {
        SerReader reader;
        EXPECT_TRUE(reader.Open(path)) << reader.Error();
        for (uint32_t i = 0; i < reader.FrameCount(); ++i) {
            frames.emplace_back(static_cast<std::size_t>(reader.Header().width) * reader.Header().height);
            EXPECT_TRUE(reader.ReadFrame(i, frames.back()));
        }
    } else if (format == "fits-seq") {
        std::vector<std::string> files;
        for (const auto& e : std::filesystem::directory_iterator(path)) {
            if (e.path().extension() == ".fits") files.push_back(e.path().string());
        }
        std::sort(files.begin(), files.end());
        for (const std::string& file : files) {
            const auto image = FitsReader().Read(file);
            EXPECT_TRUE(image) << file;
            if (image) frames.push_back(image->pixels);
        }
    } else {
        AdvReader reader;
        EXPECT_TRUE(reader.Open(path)) << reader.Error();
        for (uint32_t i = 0; i < reader.FrameCount(); ++i) {
            AdvFrame frame;
            EXPECT_TRUE(reader.ReadFrame(i, frame));
            frames.push_back(frame.pixels);
        }
    }
    return frames;
}

// Simple aperture photometry: the star that the recording loses is the pixel whose
// darkest frame falls furthest below its mean; a 5 x 5 box around it, less the frame's
// median background, in every frame. The record row is left out.
std::vector<double> TargetFlux(const std::vector<std::vector<uint16_t>>& frames, int width, int height) {
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height - 1);
    std::vector<double> mean(pixels, 0.0);
    std::vector<double> least(pixels, 65536.0);
    for (const auto& f : frames) {
        for (std::size_t i = 0; i < pixels; ++i) {
            mean[i] += f[i] / static_cast<double>(frames.size());
            least[i] = std::min(least[i], static_cast<double>(f[i]));
        }
    }
    std::size_t star = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        if (mean[i] - least[i] > mean[star] - least[star]) star = i;
    }
    const int sx = static_cast<int>(star % width);
    const int sy = static_cast<int>(star / width);
    std::vector<double> flux;
    for (const auto& f : frames) {
        std::vector<uint16_t> sorted(f.begin(), f.begin() + static_cast<std::ptrdiff_t>(pixels));
        std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
        const double background = sorted[sorted.size() / 2];
        double sum = 0.0;
        for (int y = std::max(sy - 2, 0); y <= std::min(sy + 2, height - 2); ++y) {
            for (int x = std::max(sx - 2, 0); x <= std::min(sx + 2, width - 1); ++x) sum += f[y * width + x] - background;
        }
        flux.push_back(sum);
    }
    return flux;
}

// A practice occultation: the dip is found by photometry of the recorded frames at exactly
// the planned camera frames, in every format, also when frames were dropped before it.
TEST_F(CliStationRun, PracticeOccultationIsRecordedAtItsFramesAndTimes) {
    struct Case {
        std::string format;
        std::string exposure;
        std::vector<std::string> faults;
        std::size_t firstDip;  // recorded frame index
    };
    const Case cases[] = {
        {"ser", "10", {}, 99},
        {"adv", "10", {}, 99},
        {"adv-compressed", "20", {}, 99},
        {"fits-seq", "20", {}, 99},
        {"ser", "10", {"--fault", "drop:50:3"}, 96},
        {"adv-compressed", "20", {"--fault", "drop:50:3"}, 96},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format + (c.faults.empty() ? "" : " with drops"));
        std::vector<std::string> more = {"--occultation", "100:12"};
        more.insert(more.end(), c.faults.begin(), c.faults.end());
        const Outcome rec = Run(Record(c.format, "200", dir.File(c.format + std::to_string(c.firstDip)), more, c.exposure));
        ASSERT_EQ(rec.code, 0) << rec.err;
        const auto frames = ReadRecordedFrames(c.format, rec.Written().at(0));
        ASSERT_EQ(frames.size(), 200u);
        const std::vector<double> flux = TargetFlux(frames, 176, 128);
        std::vector<double> sorted = flux;
        std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
        const double median = sorted[sorted.size() / 2];
        ASSERT_GT(median, 1000.0) << "the target star is bright";
        std::vector<std::size_t> dips;
        for (std::size_t i = 0; i < flux.size(); ++i) {
            if (flux[i] < 0.4 * median) dips.push_back(i);
        }
        std::vector<std::size_t> expected(12);
        for (std::size_t i = 0; i < 12; ++i) expected[i] = c.firstDip + i;
        EXPECT_EQ(dips, expected);
        // The first dimmed frame was exposed 99 frame times after the first frame.
        BinaryOverlay first;
        BinaryOverlay dimmed;
        ParseBinaryOverlay(first, frames.front(), 176, 128);
        ParseBinaryOverlay(dimmed, frames.at(c.firstDip), 176, 128);
        ASSERT_TRUE(first.Valid && dimmed.Valid);
        EXPECT_EQ(FrameTimestampTicks(dimmed.FromTime) - FrameTimestampTicks(first.FromTime),
                  99u * static_cast<uint64_t>(std::stoi(c.exposure)) * 10000u);
    }
}

// The event store from the command line: an Occult file imported once, the next event, and
// a recording centred on it that carries its title.
TEST_F(CliStationRun, EventsAreImportedListedAndRecordedAround) {
    WriteSettings("LogDirectory=" + dir.File("log") + "\nRecordingWithOptionsDefaultDurationSec=8\n");
    const std::string file = dir.File("occult.xml");
    test::WriteFile(file, OccultFile(OccultEvent(UtcInSeconds(12), "Pallas", "HIP 42") +
                                     OccultEvent(UtcInSeconds(3 * 3600), "Juno", "UCAC4 123-456789")));
    const Outcome first = Run({"events", "import", file});
    ASSERT_EQ(first.code, 0) << first.err;
    EXPECT_TRUE(HasLine(first.OutLines(), "imported 2 events, 0 already known, 0 refused")) << first.out;
    EXPECT_TRUE(HasLine(Run({"events", "import", file}).OutLines(), "imported 0 events, 2 already known, 0 refused"));

    const Outcome next = Run({"events", "next"});
    ASSERT_EQ(next.code, 0) << next.err;
    ASSERT_EQ(next.OutLines().size(), 1u);
    const std::string described = next.OutLines()[0];
    EXPECT_NE(described.find("Pallas occ. HIP 42"), std::string::npos) << described;
    const std::size_t titleStart = described.find("UTC  ") + 5;
    const std::string title = described.substr(titleStart, described.rfind("  in ") - titleStart);

    // Eight seconds of 40 ms frames around the event.
    const Outcome rec = Run({"record", "--camera", "sim", "--mode", "2", "--exposure", "40", "--format", "adv",
                             "--event", "next", "--out", dir.File("event")});
    ASSERT_EQ(rec.code, 0) << rec.err;
    EXPECT_EQ(LinesStartingWith(rec.OutLines(), "recording 8 s around the event, starting at ").size(), 1u) << rec.out;
    AdvReader reader;
    ASSERT_TRUE(reader.Open(rec.Written().at(0))) << reader.Error();
    EXPECT_EQ(reader.FrameCount(), 200u);
    EXPECT_EQ(AdvReader::TagValue(reader.SystemTags(), "OBJNAME"), std::optional<std::string>(title));

    const Outcome none = Run({"record", "--camera", "sim", "--mode", "2", "--exposure", "10", "--format", "ser",
                              "--event", "soon", "--out", dir.File("event")});
    EXPECT_EQ(none.code, 2);
    EXPECT_EQ(none.err.rfind("orvacam-cli record: --event takes 'next'", 0), 0u) << none.err;
}

// An event's observation report from the command line: written once, never replaced
// without --force (the observer's notes in it survive), and no editor is started.
TEST_F(CliStationRun, EventReportIsWrittenAndReplacedOnlyWithForce) {
    std::filesystem::create_directories(dir.File("reports"));
    WriteSettings("LogDirectory=" + dir.File("log") + "\nReportsDirectory=" + dir.File("reports") +
                  "\nReportEditor=" + dir.File("no-such-editor") + "\n");
    const auto t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now()) + 3 * 3600;
    std::tm utc{};
    gmtime_r(&t, &utc);
    const std::string file = dir.File("occult.xml");
    test::WriteFile(file, OccultFile(OccultEvent(utc, "Juno", "UCAC4 123-456789")));
    ASSERT_EQ(Run({"events", "import", file}).code, 0);

    const Outcome first = Run({"events", "report", "1"});
    ASSERT_EQ(first.code, 0) << first.err;
    ASSERT_EQ(first.Written().size(), 1u) << first.out;
    const std::string report = first.Written()[0];
    EXPECT_EQ(std::filesystem::path(report).parent_path(), std::filesystem::path(dir.File("reports")));
    EXPECT_NE(test::ReadFile(report).find("Juno"), std::string::npos);
    EXPECT_TRUE(first.err.empty()) << first.err;

    const std::string notes = test::ReadFile(report) + "my notes\n";
    test::WriteFile(report, notes);
    const Outcome kept = Run({"events", "report", "next"});
    EXPECT_EQ(kept.code, 1);
    EXPECT_EQ(Lines(kept.err), std::vector<std::string>{"orvacam-cli events: the report " + report +
                                                        " exists already; --force replaces it"});
    EXPECT_EQ(test::ReadFile(report), notes);

    const Outcome replaced = Run({"events", "report", "next", "--force"});
    ASSERT_EQ(replaced.code, 0) << replaced.err;
    EXPECT_EQ(replaced.Written(), std::vector<std::string>{report});
    EXPECT_EQ(test::ReadFile(report).find("my notes"), std::string::npos);

    const struct {
        std::vector<std::string> args;
        int code;
        const char* line;
    } cases[] = {
        {{"events", "report", "2"}, 1, "orvacam-cli events: no event 2 (events list numbers them from 1)"},
        {{"events", "report", "x"}, 1, "orvacam-cli events: no event x (events list numbers them from 1)"},
        {{"events", "report"}, 2, "orvacam-cli events: report takes the event's number in the list, or next"},
        {{"events", "list", "--force"}, 2, "orvacam-cli events: --force goes with report"},
    };
    for (const auto& c : cases) {
        const Outcome run = Run(c.args);
        EXPECT_EQ(run.code, c.code) << c.line;
        EXPECT_EQ(Lines(run.err), std::vector<std::string>{c.line});
    }
}

// Whether some process holds an flock on the file, read from /proc/locks: probing with a
// lock of our own would take it whenever it is free.
bool SomeoneLocks(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return false;
    const std::string inode = ":" + std::to_string(st.st_ino) + " ";
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        if (line.find("FLOCK") != std::string::npos && line.find(inode) != std::string::npos) return true;
    }
    return false;
}

// Every file below the folder with its content, but the lock file.
std::map<std::string, std::string> FolderContent(const std::string& folder) {
    std::map<std::string, std::string> content;
    std::error_code ec;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder, ec)) {
        if (e.is_regular_file() && e.path().filename() != SingleInstanceGuard::kFileName) {
            content[e.path().string()] = test::ReadFile(e.path().string());
        }
    }
    return content;
}

// While a station holds the data folder, every command that writes station data is
// refused with one clear line and changes nothing; the commands that only read still run.
TEST_F(CliStationRun, CommandsThatWriteStationDataAreRefusedWhileAStationRuns) {
    const std::string data = dir.File("data");
    ASSERT_EQ(Run({"equipment", "add", "observer", "Ann"}).code, 0);
    const std::string file = dir.File("occult.xml");
    test::WriteFile(file, OccultFile(OccultEvent(UtcInSeconds(3 * 3600), "Juno", "HIP 7")));
    test::WriteFile(dir.File("firmware.dat"), std::string(64, '\0'));

    SingleInstanceGuard station(data);  // as a window holds it, from another process's view
    ASSERT_EQ(station.Acquire(), SingleInstanceGuard::State::Held);
    const auto dataBefore = FolderContent(data);
    const std::string settingsBefore = test::ReadFile(dir.File("config/ORVA Cam Control.ini"));
    const std::string lockPath = data + "/" + SingleInstanceGuard::kFileName;
    struct Case {
        std::string command;
        std::vector<std::string> args;
    };
    const std::vector<Case> writers = {
        {"events", {"events", "import", file}},
        {"equipment", {"equipment", "add", "observer", "Bob"}},
        {"equipment", {"equipment", "select", "observer", "Ann"}},
        {"equipment", {"equipment", "remove", "observer", "Ann"}},
        {"record", Record("ser", "10", dir.File("rec"))},
        {"firmware", {"firmware", "--camera", "sim", dir.File("firmware.dat")}},
        {"gnss", {"gnss", "--camera", "sim", "--set", "GPS=off"}},
    };
    for (const Case& c : writers) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        const Outcome o = Run(c.args);
        EXPECT_EQ(o.code, 3);
        EXPECT_EQ(o.err, "orvacam-cli " + c.command + ": another station holds " + lockPath + "; close it first\n");
    }
    EXPECT_EQ(FolderContent(data), dataBefore);
    EXPECT_EQ(test::ReadFile(dir.File("config/ORVA Cam Control.ini")), settingsBefore);
    EXPECT_FALSE(std::filesystem::exists(dir.File("rec")));

    const Outcome list = Run({"equipment", "list", "observer"});
    EXPECT_EQ(list.code, 0) << list.err;
    EXPECT_TRUE(HasLine(list.OutLines(), "observer\tAnn")) << list.out;
    EXPECT_EQ(Run({"events", "list"}).code, 0);
}

// The command line beside a running station loses nothing: a recording holds the station,
// an import beside it is refused; once the recording ends the import is taken, and a later
// station's save keeps it.
TEST_F(CliStationRun, AnImportBesideARecordingWaitsAndIsKeptAfterwards) {
    const std::string lockPath = dir.File("data") + "/" + SingleInstanceGuard::kFileName;
    const pid_t recording = Start(Record("ser", "1000000", dir.File("long")));
    ASSERT_GT(recording, 0);
    const auto deadline = std::chrono::steady_clock::now() + kLiveness;
    while (!SomeoneLocks(lockPath) && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(SomeoneLocks(lockPath));

    const std::string first = dir.File("first.xml");
    test::WriteFile(first, OccultFile(OccultEvent(UtcInSeconds(3 * 3600), "Juno", "HIP 7")));
    const Outcome refused = Run({"events", "import", first});
    EXPECT_EQ(refused.code, 3);
    EXPECT_NE(refused.err.find("another station holds " + lockPath), std::string::npos) << refused.err;
    EXPECT_TRUE(Run({"events", "list"}).out.empty());

    kill(recording, SIGINT);
    int status = 0;
    waitpid(recording, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));

    const Outcome imported = Run({"events", "import", first});
    ASSERT_EQ(imported.code, 0) << imported.err;
    EXPECT_TRUE(HasLine(imported.OutLines(), "imported 1 events, 0 already known, 0 refused")) << imported.out;
    const std::string second = dir.File("second.xml");
    test::WriteFile(second, OccultFile(OccultEvent(UtcInSeconds(3 * 3600 + 60), "Vesta", "HIP 8")));
    ASSERT_EQ(Run({"events", "import", second}).code, 0);
    const auto listed = Run({"events", "list"}).OutLines();
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_NE(listed[0].find("Juno occ. HIP 7"), std::string::npos) << listed[0];
    EXPECT_NE(listed[1].find("Vesta occ. HIP 8"), std::string::npos) << listed[1];
}

// A settings file that is there but cannot be read (larger than any settings file) is left
// exactly as it was by a station run and by a command that changes a setting; the station
// says so, and the command that could not save fails.
TEST_F(CliStationRun, AnUnreadableSettingsFileIsLeftAsItWas) {
    const std::string ini = dir.File("config/ORVA Cam Control.ini");
    const std::string original = "[Settings]\nFitsDirectory=" + dir.File("fits") + "\n; " +
                                 std::string(5 * 1024 * 1024, 'x') + "\n";
    test::WriteFile(ini, original);
    const Outcome rec = Run(Record("ser", "20", dir.File("rec")));
    EXPECT_EQ(rec.code, 0) << rec.err;
    EXPECT_NE(rec.err.find("The settings file " + ini + " could not be read"), std::string::npos) << rec.err;
    ASSERT_EQ(Run({"equipment", "add", "observer", "Ann"}).code, 0);
    const Outcome select = Run({"equipment", "select", "observer", "Ann"});
    EXPECT_EQ(select.code, 1);
    EXPECT_NE(select.err.find("the settings could not be written"), std::string::npos) << select.err;
    EXPECT_TRUE(test::ReadFile(ini) == original);
    EXPECT_TRUE(test::ReadFile(ini + ".unreadable") == original);
}

TEST_F(CliStationRun, KilledRecordingIsRepairedFrameForFrame) {
    for (const std::string format : {"ser", "adv"}) {
        SCOPED_TRACE(format);
        const std::string folder = dir.File("kill-" + format);
        const pid_t pid = Start(Record(format, "1000000", folder, {"--csv"}));
        ASSERT_GT(pid, 0);
        // Halfway through a long recording: once a few hundred frames are on the disk.
        const auto deadline = std::chrono::steady_clock::now() + kLiveness;
        std::string file;
        while (std::chrono::steady_clock::now() < deadline) {
            std::error_code ec;
            for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
                if (e.path().extension() == "." + format && e.file_size(ec) > 300 * 176 * 128 * 2) file = e.path().string();
            }
            if (!file.empty()) break;
            std::this_thread::sleep_for(10ms);
        }
        ASSERT_FALSE(file.empty());
        kill(pid, SIGKILL);
        const Outcome killed = Wait(pid);
        EXPECT_FALSE(killed.exited);
        const std::string before = test::ReadFile(file);

        const Outcome damaged = Run({"inspect", file});
        EXPECT_EQ(damaged.code, 1);
        EXPECT_EQ(Lines(damaged.err).size(), 1u) << damaged.err;

        const Outcome repair = Run({"repair", file});
        ASSERT_EQ(repair.code, 0) << repair.err;
        ASSERT_EQ(repair.Written().size(), 1u);
        const std::string repaired = repair.Written()[0];
        EXPECT_EQ(test::ReadFile(file), before) << "the original is left as it was";
        const Outcome inspect = Run({"inspect", "--frames", repaired});
        ASSERT_EQ(inspect.code, 0) << inspect.err;
        EXPECT_TRUE(HasLine(inspect.OutLines(), "missed frames: 0"));

        // Every frame the program wrote before it died, with the time stamp it gave it:
        // frame n of the camera, exposed from 22:00:00 + (n - 1) x 5 ms.
        std::vector<std::vector<uint16_t>> written;
        std::vector<uint64_t> stamps;
        if (format == "ser") {
            SerReader cut;
            SerReader fixed;
            ASSERT_TRUE(cut.Open(file, SerReader::Mode::Recover)) << cut.Error();
            ASSERT_TRUE(fixed.Open(repaired)) << fixed.Error();
            ASSERT_EQ(fixed.FrameCount(), cut.FrameCount());
            std::vector<uint16_t> a(176 * 128);
            std::vector<uint16_t> b(176 * 128);
            for (uint32_t i = 0; i < cut.FrameCount(); ++i) {
                ASSERT_TRUE(cut.ReadFrame(i, a) && fixed.ReadFrame(i, b));
                ASSERT_EQ(a, b) << "frame " << i;
            }
            stamps = fixed.Timestamps();
        } else {
            AdvReader fixed;
            ASSERT_TRUE(fixed.Open(repaired)) << fixed.Error();
            // Every complete frame of the cut file is in the repaired one, byte for byte.
            const std::string repairedBytes = test::ReadFile(repaired);
            for (const AdvIndexEntry& e : fixed.Index()) {
                ASSERT_EQ(before.compare(e.offset, e.size + 4, repairedBytes, e.offset, e.size + 4), 0);
            }
            AdvFrame frame;
            for (uint32_t i = 0; i < fixed.FrameCount(); ++i) {
                ASSERT_TRUE(fixed.ReadFrame(i, frame)) << fixed.Error();
                stamps.push_back(AdvFormat::kTicksAt2010 + frame.start / 100);
            }
        }
        ASSERT_GE(stamps.size(), 250u);  // what the disk held when the program died
        // The inspection's frame lines by their "frame k: number n, " start, counted once.
        std::map<std::string, int> frameLines;
        for (const std::string& line : inspect.OutLines()) {
            const std::size_t comma = line.find(", ");
            if (line.rfind("frame ", 0) == 0 && comma != std::string::npos) ++frameLines[line.substr(0, comma + 2)];
        }
        for (std::size_t i = 0; i < stamps.size(); ++i) {
            ASSERT_EQ(stamps[i], kFirstStart + i * 50000) << "frame " << i;
            const std::string n = std::to_string(i + 1);
            ASSERT_EQ(frameLines["frame " + n + ": number " + n + ", "], 1) << "frame " << i;
        }
    }
}

TEST_F(CliStationRun, CtrlCEndsTheRecordingWithACompleteFile) {
    const pid_t pid = Start(Record("adv", "1000000", dir.File("int")));
    ASSERT_GT(pid, 0);
    const auto deadline = std::chrono::steady_clock::now() + kLiveness;
    bool recording = false;
    while (!recording && std::chrono::steady_clock::now() < deadline) {
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(dir.File("int"), ec)) {
            recording = recording || (e.path().extension() == ".adv" && e.file_size(ec) > 100 * 176 * 128 * 2);
        }
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(recording);
    kill(pid, SIGINT);
    const Outcome rec = Wait(pid);
    ASSERT_EQ(rec.code, 0) << rec.err;
    EXPECT_NE(LinesStartingWith(rec.OutLines(), "recorded ").at(0).find("stopped by the user"), std::string::npos)
        << rec.out;
    ASSERT_EQ(rec.Written().size(), 2u) << rec.out;  // with the GPS status CSV (the default setting)
    const Outcome inspect = Run({"inspect", rec.Written()[0]});
    EXPECT_EQ(inspect.code, 0) << inspect.err;
    EXPECT_TRUE(HasLine(inspect.OutLines(), "result: sound"));
}

TEST_F(CliStationRun, BadInputGivesOneLineAndAFailingExit) {
    test::WriteFile(dir.File("text.txt"), "not a recording\n");
    const Outcome complete = Run(Record("ser", "3", dir.File("ok")));
    ASSERT_EQ(complete.code, 0) << complete.err;
    const std::string ser = complete.Written().at(0);
    const std::string out = dir.File("rec");
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string error;  // the start of the one line on standard error
    };
    const Case cases[] = {
        {{"launch"}, 2, "orvacam-cli: unknown command 'launch'"},
        {{"cameras", "extra"}, 2, "orvacam-cli cameras: unexpected argument 'extra'"},
        {{"record"}, 2, "orvacam-cli record: option '--camera' is required"},
        {Record("mov", "5", out), 2, "orvacam-cli record: unknown format 'mov'"},
        {Record("ser", "0", out), 2, "orvacam-cli record: --frames must be a whole number from 1"},
        {Record("dark", "257", out), 2, "orvacam-cli record: The number of frames needs to be in the range from 1 to 256."},
        {Record("ser", "5", out, {"--seconds", "2"}), 2, "orvacam-cli record: give --frames or --seconds, not both"},
        {Record("ser", "5", out, {"--fault", "drop:0:1"}), 2, "orvacam-cli record: fault 'drop:0:1': FRAME must be"},
        {Record("ser", "5", out, {"--fault", "melt:3"}), 2, "orvacam-cli record: unknown fault 'melt:3'"},
        {Record("ser", "5", out, {"--every", "0"}), 2,
         "orvacam-cli record: The frame interval value is invalid. Please set the value to 1 or greater."},
        {Record("ser", "5", out, {"--center", "12:00:00"}), 2, "orvacam-cli record: --center needs --seconds"},
        {Record("ser", "5", out, {"--mode", "3"}), 2, "orvacam-cli record: option '--mode' is given more than once"},
        {{"record", "--camera", "sim", "--mode", "2", "--exposure", "2", "--format", "ser", "--frames", "5", "--sim-utc",
          "2024-06-01 22:00:00"},
         2, "orvacam-cli record: --sim-utc must be a UTC time"},
        {{"record", "--camera", "usb0", "--mode", "2", "--exposure", "2", "--format", "ser", "--frames", "5"}, 2,
         "orvacam-cli record: unknown camera 'usb0'"},
        {{"record", "--camera", "sim:99", "--mode", "2", "--exposure", "2", "--format", "ser", "--frames", "5"}, 2,
         "orvacam-cli record: unknown camera 'sim:99'"},
        {{"record", "--camera", "sim", "--mode", "2", "--exposure", "0", "--format", "ser", "--frames", "5"}, 2,
         "orvacam-cli record: --exposure must be a time in milliseconds from 1 to 5000"},
        {{"record", "--camera", "sim", "--mode", "9", "--exposure", "2", "--format", "ser", "--frames", "5", "--out", out},
         1, "orvacam-cli record: video mode 9 does not exist; the camera has 5 modes (0..4)"},
        {{"record", "--camera", "sim", "--mode", "2", "--exposure", "2", "--format", "ser", "--frames", "5"}, 1,
         "orvacam-cli record: SER files directory not found: The SER files directory doesn't exist or isn't "
         "configured. Please check the settings."},
        {{"record", "--camera", "sim", "--mode", "2", "--exposure", "2", "--format", "ser", "--frames", "5", "--out",
          dir.File("text.txt")},
         1, "orvacam-cli record: " + dir.File("text.txt") + ": the folder cannot be created"},
        {{"inspect"}, 2, "orvacam-cli inspect: a FILE to inspect is required"},
        {{"inspect", "--all", ser}, 2, "orvacam-cli inspect: unknown option '--all'"},
        {{"inspect", dir.File("missing.ser")}, 1, "orvacam-cli inspect: " + dir.File("missing.ser") + ": no such file"},
        {{"inspect", dir.File("text.txt")}, 1, "orvacam-cli inspect: " + dir.File("text.txt") + ": not a recording"},
        {{"repair"}, 2, "orvacam-cli repair: a FILE to repair is required"},
        {{"repair", dir.File("missing.ser")}, 1, "orvacam-cli repair: " + dir.File("missing.ser") + ": cannot be opened"},
        {{"repair", dir.File("text.txt")}, 1, "orvacam-cli repair: " + dir.File("text.txt") + ": not a SER or ADV"},
        {{"repair", ser}, 1, "orvacam-cli repair: " + ser + ": the recording is complete; there is nothing to repair"},
    };
    for (const Case& c : cases) {
        const Outcome o = Run(c.args);
        std::string args;
        for (const auto& a : c.args) args += a + " ";
        SCOPED_TRACE(args);
        EXPECT_TRUE(o.exited) << "crashed";
        EXPECT_EQ(o.code, c.code) << o.err;
        const auto lines = Lines(o.err);
        ASSERT_EQ(lines.size(), 1u) << o.err;
        EXPECT_EQ(lines[0].rfind(c.error, 0), 0u) << lines[0];
    }
}

}  // namespace
}  // namespace orva
