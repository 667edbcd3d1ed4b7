#include "telescope/AstrometryNetProtocol.h"

#include "common/TextFormats.h"

#include <cctype>
#include <cmath>
#include <cstdio>

namespace orva {

namespace {

std::optional<double> FiniteNumber(std::string_view answer, std::string_view key) {
    const auto value = FindJsonNumber(answer, key);
    if (!value || !std::isfinite(*value)) return std::nullopt;
    return value;
}

bool IsSet(const std::optional<std::string>& value) { return value && *value != "None" && *value != "0"; }

std::string Printf(const char* format, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

}  // namespace

std::string AstrometryNetProtocol::JsonEscape(std::string_view text) {
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", byte);
            out += buffer;
        } else {
            out += c;
        }
    }
    return out;
}

std::string AstrometryNetProtocol::FormEncode(std::string_view text) {
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += c;
        } else if (c == ' ') {
            out += '+';
        } else {
            char buffer[4];
            std::snprintf(buffer, sizeof buffer, "%%%02X", byte);
            out += buffer;
        }
    }
    return out;
}

std::string AstrometryNetProtocol::LoginBody(std::string_view apiKey) {
    return "request-json=" + FormEncode("{\"apikey\": \"" + JsonEscape(apiKey) + "\"}");
}

std::string AstrometryNetProtocol::UploadHead(std::string_view boundary, std::string_view session,
                                              const AstrometryNetHints& hints) {
    std::string scale;
    if (hints.scaleArcsecPerPixel > 0.0 && std::isfinite(hints.scaleArcsecPerPixel)) {
        scale = ", \"scale_units\":\"arcsecperpix\", \"scale_type\": \"ev\",\"scale_est\":" +
                Printf("%f", hints.scaleArcsecPerPixel) + ",\"scale_err\":20.0";
    }
    std::string position;
    if (hints.position && std::isfinite(hints.rightAscensionHours) && std::isfinite(hints.declinationDeg)) {
        position = ", \"center_ra\":" + Printf("%f", hints.rightAscensionHours * 15.0) +
                   ", \"center_dec\": " + Printf("%f", hints.declinationDeg) + ", \"radius\": 15";
    }
    std::string head;
    head += "--";
    head += boundary;
    head += "\r\nContent-Type: text/plain\r\nMIME-Version: 1.0\r\n"
            "Content-disposition: form-data; name=\"request-json\"\r\n\r\n"
            "{\"publicly_visible\": \"y\", \"allow_modifications\": \"d\", \"session\": \"";
    head += JsonEscape(session);
    head += "\", \"allow_commercial_use\": \"d\"";
    head += scale;
    head += position;
    head += "}\r\n--";
    head += boundary;
    head += "\r\nContent-Type: application/octet-stream\r\nMIME-Version: 1.0\r\n"
            "Content-disposition: form-data; name=\"file\"; filename = \"file.fits\"\r\n\r\n";
    return head;
}

std::string AstrometryNetProtocol::UploadTail(std::string_view boundary) {
    return "\r\n\r\n--" + std::string(boundary) + "--\r\n";
}

std::optional<std::string> AstrometryNetProtocol::ParseSession(std::string_view answer) {
    auto session = FindJsonText(answer, "session");
    if (!session || session->empty()) return std::nullopt;
    return session;
}

std::optional<int32_t> AstrometryNetProtocol::ParseSubmissionId(std::string_view answer) {
    const auto value = FiniteNumber(answer, "subid");
    if (!value || *value < 0.0 || *value > 2147483647.0) return std::nullopt;
    return static_cast<int32_t>(*value);
}

std::string AstrometryNetProtocol::ParseSubmissionStatus(std::string_view answer, std::vector<int>& jobs) {
    std::string text = "Waiting for processing to start...";
    if (IsSet(FindJsonText(answer, "processing_started"))) text = "Processing has started, waiting for completion...";
    if (auto list = FindJsonIntArray(answer, "jobs")) {
        jobs = std::move(*list);
        if (!jobs.empty()) text = "Processing job " + std::to_string(jobs.front()) + "...";
    }
    if (IsSet(FindJsonText(answer, "processing_finished"))) text = "Processing has finished, fetching result...";
    return text;
}

int AstrometryNetProtocol::ParseJobStatus(std::string_view answer) {
    const auto status = FindJsonText(answer, "status");
    if (!status) return kJobFailed;
    if (*status == "success") return kJobSucceeded;
    if (*status == "processing" || *status == "solving") return kJobRunning;
    return kJobFailed;
}

CalibrationAnswer AstrometryNetProtocol::ParseCalibration(std::string_view answer) {
    CalibrationAnswer result;
    PlateSolution& s = result.solution;
    const auto ra = FiniteNumber(answer, "ra");
    const auto dec = FiniteNumber(answer, "dec");
    if (ra && dec && *ra >= -360.0 && *ra <= 720.0 && std::fabs(*dec) <= 90.0) {
        s.coordinatesValid = true;
        s.rightAscensionDeg = *ra;
        s.declinationDeg = *dec;
        result.text += FormatCoordinates(*ra, *dec);
    }
    const auto width = FiniteNumber(answer, "width_arcsec");
    const auto height = FiniteNumber(answer, "height_arcsec");
    if (width && height && *width > 0.0 && *height > 0.0) {
        s.fieldSizeValid = true;
        s.fieldWidthArcsec = *width;
        s.fieldHeightArcsec = *height;
        char buffer[96];
        std::snprintf(buffer, sizeof buffer, "%.1fx%.1f'   ", *width / 60.0, *height / 60.0);
        result.text += buffer;
    }
    if (const auto scale = FiniteNumber(answer, "pixscale"); scale && *scale > 0.0) {
        s.pixelScaleValid = true;
        s.pixelScaleArcsec = *scale;
        result.text += FormatPixelScale(*scale);
    }
    const auto orientation = FiniteNumber(answer, "orientation");
    const auto parity = FiniteNumber(answer, "parity");
    if (orientation && parity && std::fabs(*orientation) <= 720.0 && std::fabs(*parity) <= 1e6) {
        s.orientationValid = true;
        s.orientationDeg = *orientation;
        s.parity = static_cast<int32_t>(*parity);
        result.text += FormatOrientation(s.orientationDeg, s.parity);
    }
    return result;
}

std::string AstrometryNetProtocol::FormatCoordinates(double rightAscensionDeg, double declinationDeg) {
    return FormatRightAscension(rightAscensionDeg) + ", " + FormatAngle(declinationDeg, '+', '-', false) + "   ";
}

std::string AstrometryNetProtocol::FormatPixelScale(double arcsecPerPixel) { return Printf("%.1f\"/pix   ", arcsecPerPixel); }

}  // namespace orva
