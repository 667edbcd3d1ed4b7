#pragma once
// Plate solving as the command line's commands run it (solve, goto): one run of the
// station's plate-solving worker on a file or on a new capture from the running camera,
// waited for with a time limit, and the solution's and offsets' lines.
//
// The solver is the settings' one, or the one --strategy names: web (astrometry.net with
// the settings' address and key), local (astrometry.net's solve-field on PATH, with its
// installed index files), astap (the settings' ASTAP program).
//
// Threads: the main thread drives the station (the GUI thread's role); the worker runs
// on its own thread.

#include "telescope/PlateSolvingResult.h"

#include <chrono>
#include <optional>
#include <string>

namespace orva {

class CliStation;
class CommandLine;
class Station;
struct CliCameraSettings;

struct CliSolveSettings {
    std::string program;  // a PlateSolvingDialogModel solver name; empty: the settings' one
    std::optional<double> scaleHint;  // arc seconds per pixel
    std::chrono::seconds timeout{120};
    std::string folder;  // where new captures go; empty: the settings' FITS folder
};

class CliPlateSolve {
public:
    static constexpr std::chrono::seconds kDefaultTimeout{120};

    // "--strategy web|local|astap", "--scale ARCSEC", "--timeout SECONDS" and "--out FOLDER" into
    // `settings`. False, with `error` set, when one is malformed.
    static bool Options(const CommandLine& line, CliSolveSettings& settings, std::string& error);
    // "--camera sim|LINK" (default: the simulated camera), "--sim-utc" and
    // "--sim-pointing-error" into `camera`. False, with `error` set, when one is wrong.
    static bool CameraOptions(const CommandLine& line, CliCameraSettings& camera, std::string& error);
    // Connects the camera and starts its stream, for new captures.
    static bool StartCamera(CliStation& station, std::string& error);
    // An offset on the sky from `from` to `to` (hours, degrees): total, RA (on the sky,
    // east positive) and Dec, in arc seconds, as one line after "label: ".
    static std::string OffsetText(double fromRaHours, double fromDecDeg, double toRaHours, double toDecDeg);

    // New captures come from the station's own capture (see Station::UseOwnPlateSolvingCapture).
    CliPlateSolve(Station& station, CliSolveSettings settings);

    // Solves the file, or a new capture from the running camera when `file` is empty. The
    // hint is where the mount points, when known. None, with `error` set, when the solver
    // cannot start, fails or does not answer within the time limit.
    std::optional<PlateSolution> Solve(const std::string& file, const std::optional<std::pair<double, double>>& hint,
                                       std::string& error);
    // The last solve's time from start to answer, in seconds.
    double SolveSeconds() const { return solveSeconds_; }
    // Later solves of the same camera take the solved scale as their hint.
    void KeepScale(double arcsecPerPixel) { settings_.scaleHint = arcsecPerPixel; }

    // "centre", "scale", "rotation", "field" and "solved in" lines on standard output.
    void Print(const PlateSolution& solution) const;

private:
    Station& station_;
    CliSolveSettings settings_;
    bool started_ = false;
    double solveSeconds_ = 0.0;
};

}  // namespace orva
