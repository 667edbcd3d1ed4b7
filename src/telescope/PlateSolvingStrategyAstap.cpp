#include "telescope/PlateSolvingStrategyAstap.h"

#include "common/Log.h"
#include "telescope/AstrometryNetProtocol.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace orva {

namespace {

constexpr std::string_view kSolutionPrefix = "Solution found:";
constexpr std::string_view kTransformationPrefix = "Solution[\"] x:=";
constexpr std::string_view kScalePrefix = "Warning scale was inaccurate!";

bool AllFinite(std::initializer_list<double> values) {
    for (double v : values) {
        if (!std::isfinite(v)) return false;
    }
    return true;
}

// The last line that starts with the prefix.
const std::string* LastLineWith(const std::vector<std::string>& lines, std::string_view prefix) {
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        if (std::string_view(*it).starts_with(prefix)) return &*it;
    }
    return nullptr;
}

}  // namespace

PlateSolvingStrategyAstap::PlateSolvingStrategyAstap(PlateSolvingResult& result, std::string astapPath,
                                                     int imageHeight, Clock& clock, Clock::Duration timeLimit)
    : result_(result), astapPath_(std::move(astapPath)), imageHeight_(imageHeight), clock_(clock), timeLimit_(timeLimit) {}

// ASTAP searches around the position in the FITS header itself; the hint is not passed.
void PlateSolvingStrategyAstap::SetPositionHint(double, double) {}

void PlateSolvingStrategyAstap::SetScaleHint(double arcsecPerPixel) { scaleHint_ = arcsecPerPixel; }

int32_t PlateSolvingStrategyAstap::Login() {
    process_.reset();
    return 0;
}

std::vector<std::string> PlateSolvingStrategyAstap::Arguments(const std::string& path) const {
    const double fov = scaleHint_ > 0.0 && imageHeight_ > 0 ? imageHeight_ * scaleHint_ / 3600.0 : 0.0;
    char fovText[64];
    std::snprintf(fovText, sizeof fovText, "%f", fov);
    return {"-annotate", "-fov", fovText, "-f", path};
}

int32_t PlateSolvingStrategyAstap::Submit(const std::string& path) {
    std::vector<std::string> argv{astapPath_};
    for (std::string& a : Arguments(path)) argv.push_back(std::move(a));
    process_ = std::make_unique<SolverProcess>();
    started_ = clock_.Now();
    if (process_->Start(argv) != 0) {
        LogMessageString("E Failed to start process:", astapPath_);
        process_.reset();
        return -1;
    }
    return 0;
}

int32_t PlateSolvingStrategyAstap::Poll(std::string& status) {
    if (!process_) return kPlateSolvingNotSolved;
    status = process_->LastLine();
    if (!process_->Finished()) {
        if (clock_.Now() - started_ < timeLimit_) return kPlateSolvingWorking;
        process_->Kill();
        // The reader ends once the killed group has gone; that is at once.
        process_->WaitFinished(std::chrono::seconds(5));
        LogMessageInt("E ASTAP did not finish in time and was stopped after seconds:",
                      static_cast<int>(std::chrono::duration_cast<std::chrono::seconds>(timeLimit_).count()));
        status = "ASTAP did not finish in time and was stopped.";
        result_.Publish(PlateSolution{});
        return kPlateSolvingNotSolved;
    }
    const std::vector<std::string> lines = process_->Lines();
    if (const std::string* line = LastLineWith(lines, kSolutionPrefix)) LogMessageString("I ASTAP solution string:", *line);
    if (const std::string* line = LastLineWith(lines, kTransformationPrefix)) {
        LogMessageString("I ASTAP orientation string:", *line);
    }
    if (const std::string* line = LastLineWith(lines, kScalePrefix)) LogMessageString("I ASTAP fov string:", *line);
    const AstapReading reading = ReadSolution(lines);
    result_.Publish(reading.solution.value_or(PlateSolution{}));
    if (!reading.solution || !reading.solution->coordinatesValid) return kPlateSolvingNotSolved;
    status = reading.text;
    return kPlateSolvingSolved;
}

AstapReading PlateSolvingStrategyAstap::ReadSolution(const std::vector<std::string>& lines) {
    AstapReading reading;
    PlateSolution solution;
    if (const std::string* line = LastLineWith(lines, kSolutionPrefix)) {
        if (const auto position = ParseSolutionLine(*line)) {
            solution.coordinatesValid = true;
            solution.rightAscensionDeg = position->first;
            solution.declinationDeg = position->second;
            reading.text += AstrometryNetProtocol::FormatCoordinates(position->first, position->second);
        }
    }
    if (const std::string* line = LastLineWith(lines, kTransformationPrefix)) {
        if (const auto orientation = ParseTransformationLine(*line)) {
            solution.orientationValid = true;
            solution.orientationDeg = orientation->first;
            solution.parity = orientation->second;
        }
    }
    if (const std::string* line = LastLineWith(lines, kScalePrefix)) {
        if (const auto scale = ParseScaleLine(*line)) {
            solution.pixelScaleValid = true;
            solution.pixelScaleArcsec = *scale;
            reading.text += AstrometryNetProtocol::FormatPixelScale(*scale);
        }
    }
    if (solution.coordinatesValid) reading.solution = solution;
    return reading;
}

std::optional<std::pair<double, double>> PlateSolvingStrategyAstap::ParseSolutionLine(std::string_view line) {
    const std::string text(line);
    int hours = 0;
    int minutes = 0;
    double seconds = 0.0;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "Solution found: %d: %d %lf %n", &hours, &minutes, &seconds, &consumed) != 3 ||
        consumed == 0) {
        return std::nullopt;
    }
    // "%d" reads "-00" as 0 and would lose the sign of declinations between -1 and 0.
    const char* rest = text.c_str() + consumed;
    const bool negative = *rest == '-';
    int degrees = 0;
    int arcMinutes = 0;
    double arcSeconds = 0.0;
    if (std::sscanf(rest, "%dd %d %lf", &degrees, &arcMinutes, &arcSeconds) != 3) return std::nullopt;
    if (!AllFinite({seconds, arcSeconds}) || hours < 0 || hours > 24 || minutes < 0 || minutes >= 60 ||
        seconds < 0.0 || seconds >= 60.0 || std::abs(degrees) > 90 || arcMinutes < 0 || arcMinutes >= 60 ||
        arcSeconds < 0.0 || arcSeconds >= 60.0) {
        return std::nullopt;
    }
    const double rightAscension = (hours + minutes / 60.0 + seconds / 3600.0) * 15.0;
    const double magnitude = std::abs(degrees) + arcMinutes / 60.0 + arcSeconds / 3600.0;
    if (magnitude > 90.0) return std::nullopt;
    return std::pair{rightAscension, negative ? -magnitude : magnitude};
}

std::optional<std::pair<double, int>> PlateSolvingStrategyAstap::ParseTransformationLine(std::string_view line) {
    if (!line.starts_with(kTransformationPrefix)) return std::nullopt;
    const std::string text(line.substr(kTransformationPrefix.size()));
    float v[6];
    if (std::sscanf(text.c_str(), "%f*x+%f*y+%f,  y:=%f*x+%f*y+%f", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]) != 6) {
        return std::nullopt;
    }
    if (!AllFinite({v[0], v[1], v[2], v[3], v[4], v[5]}) || (v[3] == 0.0f && v[4] == 0.0f)) return std::nullopt;
    const float angle = static_cast<float>(std::atan2(v[3], v[4]) * 180.0 / 3.141592654);
    return std::pair{static_cast<double>(std::fabs(angle)), angle < 0.0f ? 1 : 0};
}

std::optional<double> PlateSolvingStrategyAstap::ParseScaleLine(std::string_view line) {
    const std::string text(line);
    double fov = 0.0;
    double scale = 0.0;
    if (std::sscanf(text.c_str(), "Warning scale was inaccurate! Set FOV=%lfd, scale=%lf", &fov, &scale) != 2) {
        return std::nullopt;
    }
    if (!std::isfinite(scale) || scale <= 0.0) return std::nullopt;
    return scale;
}

}  // namespace orva
