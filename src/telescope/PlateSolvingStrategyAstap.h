#pragma once
// Plate solving with the ASTAP command-line program: Submit starts it on the FITS file
// with the field of view from the scale hint; its output is read to the end while it
// runs; when it has finished, Poll reads the solution, the transformation (orientation
// and parity) and the scale from the last lines of each kind.
//
// A run that has not finished within the time limit is killed and reported as not
// solved, so a hung ASTAP cannot keep the worker busy for ever.
//
// Threads: the operations run on the plate-solving worker thread; the process's own
// reader thread collects the output (SolverProcess).

#include "common/Clock.h"
#include "telescope/IPlateSolvingStrategy.h"
#include "telescope/PlateSolvingResult.h"
#include "telescope/SolverProcess.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

struct AstapReading {
    std::optional<PlateSolution> solution;  // counter not set; nullopt: no readable solution
    std::string text;
};

class PlateSolvingStrategyAstap final : public IPlateSolvingStrategy {
public:
    static constexpr std::chrono::seconds kDefaultTimeLimit{120};

    // imageHeight: of the active video mode, 0 without camera.
    PlateSolvingStrategyAstap(PlateSolvingResult& result, std::string astapPath, int imageHeight, Clock& clock,
                              Clock::Duration timeLimit = kDefaultTimeLimit);

    void SetPositionHint(double rightAscensionHours, double declinationDeg) override;
    void SetScaleHint(double arcsecPerPixel) override;
    int32_t Login() override;
    int32_t Submit(const std::string& path) override;
    int32_t Poll(std::string& status) override;

    // The command line's arguments after the program.
    std::vector<std::string> Arguments(const std::string& path) const;
    // The whole output of one run, read as Poll reads it.
    static AstapReading ReadSolution(const std::vector<std::string>& lines);
    // "Solution found: 05: 35 17.3 -05d 23 28": right ascension and declination in
    // degrees; the sign of the degrees field counts also when they are 0.
    static std::optional<std::pair<double, double>> ParseSolutionLine(std::string_view line);
    // Orientation (degrees, >= 0) and parity from a transformation line.
    static std::optional<std::pair<double, int>> ParseTransformationLine(std::string_view line);
    static std::optional<double> ParseScaleLine(std::string_view line);

    const SolverProcess* Process() const { return process_.get(); }

private:
    PlateSolvingResult& result_;
    const std::string astapPath_;
    const int imageHeight_;
    Clock& clock_;
    const Clock::Duration timeLimit_;
    double scaleHint_ = 0.0;
    std::unique_ptr<SolverProcess> process_;
    Clock::TimePoint started_{};
};

}  // namespace orva
