#pragma once
// Plate solving through the astrometry.net web API, on the public service or on a
// local server that speaks the same protocol (ansvr, or our own over solve-field): log
// in with the API key, upload the FITS file with the hints, then poll the submission,
// its first job and finally the job's calibration.
//
// Threads: every operation runs on the plate-solving worker thread.

#include "telescope/AstrometryNetProtocol.h"
#include "telescope/IPlateSolvingStrategy.h"
#include "telescope/PlateSolvingResult.h"
#include "telescope/WebClient.h"

#include <memory>
#include <string>
#include <vector>

namespace orva {

class PlateSolvingStrategyAstrometryNet final : public IPlateSolvingStrategy {
public:
    // The key is empty for a local server.
    PlateSolvingStrategyAstrometryNet(PlateSolvingResult& result, std::string server, std::string apiKey);

    void SetPositionHint(double rightAscensionHours, double declinationDeg) override;
    void SetScaleHint(double arcsecPerPixel) override;
    int32_t Login() override;
    int32_t Submit(const std::string& path) override;
    int32_t Poll(std::string& status) override;

    int32_t QuerySubmission();
    int32_t QueryJob(int32_t jobId, int& jobStatus);
    int32_t QueryCalibration(int32_t jobId);

    // For tests: the cap on an answer's size (the client is made anew by each Login).
    void SetBodyLimit(std::size_t bytes) { bodyLimit_ = bytes; }

private:
    int32_t Send(const std::string& path, const std::string& body, const std::string& headers, WebResponse& response);

    PlateSolvingResult& result_;
    const std::string server_;
    const std::string apiKey_;
    AstrometryNetHints hints_;
    std::unique_ptr<WebClient> client_;
    std::size_t bodyLimit_ = WebClient::kDefaultBodyLimit;
    std::string session_;
    int32_t submissionId_ = 0;
    std::vector<int> jobs_;
    int failures_ = 0;
    bool coordinatesValid_ = false;
    std::string statusText_;
};

}  // namespace orva
