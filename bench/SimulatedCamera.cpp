// Frames the simulated camera generates per second when asked as fast as it can, against
// the camera's own fastest frame rate for the mode. The simulator must stay far ahead of
// the camera (10x) so that it never limits the pipeline benchmarks.
#include "simcam/SimulatedCamera.h"

#include <benchmark/benchmark.h>

namespace orva {
namespace {

void GenerateFrames(benchmark::State& state) {
    SimCameraConfig config;
    config.identity.sensorCode = 7;
    config.pacing = SimPacing::AsFastAsRequested;
    SimulatedCamera camera(config, SteadyClock::Instance());
    const int mode = static_cast<int>(state.range(0));
    camera.SelectMode(mode);
    // The shortest exposure, so that the frame period is the mode's minimum.
    const std::array<uint8_t, 5> exposure{0x73, 0, 1, 0, 0};
    camera.Device().SetControl(5, std::array<uint8_t, 5>{0x6F, 1, 0, 0, 0});
    camera.Device().SetControl(5, exposure);
    std::vector<uint8_t> bytes;
    for (auto _ : state) {
        camera.GenerateFrame(bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
    const SimVideoMode& m = camera.Modes()[static_cast<std::size_t>(mode)];
    const double cameraFps = 1e9 / static_cast<double>(camera.FramePeriodNs());
    state.SetLabel(std::to_string(m.width) + "x" + std::to_string(m.height));
    state.counters["frames_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["camera_fps"] = cameraFps;
    state.SetBytesProcessed(state.iterations() * m.FrameBytes());
}

// IMX174: mode 0 is 1920 x 1200 (fastest 25 ms), mode 2 is 176 x 128 (fastest 2 ms).
BENCHMARK(GenerateFrames)->Arg(0)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace orva

BENCHMARK_MAIN();
