// Feeds arbitrary bytes to the reader of AOTA and PyOTE analysis logs. Every time it
// reads must be one the D and R fields can take: seconds in [0, 60), a finite accuracy
// that is not negative. The seeds in corpus/AnalysisLog are ours, built from the
// documented line formats, with numbers that are no times ("nan", "inf", 1e300, 60) and
// lines cut short.

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
    if (!(t->seconds >= 0.0 && t->seconds < 60.0) || !std::isfinite(t->accuracySec) || t->accuracySec < 0 ||
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
