// Building the live view's lookup table, as each change of the stretch does. The
// composition of the picture itself is measured with the frame path, in
// bench_FrameProcessor.

#include "display/DisplayStretch.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace orva {
namespace {

void BuildLookupTable(benchmark::State& state) {
    auto table = std::make_unique<DisplayStretch::LookupTable>();
    DisplayStretch::CurveTable curve{};
    for (auto _ : state) {
        DisplayStretch::Build({1000, 30000, 20000, 65535}, *table, curve);
        benchmark::DoNotOptimize(table->data());
    }
}

BENCHMARK(BuildLookupTable)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace orva

BENCHMARK_MAIN();
