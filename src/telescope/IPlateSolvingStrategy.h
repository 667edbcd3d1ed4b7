#pragma once
// One plate solver behind the interface the plate-solving worker drives: optional hints,
// then Login, Submit, and Poll every two seconds until it returns a non-zero code.
//
// Threads: every operation is called from the plate-solving worker thread.

#include <cstdint>
#include <string>

namespace orva {

// Poll's result codes; the worker uses 1 to 3 for its own steps as well.
enum PlateSolvingCode : int32_t {
    kPlateSolvingWorking = 0,
    kPlateSolvingLoginFailed = 1,
    kPlateSolvingNoFitsFile = 2,
    kPlateSolvingUploadFailed = 3,
    kPlateSolvingSubmissionFailed = 4,
    kPlateSolvingJobFailed = 5,
    kPlateSolvingNotSolved = 6,
    kPlateSolvingNoCoordinates = 7,
    kPlateSolvingCalibrationFailed = 8,
    kPlateSolvingSolved = 9,
};

class IPlateSolvingStrategy {
public:
    virtual ~IPlateSolvingStrategy() = default;

    virtual void SetPositionHint(double rightAscensionHours, double declinationDeg) = 0;
    // Arc seconds per pixel.
    virtual void SetScaleHint(double arcsecPerPixel) = 0;
    // 0 success, non-zero failure.
    virtual int32_t Login() = 0;
    // The FITS file to solve; 0 success, non-zero failure.
    virtual int32_t Submit(const std::string& path) = 0;
    // A PlateSolvingCode; `status` receives the text to show.
    virtual int32_t Poll(std::string& status) = 0;
};

}  // namespace orva
