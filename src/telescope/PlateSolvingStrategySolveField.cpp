#include "telescope/PlateSolvingStrategySolveField.h"

#include "common/Log.h"
#include "common/TextFormats.h"
#include "telescope/AstrometryNetProtocol.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace orva {

namespace {

std::string Number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
}

std::map<std::string, std::string> KeyValues(const std::vector<std::string>& lines) {
    std::map<std::string, std::string> values;
    for (const std::string& line : lines) {
        const std::size_t blank = line.find(' ');
        if (blank == std::string::npos || blank == 0) continue;
        values.emplace(line.substr(0, blank), line.substr(blank + 1));
    }
    return values;
}

std::optional<double> FiniteValue(const std::map<std::string, std::string>& values, const std::string& key) {
    const auto it = values.find(key);
    if (it == values.end()) return std::nullopt;
    double value = 0.0;
    const auto [end, error] = std::from_chars(it->second.data(), it->second.data() + it->second.size(), value);
    if (error != std::errc() || !std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace

SolveFieldPrograms SolveFieldPrograms::At(const std::string& solveFieldPath, const std::string& wcsinfoPath) {
    SolveFieldPrograms programs;
    if (!solveFieldPath.empty()) programs.solveField = solveFieldPath;
    if (!wcsinfoPath.empty()) programs.wcsinfo = wcsinfoPath;
    return programs;
}

PlateSolvingStrategySolveField::PlateSolvingStrategySolveField(PlateSolvingResult& result, SolveFieldPrograms programs,
                                                               Clock& clock, Clock::Duration timeLimit)
    : result_(result), programs_(std::move(programs)), clock_(clock), timeLimit_(timeLimit) {}

PlateSolvingStrategySolveField::~PlateSolvingStrategySolveField() {
    process_.reset();  // kills a solver that still runs before its folder goes
    if (!workFolder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(workFolder_, ignored);
    }
}

void PlateSolvingStrategySolveField::SetPositionHint(double rightAscensionHours, double declinationDeg) {
    positionHint_ = std::isfinite(rightAscensionHours) && std::isfinite(declinationDeg);
    rightAscensionHours_ = rightAscensionHours;
    declinationDeg_ = declinationDeg;
}

void PlateSolvingStrategySolveField::SetScaleHint(double arcsecPerPixel) {
    scaleHint_ = std::isfinite(arcsecPerPixel) ? arcsecPerPixel : 0.0;
}

int32_t PlateSolvingStrategySolveField::Login() {
    process_.reset();
    stage_ = Stage::Idle;
    if (workFolder_.empty()) {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/orva-solve-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            LogMessageString("E Failed to create the solver's working folder in", pattern);
            return -1;
        }
        workFolder_ = pattern;
    }
    return 0;
}

std::vector<std::string> PlateSolvingStrategySolveField::Arguments(const std::string& path) const {
    std::vector<std::string> args{"--overwrite", "--no-plots", "--no-verify", "--new-fits", "none",
                                  "--index-xyls", "none", "--rdls", "none", "--match", "none", "--corr", "none",
                                  "--solved", "none", "--wcs", workFolder_ + "/solution.wcs", "--dir", workFolder_,
                                  "--cpulimit", std::to_string(std::chrono::duration_cast<std::chrono::seconds>(timeLimit_).count())};
    if (!programs_.configFile.empty()) {
        args.insert(args.end(), {"--config", programs_.configFile});
    }
    if (scaleHint_ > 0.0) {
        // The same 20 % the web strategy allows.
        args.insert(args.end(), {"--scale-units", "arcsecperpix", "--scale-low", Number(scaleHint_ / 1.2),
                                 "--scale-high", Number(scaleHint_ * 1.2)});
    }
    if (positionHint_) {
        args.insert(args.end(), {"--ra", Number(rightAscensionHours_ * 15.0), "--dec", Number(declinationDeg_),
                                 "--radius", "15"});
    }
    // Keeps a file name that starts with '-' from being read as an option.
    args.insert(args.end(), {"--", path});
    return args;
}

int32_t PlateSolvingStrategySolveField::Submit(const std::string& path) {
    if (workFolder_.empty()) return -1;
    std::error_code ignored;
    std::filesystem::remove(workFolder_ + "/solution.wcs", ignored);
    std::vector<std::string> argv{programs_.solveField};
    for (std::string& a : Arguments(path)) argv.push_back(std::move(a));
    process_ = std::make_unique<SolverProcess>();
    started_ = clock_.Now();
    if (process_->Start(argv) != 0) {
        LogMessageString("E Failed to start process:", programs_.solveField);
        process_.reset();
        return -1;
    }
    stage_ = Stage::Solving;
    return 0;
}

int32_t PlateSolvingStrategySolveField::Fail(std::string& status, const std::string& text) {
    status = text;
    stage_ = Stage::Idle;
    result_.Publish(PlateSolution{});
    return kPlateSolvingNotSolved;
}

int32_t PlateSolvingStrategySolveField::Poll(std::string& status) {
    if (stage_ == Stage::Idle || !process_) return Fail(status, "No solver run.");
    status = process_->LastLine();
    if (!process_->Finished()) {
        if (clock_.Now() - started_ < timeLimit_) return kPlateSolvingWorking;
        process_->Kill();
        process_->WaitFinished(std::chrono::seconds(5));
        LogMessageInt("E solve-field did not finish in time and was stopped after seconds:",
                      static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(timeLimit_).count()));
        return Fail(status, "The solver did not finish in time and was stopped.");
    }
    if (stage_ == Stage::Solving) return StartReading(status);
    return Evaluate(status);
}

int32_t PlateSolvingStrategySolveField::StartReading(std::string& status) {
    const std::string wcs = workFolder_ + "/solution.wcs";
    if (process_->ExitStatus() != 0 || !std::filesystem::exists(wcs)) {
        LogMessageInt("I solve-field found no solution; exit status", process_->ExitStatus());
        return Fail(status, process_->LastLine().empty() ? "No solution found." : process_->LastLine());
    }
    process_ = std::make_unique<SolverProcess>();
    if (process_->Start({programs_.wcsinfo, wcs}) != 0) {
        LogMessageString("E Failed to start process:", programs_.wcsinfo);
        return Fail(status, "wcsinfo could not be started.");
    }
    stage_ = Stage::Reading;
    status = "Reading the solution...";
    return kPlateSolvingWorking;
}

int32_t PlateSolvingStrategySolveField::Evaluate(std::string& status) {
    stage_ = Stage::Idle;
    const auto solution = ReadWcsInfo(process_->Lines());
    if (!solution) return Fail(status, "The solution could not be read.");
    result_.Publish(*solution);
    status = AstrometryNetProtocol::FormatCoordinates(solution->rightAscensionDeg, solution->declinationDeg);
    if (solution->fieldSizeValid) {
        char text[96];
        std::snprintf(text, sizeof text, "%.1fx%.1f'   ", solution->fieldWidthArcsec / 60.0,
                      solution->fieldHeightArcsec / 60.0);
        status += text;
    }
    if (solution->pixelScaleValid) status += AstrometryNetProtocol::FormatPixelScale(solution->pixelScaleArcsec);
    if (solution->orientationValid) status += FormatOrientation(solution->orientationDeg, solution->parity);
    return kPlateSolvingSolved;
}

std::optional<PlateSolution> PlateSolvingStrategySolveField::ReadWcsInfo(const std::vector<std::string>& lines) {
    const auto values = KeyValues(lines);
    PlateSolution solution;
    const auto ra = FiniteValue(values, "ra_center");
    const auto dec = FiniteValue(values, "dec_center");
    if (!ra || !dec || *ra < -360.0 || *ra > 720.0 || std::fabs(*dec) > 90.0) return std::nullopt;
    solution.coordinatesValid = true;
    solution.rightAscensionDeg = *ra;
    solution.declinationDeg = *dec;
    const auto width = FiniteValue(values, "fieldw");
    const auto height = FiniteValue(values, "fieldh");
    const auto unitsIt = values.find("fieldunits");
    if (width && height && *width > 0.0 && *height > 0.0 && unitsIt != values.end()) {
        const std::string& units = unitsIt->second;
        const double factor = units == "degrees" ? 3600.0 : units == "arcminutes" ? 60.0 : units == "arcseconds" ? 1.0 : 0.0;
        if (factor > 0.0) {
            solution.fieldSizeValid = true;
            solution.fieldWidthArcsec = *width * factor;
            solution.fieldHeightArcsec = *height * factor;
        }
    }
    if (const auto scale = FiniteValue(values, "pixscale"); scale && *scale > 0.0) {
        solution.pixelScaleValid = true;
        solution.pixelScaleArcsec = *scale;
    }
    // The orientation at the image centre, as the web service reports it.
    auto orientation = FiniteValue(values, "orientation_center");
    if (!orientation) orientation = FiniteValue(values, "orientation");
    const auto parity = FiniteValue(values, "parity");
    if (orientation && parity) {
        solution.orientationValid = true;
        solution.orientationDeg = *orientation;
        // wcsinfo's parity is 1 for a mirrored image (positive determinant), -1 otherwise.
        solution.parity = *parity > 0.0 ? 1 : 0;
    }
    return solution;
}

}  // namespace orva
