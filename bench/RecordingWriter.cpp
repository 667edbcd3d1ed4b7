// Cost of the recording framework on the frame path: AddFrame with its GPS status line,
// and the FITS writer's conversion and write of one frame.

#include "processing/GpsStatusCsv.h"
#include "recording/BaseWriter.h"
#include "recording/FitsWriter.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

class RawWriter : public orva::BaseWriter {
public:
    std::string GetFormatDescription() const override { return "RAW 16-bit"; }
    bool OpenRecording(const std::string& name, int width, int height) { return Open(name, width, height, 16); }

protected:
    void WriteHeader() override {}
    void WriteFrame(const uint16_t* pixels, uint64_t byteCount, uint64_t, const orva::BinaryOverlay&) override {
        WriteBytes(pixels, byteCount);
    }
    void WriteTrailer() override {}
};

std::string ScratchFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string folder = std::string(base != nullptr ? base : "/tmp") + "/orva-bench-recording";
    std::filesystem::create_directories(folder);
    return folder;
}

orva::BinaryOverlay Overlay() {
    orva::BinaryOverlay o;
    o.Valid = true;
    o.FromTime = {2024, 3, 0, 1, 22, 15, 7, 123};
    o.ToTime = o.FromTime;
    o.FixState = 3;
    o.NofSats = 9;
    o.Lat = 481234567;
    o.Lon = -81234567;
    return o;
}

void BM_GpsStatusCsvLine(benchmark::State& state) {
    const orva::BinaryOverlay overlay = Overlay();
    char line[orva::kGpsStatusCsvLineCapacity];
    for (auto _ : state) benchmark::DoNotOptimize(orva::FormatGpsStatusCsvLine(overlay, line));
}
BENCHMARK(BM_GpsStatusCsvLine);

// A 640 x 480 frame per iteration, with the status file; to the page cache.
void BM_AddFrameWithStatusFile(benchmark::State& state) {
    const std::string folder = ScratchFolder();
    const int width = 640, height = 480;
    const std::vector<uint16_t> pixels(static_cast<std::size_t>(width) * height, 1234);
    orva::BinaryOverlay overlay = Overlay();
    RawWriter writer;
    writer.OpenRecording(folder + "/frames.raw", width, height);
    writer.SetStatusFileName(folder + "/frames.csv");
    writer.StartRecording(nullptr);
    for (auto _ : state) {
        ++overlay.FrameNr;
        if (writer.GetFrameCount() == 2000) {  // keep the file small
            state.PauseTiming();
            writer.StopRecording();
            // Recordings never replace a file: make room for the same names.
            std::filesystem::remove(folder + "/frames.raw");
            std::filesystem::remove(folder + "/frames.csv");
            writer.OpenRecording(folder + "/frames.raw", width, height);
            writer.StartRecording(nullptr);
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(writer.AddFrame(pixels.data(), pixels.size() * 2, 0, overlay));
    }
    writer.StopRecording();
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(pixels.size() * 2));
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_AddFrameWithStatusFile);

void BM_FitsWriteFile(benchmark::State& state) {
    const std::string folder = ScratchFolder();
    const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
    const std::vector<uint16_t> pixels(static_cast<std::size_t>(width) * height, 1234);
    for (auto _ : state) {
        orva::FitsWriter writer(folder + "/frame.fits");
        writer.GetHeaderData().SetNaxis1(width);
        writer.GetHeaderData().SetNaxis2(height);
        writer.GetHeaderData().SetBitpix(16);
        writer.WriteFile(pixels.data());
        state.PauseTiming();
        std::filesystem::remove(folder + "/frame.fits");  // a FITS file is never written over another
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(pixels.size() * 2));
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_FitsWriteFile)->Args({640, 480})->Args({1920, 1200});

}  // namespace

BENCHMARK_MAIN();
