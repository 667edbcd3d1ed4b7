#include "telescope/PlateSolvingStrategyAstrometryNet.h"

#include "common/Log.h"

#include <chrono>
#include <fstream>

namespace orva {

namespace {

constexpr const char* kFormHeaders =
    "Accept: application/json\r\nContent-Type: application/x-www-form-urlencoded\r\nAccept-Encoding: txt\r\n";

}  // namespace

PlateSolvingStrategyAstrometryNet::PlateSolvingStrategyAstrometryNet(PlateSolvingResult& result, std::string server,
                                                                     std::string apiKey)
    : result_(result), server_(std::move(server)), apiKey_(std::move(apiKey)) {}

void PlateSolvingStrategyAstrometryNet::SetPositionHint(double rightAscensionHours, double declinationDeg) {
    hints_.position = true;
    hints_.rightAscensionHours = rightAscensionHours;
    hints_.declinationDeg = declinationDeg;
}

void PlateSolvingStrategyAstrometryNet::SetScaleHint(double arcsecPerPixel) { hints_.scaleArcsecPerPixel = arcsecPerPixel; }

int32_t PlateSolvingStrategyAstrometryNet::Send(const std::string& path, const std::string& body,
                                                const std::string& headers, WebResponse& response) {
    if (!client_) return kWebNoSession;
    return client_->SendRequest(server_, path, "POST", body, headers, response);
}

int32_t PlateSolvingStrategyAstrometryNet::Login() {
    jobs_.clear();
    failures_ = 0;
    client_ = std::make_unique<WebClient>();
    client_->SetBodyLimit(bodyLimit_);
    if (const int32_t code = client_->OpenSession(); code != 0) {
        LogMessageInt("E Astrometry.net solver failed to initiate the web request", code);
        return -1;
    }
    LogMessageString("I Logging in to server:", server_);
    WebResponse response;
    if (const int32_t code = Send("/api/login", AstrometryNetProtocol::LoginBody(apiKey_), kFormHeaders, response)) {
        LogMessageInt("E Login request failed:", code);
        return code;
    }
    const auto session = AstrometryNetProtocol::ParseSession(response.body);
    if (!session) {
        LogMessage("W Login failed");
        return -1;
    }
    session_ = *session;
    LogMessageString("I Login succeeded, session:", session_);
    return 0;
}

int32_t PlateSolvingStrategyAstrometryNet::Submit(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) return -1;
    const std::streamoff size = file.tellg();
    if (size < 0) return -1;
    const std::string boundary =
        "----" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    std::string body = AstrometryNetProtocol::UploadHead(boundary, session_, hints_);
    const std::string tail = AstrometryNetProtocol::UploadTail(boundary);
    const std::size_t headSize = body.size();
    try {
        body.reserve(headSize + static_cast<std::size_t>(size) + tail.size());
        body.resize(headSize + static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        LogMessage("E Failed to allocate memory for the upload buffer");
        return -1;
    }
    file.seekg(0);
    if (!file.read(body.data() + headSize, size)) {
        LogMessage("E Failed to read the FITS file");
        return -1;
    }
    body += tail;
    LogMessageString("I Sending file to server:", server_);
    WebResponse response;
    const std::string headers =
        "Accept: application/json\r\nAccept-Encoding: txt\r\nContent-Type: multipart/form-data; boundary=" + boundary +
        "\r\n";
    if (const int32_t code = Send("/api/upload", body, headers, response)) {
        LogMessageInt("E File upload failed:", code);
        return code;
    }
    const auto id = AstrometryNetProtocol::ParseSubmissionId(response.body);
    if (!id) return -1;
    submissionId_ = *id;
    LogMessageInt("I Subid received:", submissionId_);
    return 0;
}

int32_t PlateSolvingStrategyAstrometryNet::QuerySubmission() {
    LogMessageString("I Getting submission status from server:", server_);
    WebResponse response;
    if (const int32_t code = Send("/api/submissions/" + std::to_string(submissionId_), "", kFormHeaders, response)) {
        LogMessageInt("E Submission status request failed:", code);
        return code;
    }
    LogMessageString("I Submission status:", response.body);
    statusText_ = AstrometryNetProtocol::ParseSubmissionStatus(response.body, jobs_);
    return 0;
}

int32_t PlateSolvingStrategyAstrometryNet::QueryJob(int32_t jobId, int& jobStatus) {
    LogMessageString("I Getting job status from server:", server_);
    WebResponse response;
    if (const int32_t code = Send("/api/jobs/" + std::to_string(jobId), "", kFormHeaders, response)) {
        LogMessageInt("E Job status request failed:", code);
        return code;
    }
    LogMessageString("I Job status result:", response.body);
    jobStatus = AstrometryNetProtocol::ParseJobStatus(response.body);
    return 0;
}

int32_t PlateSolvingStrategyAstrometryNet::QueryCalibration(int32_t jobId) {
    LogMessageString("I Getting calibration job result from server:", server_);
    WebResponse response;
    if (const int32_t code =
            Send("/api/jobs/" + std::to_string(jobId) + "/calibration", "", kFormHeaders, response)) {
        LogMessageInt("E Calibration job result request failed:", code);
        return code;
    }
    LogMessageString("I Calibration job result:", response.body);
    const CalibrationAnswer answer = AstrometryNetProtocol::ParseCalibration(response.body);
    result_.Publish(answer.solution);
    coordinatesValid_ = answer.solution.coordinatesValid;
    statusText_ = answer.text;
    return 0;
}

int32_t PlateSolvingStrategyAstrometryNet::Poll(std::string& status) {
    if (QuerySubmission() != 0) {
        if (++failures_ > 2) return kPlateSolvingSubmissionFailed;
    } else {
        status = statusText_;
        failures_ = 0;
    }
    if (jobs_.empty()) return kPlateSolvingWorking;
    int jobStatus = 0;
    const int32_t queried = QueryJob(jobs_.front(), jobStatus);
    status = statusText_;
    if (queried != 0) return kPlateSolvingJobFailed;
    if (jobStatus == AstrometryNetProtocol::kJobFailed) return kPlateSolvingNotSolved;
    if (jobStatus != AstrometryNetProtocol::kJobSucceeded) return kPlateSolvingWorking;
    const int32_t calibrated = QueryCalibration(jobs_.front());
    status = statusText_;
    if (calibrated != 0) return kPlateSolvingCalibrationFailed;
    return coordinatesValid_ ? kPlateSolvingSolved : kPlateSolvingNoCoordinates;
}

}  // namespace orva
