// Writes the fuzz targets' seed corpus: a few small, valid inputs of each kind, made by the
// simulated camera and the station's own writers, into <folder>/<target>/. Run once when a
// format or a target changes, and commit the result:
//   make_seed_corpus fuzz/corpus
#include "camera/BinaryOverlay.h"
#include "common/IniFile.h"
#include "common/NotificationCenter.h"
#include "common/Settings.h"
#include "equipment/COrvaXmlParser.h"
#include "equipment/ObserverManager.h"
#include "equipment/ObservingSiteManager.h"
#include "processing/ParseBinaryOverlay.h"
#include "processing/FrameTimestamp.h"
#include "processing/FrameUnpack.h"
#include "common/SharedTelescopeState.h"
#include "recording/AdvWriter.h"
#include "recording/FitsWriter.h"
#include "recording/Lagarith16Encoder.h"
#include "recording/SerWriter.h"
#include "simcam/SimulatedCamera.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;
using namespace orva;

namespace {

// A simulated frame: its samples, cut to a small corner, and its decoded timing record.
struct SeedFrame {
    static constexpr int kWidth = 16;
    static constexpr int kHeight = 8;
    std::vector<uint16_t> corner;
    std::vector<uint16_t> lastRow;
    BinaryOverlay overlay;
};

std::vector<SeedFrame> SimulatedFrames(int count) {
    SimCameraConfig config;
    config.pacing = SimPacing::AsFastAsRequested;
    SimulatedCamera camera(config, SteadyClock::Instance());
    camera.SelectMode(2);  // 176 x 128
    std::vector<SeedFrame> frames;
    for (int i = 0; i < count; ++i) {
        std::vector<uint8_t> bytes;
        SimFrameTruth truth;
        camera.GenerateFrame(bytes, &truth);
        const SimVideoMode& mode = truth.mode;
        const std::size_t rowBytes = static_cast<std::size_t>(mode.transferWidth) * 2;
        std::vector<uint16_t> row(static_cast<std::size_t>(mode.width));
        SeedFrame frame;
        for (int y = 0; y < mode.height; ++y) {
            const uint8_t* raw = bytes.data() + static_cast<std::size_t>(y) * rowBytes;
            if (mode.IsPacked()) {
                UnpackRowPacked(raw, mode.width, row.data());
            } else {
                UnpackRowNormal(raw, mode.width, row.data());
            }
            if (y < SeedFrame::kHeight) frame.corner.insert(frame.corner.end(), row.begin(), row.begin() + SeedFrame::kWidth);
            if (y == mode.height - 1) frame.lastRow = row;
        }
        ParseBinaryOverlay(frame.overlay, frame.lastRow, mode.width, 1);
        frames.push_back(std::move(frame));
    }
    return frames;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const fs::path& folder, const std::string& target, const std::string& name, const std::string& bytes) {
    fs::create_directories(folder / target);
    std::ofstream(folder / target / name, std::ios::binary | std::ios::trunc) << bytes;
    std::printf("%s/%s: %zu bytes\n", target.c_str(), name.c_str(), bytes.size());
}

std::string Bytes(const void* data, std::size_t size) { return std::string(static_cast<const char*>(data), size); }

void WriteRecordings(const fs::path& out, const fs::path& scratch, const std::vector<SeedFrame>& frames) {
    const auto record = [&](BaseWriter& writer) {
        writer.StartRecording(nullptr);
        for (const SeedFrame& f : frames) {
            writer.AddFrame(f.corner.data(), f.corner.size() * 2, FrameTimestampTicks(f.overlay.FromTime), f.overlay);
        }
        writer.StopRecording();
    };
    {
        SerWriter ser;
        ser.OpenRecording((scratch / "seed.ser").string(), SeedFrame::kWidth, SeedFrame::kHeight, 16);
        record(ser);
        Write(out, "SerReader", "three-frames.ser", ReadAll(scratch / "seed.ser"));
    }
    for (const bool compress : {false, true}) {
        SharedTelescopeState noMount;
        AdvWriter adv(noMount);
        adv.OpenRecording((scratch / "seed.adv").string(), SeedFrame::kWidth, SeedFrame::kHeight, 16, {}, compress);
        record(adv);
        Write(out, "AdvReader", compress ? "three-frames-compressed.adv" : "three-frames.adv", ReadAll(scratch / "seed.adv"));
    }
    FitsWriter fits((scratch / "seed.fits").string());
    fits.GetHeaderData().SetNaxis1(SeedFrame::kWidth);
    fits.GetHeaderData().SetNaxis2(SeedFrame::kHeight);
    fits.GetHeaderData().SetBitpix(16);
    fits.GetHeaderData().SetObject("seed");
    fits.WriteFile(frames.front().corner.data());
    Write(out, "FitsReader", "one-frame.fits", ReadAll(scratch / "seed.fits"));
}

void WriteFrameRecords(const fs::path& out, const std::vector<SeedFrame>& frames) {
    // Width 120 + 56 = 176 (the mode's), height 1, no kept record start.
    const std::string header{56, 0, 0, 0};
    for (std::size_t i = 0; i < 2; ++i) {
        Write(out, "ParseBinaryOverlay", "last-row-" + std::to_string(i + 1),
              header + Bytes(frames[i].lastRow.data(), frames[i].lastRow.size() * 2));
    }
    Lagarith16Encoder encoder;
    const std::vector<uint16_t>& samples = frames.front().corner;
    const auto block = encoder.Encode(samples.data(), samples.size());
    const std::string count{static_cast<char>(samples.size() & 0xFF), static_cast<char>(samples.size() >> 8)};
    Write(out, "Lagarith16Decoder", "block", std::string(1, '\0') + count + Bytes(block.data(), block.size()));
    Write(out, "Lagarith16Decoder", "frame", std::string(1, '\1') + Bytes(samples.data(), samples.size() * 2));
}

void WriteListsAndSettings(const fs::path& out, const fs::path& scratch) {
    NotificationCenter center;
    Settings settings((scratch / "config").string(), center);
    settings.FitsDirectory = "/home/observer/fits";
    settings.CameraConfigPresent = true;
    settings.Save();
    Write(out, "settings_file", "saved.ini", ReadAll(settings.FilePath()));
    Write(out, "settings_file", "hand-edited.ini",
          "; edited by hand\n[Settings]\nFitsDirectory=C:\\\\fits\nUnknownKey= kept \nno equals sign\n"
          "CameraConfiguration=1920 x 1200;40.0;0;0;0;1;None;0;0;0;0;0;0;0;\n");

    ObservingSiteManager sites(scratch.string(), settings);
    sites.Add("Sternwarte Köln");
    sites.At(0).SetReal("Lat", -12.5);
    sites.At(0).SetReal("Lon", 8.25);
    sites.At(0).SetInteger("Alt", 53);
    sites.Add("Roof & <garden>");
    sites.Save();
    const std::string siteFile = ReadAll(sites.FilePath());
    Write(out, "XmlListFile", "sites-coded.xml", std::string(1, '\2') + siteFile);
    Write(out, "XmlListFile", "sites-any-root.xml", std::string(1, '\0') + siteFile);
    ObserverManager observers(scratch.string(), settings);
    observers.Add("A. Observer");
    Write(out, "XmlListFile", "observers-coded.xml", std::string(1, '\0') + ReadAll(observers.FilePath()));
    Write(out, "XmlListFile", "occult-plain.xml",
          std::string(1, '\1') +
              "<?xml version=\"1.0\"?><Events><Event><Name>(1) Ceres</Name><Star>TYC 1 &amp; 2</Star></Event></Events>");
}

void WriteTexts(const fs::path& out) {
    Write(out, "ParseAngle", "north", "+48 07 24.4");
    Write(out, "ParseAngle", "west", "W 011 27 44.44");
    Write(out, "ParseAngle", "decimal", "-12.50000000");
    Write(out, "ParseAngle", "hours", "05h 35m 17.3s");
    const std::string key = "status";
    Write(out, "JsonLookup", "text", std::string(1, static_cast<char>(key.size())) + key +
                                         R"({"status": "success", "jobs": [42], "ra": 83.82, "subid": 7})");
    const std::string number = "ra";
    Write(out, "JsonLookup", "number", std::string(1, static_cast<char>(number.size())) + number +
                                           R"({"calibration": {"ra": 83.822, "dec": -5.391, "radius": 0.5}})");
}

// The event feed's messages: the documented one, numbers that are no numbers, texts with
// control characters and messages cut short.
void WriteEventMessages(const fs::path& out) {
    const std::string documented =
        R"({"EventTime":638452710120000000,"MaxDurationSec":4.5,"AsteroidName":"(2001) Einstein_slash_A",)"
        R"("AsteroidMagnitude":15.5,"StarName":"TYC 123-456-1","StarMv":10.25,"StarRaHours":5.5,)"
        R"("StarDecDegrees":-12.75,"EventInfoVersion":2,"FeedName":"IOTA/ES","StarConstellation":"Ori",)"
        R"("ChordOffset":-3.7,"SourceOccultXml":0})";
    Write(out, "OwEventMessage", "documented_message.json", documented);
    Write(out, "OwEventMessage", "not_numbers.json",
          R"({"EventTime":638452710120000000,"MaxDurationSec":nan,"ErrorInTimeSec":inf,"Probability":-inf,)"
          R"("AsteroidMagnitude":1e300,"StarMv":-1e300,"StarRaHours":NaN,"StarDecDegrees":1e999,)"
          R"("EventInfoVersion":2,"MoonSunLit":infinity,"StarAzimut":361,"PathWidth":-nan,"ChordOffset":1e300,)"
          R"("TravelDistance":3e9,"StarName":"HIP 1"})");
    Write(out, "OwEventMessage", "control_characters.json",
          "{\"EventTime\":638452710120000000,\"AsteroidName\":\"(1) Ce\nres\x1b[2J\",\"StarName\":\"HIP\t42\x7f\x85\","
          "\"EventInfoVersion\":2,\"FeedName\":\"{{OBSERVER_EMAIL}}\r\"}");
    Write(out, "OwEventMessage", "cut_short.json", documented.substr(0, documented.find(",\"StarMv\"")));
    Write(out, "OwEventMessage", "cut_in_a_number.json", R"({"EventTime":638452710120000000,"StarMv":1e3)");
}

// The analysis logs: both kinds, with times that are no times and lines cut short.
void WriteAnalysisLogs(const fs::path& out) {
    Write(out, "AnalysisLog", "aota",
          "AOTA analysis of the file x\n  Event time in UTC\nD    21 30 12.3456 +- 0.0123\n"
          "R    21 30 59.9996 +- 0.0400\n");
    Write(out, "AnalysisLog", "pyote",
          "#################### PYOTE 4\n================= 0.95 containment\nD: [21:30:12.3456]  {-0.012,+0.015}\n"
          "R: [21:31:00.5]  {-0.02,0.01}\n");
    Write(out, "AnalysisLog", "aota_not_times",
          "AOTA analysis of the file x\n  Event time in UTC\nD    21 30 nan +- 0.1\nR    21 30 inf +- 0.1\n"
          "R    21 30 1e300 +- 0.1\nR    21 30 60 +- 0.1\nR    21 30 12.5 +- inf\nR    21 30 12.5 +- 1e300\n");
    Write(out, "AnalysisLog", "pyote_not_times",
          "#################### PYOTE 4\n================= 0.95 containment\nD: [21:30:nan]  {-0.012,+0.015}\n"
          "D: [21:30:1e300]  {-inf,inf}\nD: [21:30:60.0]  {-0.01,0.01}\nD: [21:30:12.5]  {-nan,1e300}\n");
    Write(out, "AnalysisLog", "cut_short",
          "AOTA analysis of the file x\n  Event time in UTC\nD    21 30 12.3456 +-\nR    21 30\nR");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seed_corpus FOLDER\n");
        return 2;
    }
    const fs::path out = argv[1];
    const fs::path scratch = fs::temp_directory_path() / ("orva-seed-corpus-" + std::to_string(::getpid()));
    fs::create_directories(scratch);
    const std::vector<SeedFrame> frames = SimulatedFrames(3);
    WriteRecordings(out, scratch, frames);
    WriteFrameRecords(out, frames);
    WriteListsAndSettings(out, scratch);
    WriteTexts(out);
    WriteEventMessages(out);
    WriteAnalysisLogs(out);
    fs::remove_all(scratch);
    return 0;
}
