#pragma once
// The desktop station's command line. Beyond the window itself: a camera to connect at
// start (unattended stations, tests), and the test hooks that set the stretch and save
// grabs of the window.
//
// Pure parsing; main thread.

#include "recording/RecordingControl.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orva {

struct OrvacamOptions {
    // "sim" or "sim:N" (sensor code N, as orvacam-cli takes it); empty: none at start.
    bool connectAtStart = false;
    uint8_t sensorCode = 7;
    std::optional<int64_t> simulatedUtcStartUnixNs;  // --sim-utc: the simulated camera's GPS clock at start
    int modeIndex = 0;
    double exposureMs = 40.0;
    std::optional<std::pair<int, int>> levels;     // --levels B:W at start
    std::optional<int> zoomPercent;                // --zoom: aspect scale at this factor
    std::optional<std::pair<int, int>> probe;      // --probe X:Y: the profile centre
    std::string screenshot;                        // --screenshot FILE
    int afterMs = 3000;                            // --after-ms N
    std::optional<std::pair<int, int>> restretch;  // --restretch B:W, then --screenshot2 FILE
    std::string screenshot2;
    bool quit = false;  // --quit: close the window after the grabs
    // --record ser|adv|fits: start this recording once the camera streams; --after-ms
    // then counts from the recording's start, and --quit closes the window while it runs.
    std::optional<RecordingFormat> record;
    // --plate-solve NAME: once the camera streams, solve this file of the FITS folder in
    // the plate-solving window (with --scale-hint ARCSEC, arc seconds per pixel);
    // --after-ms then counts from the solve's end.
    std::string plateSolve;
    std::string scaleHint;
    // --guide FILE: connect the mount of the settings, press the guiding window's
    // "Select...", write where the brightest star lies on the screen into FILE ("X Y COLUMN
    // ROW"), wait for a click there, press "Start"; --after-ms then counts from the start.
    std::string guideClickFile;

    static constexpr const char* kUsage =
        "usage: orvacam --version\n"
        "       orvacam [--camera sim[:SENSORCODE]] [--mode N] [--exposure MS] [--sim-utc YYYY-MM-DDTHH:MM:SS]\n"
        "               [--levels B:W] [--zoom PERCENT] [--probe X:Y]\n"
        "               [--screenshot FILE [--after-ms N] [--restretch B:W --screenshot2 FILE] [--quit]]\n"
        "               [--record ser|adv|fits [--after-ms N] [--quit]]\n"
        "               [--plate-solve FITSNAME [--scale-hint ARCSEC] [--after-ms N] [--quit]]\n"
        "               [--guide CLICKFILE [--screenshot FILE] [--after-ms N] [--quit]]\n";

    // Nothing, with `error` set, for a malformed command line.
    static std::optional<OrvacamOptions> Parse(const std::vector<std::string>& args, std::string& error);
};

}  // namespace orva
