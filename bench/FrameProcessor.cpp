// Time per frame of each stage of the frame path (unpack with statistics, record
// decoding, row noise, calibration), of the whole ConsumeFrame without a writer, with
// 1 and 2 worker threads, and of the live view's composition of the picture from the
// unpacked frame, against memcpy of the same raw frame in the same run.
// Frames come from the simulated camera: IMX174 mode 0 (1920 x 1200, packed), IMX174
// mode 2 (176 x 128, packed) and IMX178 mode 0 (3072 x 2048, two bytes per pixel).
//
// Every benchmark reports the raw frame's megabytes per second (bytes_per_second) and
// vs_memcpy: memcpy's time per frame divided by the stage's (1.0 = as fast as memcpy),
// both measured in the same iterations. The label names the vector level in use.
#include "camera/CameraStatusCache.h"
#include "display/DisplayComposer.h"
#include "display/DisplayStretch.h"
#include "processing/Calibration.h"
#include "processing/FrameCameraAdapter.h"
#include "processing/FrameProcessor.h"
#include "processing/FrameUnpack.h"
#include "processing/FrameWorkerPool.h"
#include "processing/GpsLog.h"
#include "processing/GuidingService.h"
#include "processing/ParseBinaryOverlay.h"
#include "processing/RowNoise.h"
#include "processing/SimdLevel.h"
#include "processing/ThreadSafeDoubleBuffer.h"
#include "simcam/SimulatedCamera.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace orva {
namespace {

struct FrameCase {
    uint8_t sensorCode;
    int mode;
};
// Argument 0 of every benchmark indexes this table.
constexpr FrameCase kCases[] = {{7, 0}, {7, 2}, {8, 0}};

// One simulated frame, as the camera sends it and unpacked, with its geometry.
struct BenchFrame {
    SimVideoMode mode;
    std::vector<uint8_t> raw;
    std::vector<uint16_t> image;
    std::vector<uint16_t> dark;
    std::vector<uint16_t> flat;
    ImageStatistics stats;

    int Width() const { return mode.width; }
    int Height() const { return mode.height; }
    int64_t Pixels() const { return int64_t{mode.width} * mode.height; }
};

const BenchFrame& Frame(int index) {
    static std::map<int, std::unique_ptr<BenchFrame>> frames;
    auto& slot = frames[index];
    if (slot == nullptr) {
        const FrameCase c = kCases[index];
        SimCameraConfig config;
        config.identity.sensorCode = c.sensorCode;
        config.pacing = SimPacing::AsFastAsRequested;
        SimulatedCamera camera(config, SteadyClock::Instance());
        camera.SelectMode(c.mode);
        slot = std::make_unique<BenchFrame>();
        slot->mode = camera.Modes()[static_cast<std::size_t>(c.mode)];
        camera.GenerateFrame(slot->raw);
        slot->image.resize(static_cast<std::size_t>(slot->Pixels()));
        slot->stats = UnpackFrame(slot->raw.data(), slot->mode.IsPacked(), slot->Width(), slot->Height(),
                                  slot->image.data());
        for (int64_t i = 0; i < slot->Pixels(); ++i) {
            slot->dark.push_back(static_cast<uint16_t>(1500 + i % 300));
            slot->flat.push_back(static_cast<uint16_t>(29000 + i % 2000));
        }
    }
    return *slot;
}

// Runs `body` once per iteration and reports throughput and the ratio to memcpy. Every
// iteration first copies the raw frame and times that too, so that the ratio compares
// runs made under the same load of a shared machine: it is the median copy time over the
// median body time. The benchmark's own time is the body's alone (manual time).
template <typename Body>
void Measure(benchmark::State& state, int index, Body&& body) {
    const BenchFrame& frame = Frame(index);
    std::vector<uint8_t> copy(frame.raw.size());
    std::vector<double> copyNs;
    std::vector<double> bodyNs;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        std::memcpy(copy.data(), frame.raw.data(), frame.raw.size());
        benchmark::ClobberMemory();
        const auto copied = std::chrono::steady_clock::now();
        body();
        const auto end = std::chrono::steady_clock::now();
        copyNs.push_back(std::chrono::duration<double, std::nano>(copied - start).count());
        bodyNs.push_back(std::chrono::duration<double, std::nano>(end - copied).count());
        state.SetIterationTime(bodyNs.back() * 1e-9);
    }
    const auto median = [](std::vector<double>& v) {
        std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(frame.raw.size()));
    state.SetLabel(std::to_string(frame.Width()) + "x" + std::to_string(frame.Height()) +
                   (frame.mode.IsPacked() ? " packed " : " normal ") + SimdLevelName(BestSimdLevel()));
    if (bodyNs.empty()) return;
    const double ns = median(bodyNs);
    state.counters["vs_memcpy"] = median(copyNs) / ns;
    state.counters["ns_per_frame"] = ns;
}

void Memcpy(benchmark::State& state) {
    const int index = static_cast<int>(state.range(0));
    const BenchFrame& frame = Frame(index);
    std::vector<uint8_t> target(frame.raw.size());
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        std::memcpy(target.data(), frame.raw.data(), frame.raw.size());
        benchmark::ClobberMemory();
    }
    state.counters["ns_per_frame"] =
        std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() /
        static_cast<double>(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(frame.raw.size()));
}

void Unpack(benchmark::State& state) {
    const int index = static_cast<int>(state.range(0));
    const BenchFrame& frame = Frame(index);
    std::vector<uint16_t> image(frame.image.size());
    Measure(state, index, [&] {
        benchmark::DoNotOptimize(
            UnpackFrame(frame.raw.data(), frame.mode.IsPacked(), frame.Width(), frame.Height(), image.data()));
        benchmark::ClobberMemory();
    });
}

void Overlay(benchmark::State& state) {
    const int index = static_cast<int>(state.range(0));
    const BenchFrame& frame = Frame(index);
    BinaryOverlay overlay;
    Measure(state, index, [&] {
        ParseBinaryOverlay(overlay, frame.image, frame.Width(), frame.Height());
        benchmark::DoNotOptimize(overlay.FrameNr);
    });
    if (!overlay.Valid) state.SkipWithError("the simulated record did not parse");
}

int RowSplit(int height, int part, int parts) { return FrameWorkerPool::PartStart(height, part, parts); }

// As the frame processor splits a frame: parts of at least 2^15 pixels.
int PartsOf(const BenchFrame& frame, const FrameWorkerPool& pool) {
    if (pool.ThreadCount() == 1) return 1;
    return static_cast<int>(std::clamp<int64_t>(frame.Pixels() >> 15, 1, FrameWorkerPool::kMaxParts));
}

void RowNoise(benchmark::State& state) {
    const int index = static_cast<int>(state.range(0));
    const BenchFrame& frame = Frame(index);
    FrameWorkerPool pool(static_cast<int>(state.range(1)));
    std::vector<int32_t> offsets(static_cast<std::size_t>(frame.Height()));
    const uint32_t mean = frame.stats.Mean();
    const IntensityBand band = IntensityBand::AroundMean(mean);
    Measure(state, index, [&] {
        int64_t sums[FrameWorkerPool::kMaxParts] = {};
        pool.Run(PartsOf(frame, pool), [&](int part, int parts) {
            sums[part] = MeasureRowMeans(frame.image.data(), frame.Width(), RowSplit(frame.Height(), part, parts),
                                         RowSplit(frame.Height(), part + 1, parts), band, mean, offsets.data());
        });
        int64_t sum = 0;
        for (const int64_t s : sums) sum += s;
        RowMeansToOffsets(offsets.data(), frame.Height(), sum);
        benchmark::DoNotOptimize(offsets.data());
    });
}

// Row offsets, dark with pedestal and flat: every calibration step at once.
void Calibration(benchmark::State& state) {
    const int index = static_cast<int>(state.range(0));
    const BenchFrame& frame = Frame(index);
    FrameWorkerPool pool(static_cast<int>(state.range(1)));
    std::vector<uint16_t> image = frame.image;
    std::vector<int32_t> offsets(static_cast<std::size_t>(frame.Height()), 3);
    CalibrationParams params;
    params.rowOffsets = offsets.data();
    params.firstUntouchedRow = frame.Height() - 1;
    params.dark = frame.dark.data();
    params.pedestal = 2048;
    params.flat = frame.flat.data();
    params.flatNormalization = 30000;
    Measure(state, index, [&] {
        pool.Run(PartsOf(frame, pool), [&](int part, int parts) {
            CalibrateRows(image.data(), frame.Width(), RowSplit(frame.Height(), part, parts),
                          RowSplit(frame.Height(), part + 1, parts), params);
        });
        benchmark::ClobberMemory();
    });
}

// The whole frame path without a writer: argument 2 is 0 for the options as they start
// (no row-noise removal, no dark, no flat), 1 with row noise, dark and flat all on.
void ConsumeFrame(benchmark::State& state) {
    const int index = static_cast<int>(state.range(0));
    const BenchFrame& frame = Frame(index);
    const VideoResolution resolution(frame.mode.width, frame.mode.transferWidth, frame.mode.height,
                                     frame.mode.binning);
    CameraStatusCache status;
    auto camera = std::make_shared<FrameCameraAdapter>(nullptr, status, nullptr);
    camera->SetResolution(&resolution);
    FrameCameraSlot slot;
    slot.Set(camera);
    GuidingService guiding;
    GpsLog gpsLog;
    ThreadSafeDoubleBuffer histogram;
    FrameProcessorOptions options;
    options.threadCount = static_cast<int>(state.range(1));
    options.cameras = &slot;
    options.guiding = &guiding;
    options.gpsLog = &gpsLog;
    options.histogram = &histogram;
    FrameProcessor processor(options);
    auto dark = std::make_shared<CalibrationImage>(CalibrationImage{frame.Width(), frame.Height(), frame.dark});
    auto flat = std::make_shared<CalibrationImage>(CalibrationImage{frame.Width(), frame.Height(), frame.flat});
    if (state.range(2) != 0) {
        processor.SetFpnReduction(true);
        processor.SetDarkEnabled(true);
        processor.SetDarkFrame(dark);
        processor.SetFlatFrame(flat, 30000);
    }
    Measure(state, index, [&] {
        orva::CameraFrame received = orva::CameraFrame::Received(
            frame.raw.data(), static_cast<uint16_t>(frame.mode.transferWidth), static_cast<uint16_t>(frame.Height()));
        processor.ConsumeFrame(received);
    });
}

// The live view's picture: range(1) 0 plain, 1 overflow colours, 2 zones (every other
// block selected). It reads the 16-bit frame and writes 32-bit pixels: at memory speed,
// vs_memcpy would be 0.5 for a packed raw frame and 0.67 for one of two bytes a pixel.
void Compose(benchmark::State& state) {
    const int index = static_cast<int>(state.range(0));
    const BenchFrame& frame = Frame(index);
    const int variant = static_cast<int>(state.range(1));
    auto table = std::make_unique<DisplayStretch::LookupTable>();
    DisplayStretch::CurveTable curve{};
    DisplayStretch::Build({2000, 6000, 32767, 65535}, *table, curve);
    CameraStatus status;
    status.overlayMode = 2;
    ZoneBlocks zones;
    for (int r = 0; r < ZoneBlocks::kRows; ++r) {
        for (int c = (r % 2); c < ZoneBlocks::kColumns; c += 2) zones.Toggle(c, r);
    }
    DisplayFrame shown;
    shown.pixels = frame.image.data();
    shown.width = frame.Width();
    shown.height = frame.Height();
    shown.status = &status;
    shown.showOverflow = variant == 1;
    ComposeInputs inputs;
    inputs.table = table.get();
    inputs.zones = variant == 2 ? &zones : nullptr;
    inputs.profileX = frame.Width() / 2;
    inputs.profileY = frame.Height() / 2;
    std::vector<uint32_t> picture(frame.image.size());
    uint64_t histogram[DisplayStretch::kBins];
    LineProfile profile;
    Measure(state, index, [&] {
        DisplayComposer::Compose(shown, inputs, picture.data(), histogram, profile);
        benchmark::DoNotOptimize(picture.data());
        benchmark::ClobberMemory();
    });
}

void Frames(benchmark::internal::Benchmark* b) {
    for (int i = 0; i < 3; ++i) b->Arg(i);
}
void FramesAndThreads(benchmark::internal::Benchmark* b) {
    for (int i = 0; i < 3; ++i)
        for (int threads : {1, 2}) b->Args({i, threads});
}

BENCHMARK(Memcpy)->Apply(Frames)->Unit(benchmark::kMicrosecond);
BENCHMARK(Unpack)->Apply(Frames)->Unit(benchmark::kMicrosecond)->UseManualTime();
// A fixed count: each iteration also copies a whole frame, which takes far longer than the parse.
BENCHMARK(Overlay)->Apply(Frames)->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(1000);
BENCHMARK(RowNoise)->Apply(FramesAndThreads)->Unit(benchmark::kMicrosecond)->UseManualTime();
BENCHMARK(Calibration)->Apply(FramesAndThreads)->Unit(benchmark::kMicrosecond)->UseManualTime();
void FramesThreadsAndCalibration(benchmark::internal::Benchmark* b) {
    for (int i = 0; i < 3; ++i)
        for (int threads : {1, 2})
            for (int calibration : {0, 1}) b->Args({i, threads, calibration});
}

BENCHMARK(ConsumeFrame)->Apply(FramesThreadsAndCalibration)->Unit(benchmark::kMicrosecond)->UseManualTime();
BENCHMARK(Compose)->ArgsProduct({{0, 1, 2}, {0, 1, 2}})->Unit(benchmark::kMicrosecond)->UseManualTime();

}  // namespace
}  // namespace orva

BENCHMARK_MAIN();
