// Feeds arbitrary answers of a plate-solving server to every reader of the web API's
// answers and to the readers of the ASTAP and wcsinfo output lines. The text is copied
// into a buffer of exactly its length, so a read past its end is caught; a refused
// number must never come out as a valid non-finite value.

#include "telescope/AstrometryNetProtocol.h"
#include "telescope/PlateSolvingStrategyAstap.h"
#include "telescope/PlateSolvingStrategySolveField.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

void CheckFinite(const orva::PlateSolution& s) {
    const bool bad = (s.coordinatesValid && (!std::isfinite(s.rightAscensionDeg) || !std::isfinite(s.declinationDeg))) ||
                     (s.fieldSizeValid && (!std::isfinite(s.fieldWidthArcsec) || !std::isfinite(s.fieldHeightArcsec))) ||
                     (s.pixelScaleValid && !std::isfinite(s.pixelScaleArcsec)) ||
                     (s.orientationValid && !std::isfinite(s.orientationDeg));
    if (bad) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<char> bytes(data, data + size);
    const std::string_view answer(bytes.data(), bytes.size());
    using orva::AstrometryNetProtocol;
    AstrometryNetProtocol::ParseSession(answer);
    AstrometryNetProtocol::ParseSubmissionId(answer);
    std::vector<int> jobs;
    AstrometryNetProtocol::ParseSubmissionStatus(answer, jobs);
    AstrometryNetProtocol::ParseJobStatus(answer);
    CheckFinite(AstrometryNetProtocol::ParseCalibration(answer).solution);

    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= answer.size()) {
        const std::size_t end = std::min(answer.find('\n', start), answer.size());
        lines.emplace_back(answer.substr(start, end - start));
        start = end + 1;
    }
    if (const auto reading = orva::PlateSolvingStrategyAstap::ReadSolution(lines); reading.solution) {
        CheckFinite(*reading.solution);
    }
    if (const auto solution = orva::PlateSolvingStrategySolveField::ReadWcsInfo(lines)) CheckFinite(*solution);
    return 0;
}
