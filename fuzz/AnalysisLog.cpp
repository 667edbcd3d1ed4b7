// Feeds arbitrary bytes to the reader of AOTA and PyOTE analysis logs. Every time it
// reads must be one the D and R fields can take: finite, not negative. The seeds in
// corpus/AnalysisLog are ours, built from the documented line formats.

#include "events/AnalysisLogReader.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>

namespace {

void Check(const std::optional<orva::AnalysisTime>& t) {
    if (!t) return;
    if (!std::isfinite(t->seconds) || t->seconds < 0 || !std::isfinite(t->accuracySec) || t->accuracySec < 0 ||
        t->hours < 0 || t->minutes < 0) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    const orva::AnalysisLog log = orva::AnalysisLogReader::Parse(in);
    Check(log.d);
    Check(log.r);
    return 0;
}
