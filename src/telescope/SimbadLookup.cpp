#include "telescope/SimbadLookup.h"

#include "common/Log.h"
#include "common/TextFormats.h"
#include "telescope/WebClient.h"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace orva {

namespace {

constexpr const char* kPathTemplate =
    "/simbad/sim-id?Ident={{IDENT}}&NbIdent=1&output.format=ASCII&obj.spsel=off&obj.mtsel=off&obj.sizesel=off"
    "&obj.fluxsel=off&obj.bibsel=off&obj.messel=off&obj.notesel=off";
constexpr const char* kNoCoordinates = "No coordinates received from SIMBAD.";

}  // namespace

SimbadLookup::~SimbadLookup() { Cancel(); }

void SimbadLookup::Cancel() {
    cancel_ = true;
    if (thread_.joinable()) thread_.join();
    cancel_ = false;
}

std::string SimbadLookup::QueryPath(std::string_view identifier) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    for (const char c : identifier) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') || c == '-' ||
            c == '.' || c == '_' || c == '~') {
            escaped += c;
        } else {
            escaped += '%';
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 15];
        }
    }
    return ReplaceAll(kPathTemplate, "{{IDENT}}", escaped);
}

SimbadAnswer SimbadLookup::ParseAnswer(std::string_view body) {
    SimbadAnswer answer;
    answer.message = kNoCoordinates;
    const std::size_t marker = body.find(kMarker);
    const std::size_t start = marker + std::string_view(kMarker).size() + 1;
    if (marker == std::string_view::npos || start >= body.size()) return answer;
    // Only the marker's own line is read, never past the end of the answer.
    std::string line(body.substr(start, body.find('\n', start) - start));
    int hours = 0, minutes = 0, degrees = 0, arcminutes = 0;
    double seconds = 0.0, arcseconds = 0.0;
    if (std::sscanf(line.c_str(), "%d %d %lf %d %d %lf", &hours, &minutes, &seconds, &degrees, &arcminutes,
                    &arcseconds) != 6) {
        return answer;
    }
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || !(seconds >= 0.0 && seconds < 60.0) ||
        std::abs(degrees) > 90 || arcminutes < 0 || arcminutes > 59 || !(arcseconds >= 0.0 && arcseconds < 60.0)) {
        return answer;
    }
    // The declination's sign stands on its degrees, also when they are 0.
    std::istringstream fields(line);
    std::string field;
    for (int i = 0; i < 4; ++i) fields >> field;  // the fourth field: the declination's degrees
    const bool negative = !field.empty() && field.front() == '-';
    char text[128];
    std::snprintf(text, sizeof text, "%d %d %.1lf    %s%d %d %.0lf", hours, minutes, seconds, negative ? "-" : "",
                  std::abs(degrees), arcminutes, arcseconds);
    answer.found = true;
    answer.message = "Received coordinates from SIMBAD:";
    answer.coordinates = text;
    answer.rightAscensionHours = hours + minutes / 60.0 + seconds / 3600.0;
    const double dec = std::abs(degrees) + arcminutes / 60.0 + arcseconds / 3600.0;
    answer.declinationDegrees = negative ? -dec : dec;
    return answer;
}

std::optional<SimbadAnswer> SimbadLookup::Start(const std::string& server, const std::string& identifier) {
    if (identifier.size() < 2) {
        SimbadAnswer answer;
        answer.message = "Please enter at least 2 characters for SIMBAD.";
        return answer;
    }
    if (busy_.load()) {
        SimbadAnswer answer;
        answer.message = "A SIMBAD query is still running.";
        return answer;
    }
    if (thread_.joinable()) thread_.join();
    busy_ = true;
    thread_ = std::thread([this, server, identifier] { Run(server, identifier); });
    return std::nullopt;
}

std::optional<SimbadAnswer> SimbadLookup::Poll() {
    std::lock_guard lock(mutex_);
    std::optional<SimbadAnswer> answer = std::move(answer_);
    answer_.reset();
    return answer;
}

void SimbadLookup::Run(std::string server, std::string identifier) {
    SimbadAnswer answer;
    WebClient client;
    client.SetCancelFlag(&cancel_);
    if (const int32_t result = client.OpenSession()) {
        LogMessageInt("E Telescope dialog failed to initiate the web request", result);
        answer.message = "Failed to connect to SIMBAD.";
    } else {
        LogMessageString("I Querying SIMBAD with identifier ", identifier);
        WebResponse response;
        const int32_t status = client.SendRequest(server, QueryPath(identifier), "GET", "", "", response);
        if (status == kWebCancelled) {
            LogMessageString("I SIMBAD query cancelled for", identifier);
            busy_ = false;
            return;
        }
        if (status != 0) {
            LogMessageInt("E Telescope dialog got an error result from SIMBAD", status);
            answer.message = "Couldn't get result from SIMBAD.";
        } else {
            answer = ParseAnswer(WidenBytes(response.body));
        }
    }
    std::lock_guard lock(mutex_);
    answer_ = std::move(answer);
    busy_ = false;
}

}  // namespace orva
