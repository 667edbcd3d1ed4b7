#include "processing/SimdLevel.h"

namespace orva {
namespace {

SimdLevel Detect() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return SimdLevel::Avx2;
    if (__builtin_cpu_supports("ssse3")) return SimdLevel::Ssse3;
    if (__builtin_cpu_supports("sse2")) return SimdLevel::Sse2;
#endif
    return SimdLevel::Plain;
}

}  // namespace

SimdLevel BestSimdLevel() {
    static const SimdLevel level = Detect();
    return level;
}

std::vector<SimdLevel> SupportedSimdLevels() {
    std::vector<SimdLevel> levels;
    for (SimdLevel l : {SimdLevel::Plain, SimdLevel::Sse2, SimdLevel::Ssse3, SimdLevel::Avx2}) {
        if (l <= BestSimdLevel()) levels.push_back(l);
    }
    return levels;
}

const char* SimdLevelName(SimdLevel level) {
    switch (level) {
    case SimdLevel::Plain: return "plain";
    case SimdLevel::Sse2: return "SSE2";
    case SimdLevel::Ssse3: return "SSSE3";
    case SimdLevel::Avx2: return "AVX2";
    }
    return "?";
}

}  // namespace orva
