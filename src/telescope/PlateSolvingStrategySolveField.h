#pragma once
// Plate solving on this computer with astrometry.net's solve-field and its installed
// index files: no server and no network. Submit starts solve-field with the hints in a
// private working folder; once it has finished with a solution, Poll runs wcsinfo on
// the solution's WCS file and reads the centre, field size, pixel scale, orientation and
// parity from it.
//
// A solver still running at the time limit is killed and reported as not solved.
//
// Threads: the operations run on the plate-solving worker thread; each program's output
// is collected by its own reader thread (SolverProcess).

#include "common/Clock.h"
#include "telescope/IPlateSolvingStrategy.h"
#include "telescope/PlateSolvingResult.h"
#include "telescope/SolverProcess.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orva {

struct SolveFieldPrograms {
    std::string solveField = "solve-field";
    std::string wcsinfo = "wcsinfo";
    std::string configFile;  // empty: solve-field's own default (/etc/astrometry.cfg)

    // The programs at these paths; an empty path: the program's name, found on PATH.
    static SolveFieldPrograms At(const std::string& solveFieldPath, const std::string& wcsinfoPath);
};

class PlateSolvingStrategySolveField final : public IPlateSolvingStrategy {
public:
    static constexpr std::chrono::seconds kDefaultTimeLimit{120};

    PlateSolvingStrategySolveField(PlateSolvingResult& result, SolveFieldPrograms programs, Clock& clock,
                                   Clock::Duration timeLimit = kDefaultTimeLimit);
    ~PlateSolvingStrategySolveField() override;

    void SetPositionHint(double rightAscensionHours, double declinationDeg) override;
    void SetScaleHint(double arcsecPerPixel) override;
    int32_t Login() override;
    int32_t Submit(const std::string& path) override;
    int32_t Poll(std::string& status) override;

    // solve-field's arguments after the program name.
    std::vector<std::string> Arguments(const std::string& path) const;
    // wcsinfo's "key value" lines; a solution when the centre is finite and in range.
    static std::optional<PlateSolution> ReadWcsInfo(const std::vector<std::string>& lines);

private:
    enum class Stage { Idle, Solving, Reading };

    int32_t Fail(std::string& status, const std::string& text);
    int32_t StartReading(std::string& status);
    int32_t Evaluate(std::string& status);

    PlateSolvingResult& result_;
    const SolveFieldPrograms programs_;
    Clock& clock_;
    const Clock::Duration timeLimit_;
    bool positionHint_ = false;
    double rightAscensionHours_ = 0.0;
    double declinationDeg_ = 0.0;
    double scaleHint_ = 0.0;
    std::string workFolder_;
    Stage stage_ = Stage::Idle;
    std::unique_ptr<SolverProcess> process_;
    Clock::TimePoint started_{};
};

}  // namespace orva
