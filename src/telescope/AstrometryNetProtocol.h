#pragma once
// The texts of the astrometry.net web API as the station speaks it: the bodies it sends
// (login form, upload head and tail) and what it reads from the answers (session,
// submission id and status, job status, calibration). Every value the station puts into
// a request is escaped for where it goes (JSON string, form field), and every number it
// takes from an answer must be finite and in range, or it is not taken.
//
// Pure functions; any thread.

#include "telescope/PlateSolvingResult.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orva {

struct AstrometryNetHints {
    bool position = false;
    double rightAscensionHours = 0.0;
    double declinationDeg = 0.0;
    double scaleArcsecPerPixel = 0.0;  // 0: none
};

struct SubmissionStatus {
    std::string text;
    std::vector<int> jobs;
};

struct CalibrationAnswer {
    PlateSolution solution;  // counter not set
    std::string text;        // the result line to show
};

class AstrometryNetProtocol {
public:
    // Job states read from a job status answer.
    static constexpr int kJobFailed = 0;
    static constexpr int kJobRunning = 1;
    static constexpr int kJobSucceeded = 9;

    // Escapes for a JSON string's contents: quote, backslash and control characters.
    static std::string JsonEscape(std::string_view text);
    // application/x-www-form-urlencoded: unreserved bytes kept, blank as '+', else %XX.
    static std::string FormEncode(std::string_view text);

    // "request-json=" and the form-encoded object {"apikey": "<key>"}.
    static std::string LoginBody(std::string_view apiKey);
    // The multipart head up to the file's bytes, and the tail after them.
    static std::string UploadHead(std::string_view boundary, std::string_view session, const AstrometryNetHints& hints);
    static std::string UploadTail(std::string_view boundary);

    static std::optional<std::string> ParseSession(std::string_view answer);
    static std::optional<int32_t> ParseSubmissionId(std::string_view answer);
    // The status line, later rules overriding earlier ones; `jobs` replaced when the
    // answer has a job list, else kept.
    static std::string ParseSubmissionStatus(std::string_view answer, std::vector<int>& jobs);
    static int ParseJobStatus(std::string_view answer);
    static CalibrationAnswer ParseCalibration(std::string_view answer);

    // "%s, %s   " of a right ascension and declination, as every solver's result line
    // starts.
    static std::string FormatCoordinates(double rightAscensionDeg, double declinationDeg);
    // "%.1f\"/pix   "
    static std::string FormatPixelScale(double arcsecPerPixel);
};

}  // namespace orva
