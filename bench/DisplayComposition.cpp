// Live view composition of a 1920 x 1200 frame (lookup table, histogram, profile; with
// overflow colours; with zones) against memcpy of the 16-bit frame in the same run.
//
// vs_memcpy: memcpy's time per frame divided by the composition's (1.0 = as fast as
// memcpy). The picture is twice the frame's bytes, so 0.5 means one pass at memory speed.

#include "display/DisplayComposer.h"
#include "display/DisplayStretch.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace orva {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1200;

struct Fixture {
    Fixture() : pixels(kWidth * kHeight), picture(pixels.size()), table(std::make_unique<DisplayStretch::LookupTable>()) {
        std::mt19937 random(7);
        std::normal_distribution<double> sky(3000.0, 300.0);
        for (auto& p : pixels) p = static_cast<uint16_t>(std::clamp(sky(random), 0.0, 65535.0)) & 0xFFF0;
        for (int i = 0; i < 200; ++i) pixels[random() % pixels.size()] = 0xFFF0;  // stars
        DisplayStretch::CurveTable curve{};
        DisplayStretch::Build({2000, 6000, 32767, 65535}, *table, curve);
        status.overlayMode = 2;
    }
    std::vector<uint16_t> pixels;
    std::vector<uint32_t> picture;
    std::unique_ptr<DisplayStretch::LookupTable> table;
    CameraStatus status;
    uint64_t histogram[DisplayStretch::kBins];
    LineProfile profile;
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

double& MemcpyNs() {
    static double ns = 0;
    return ns;
}

void Report(benchmark::State& state, std::chrono::steady_clock::time_point start) {
    const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() /
                      static_cast<double>(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kWidth * kHeight * 2));
    state.counters["ns_per_frame"] = ns;
    if (MemcpyNs() > 0) state.counters["vs_memcpy"] = MemcpyNs() / ns;
}

void Memcpy(benchmark::State& state) {
    Fixture& f = Shared();
    std::vector<uint16_t> copy(f.pixels.size());
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        std::memcpy(copy.data(), f.pixels.data(), f.pixels.size() * sizeof(uint16_t));
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    MemcpyNs() = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() /
                 static_cast<double>(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(f.pixels.size() * sizeof(uint16_t)));
}

// range(0): 0 plain, 1 overflow colours, 2 zones (every other block selected).
void Compose(benchmark::State& state) {
    Fixture& f = Shared();
    ZoneBlocks zones;
    for (int r = 0; r < ZoneBlocks::kRows; ++r) {
        for (int c = (r % 2); c < ZoneBlocks::kColumns; c += 2) zones.Toggle(c, r);
    }
    DisplayFrame frame;
    frame.pixels = f.pixels.data();
    frame.width = kWidth;
    frame.height = kHeight;
    frame.status = &f.status;
    frame.showOverflow = state.range(0) == 1;
    ComposeInputs inputs;
    inputs.table = f.table.get();
    inputs.zones = state.range(0) == 2 ? &zones : nullptr;
    inputs.profileX = kWidth / 2;
    inputs.profileY = kHeight / 2;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        DisplayComposer::Compose(frame, inputs, f.picture.data(), f.histogram, f.profile);
        benchmark::DoNotOptimize(f.picture.data());
        benchmark::ClobberMemory();
    }
    Report(state, start);
}

void BuildLookupTable(benchmark::State& state) {
    auto table = std::make_unique<DisplayStretch::LookupTable>();
    DisplayStretch::CurveTable curve{};
    for (auto _ : state) {
        DisplayStretch::Build({1000, 30000, 20000, 65535}, *table, curve);
        benchmark::DoNotOptimize(table->data());
    }
}

BENCHMARK(Memcpy)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(Compose)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BuildLookupTable)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace orva

BENCHMARK_MAIN();
