#include "OrvacamOptions.h"

#include "StationCameraDevices.h"

#include "common/CommandLine.h"
#include "simcam/SimSensorTable.h"
#include "station/LiveViewOptionsModel.h"

#include <algorithm>

namespace orva {
namespace {

std::optional<std::pair<int, int>> Pair(const std::string& text, int64_t max) {
    const auto colon = text.find(':');
    if (colon == std::string::npos) return std::nullopt;
    const auto a = CommandLine::ParseInteger(text.substr(0, colon), -1, max);
    const auto b = CommandLine::ParseInteger(text.substr(colon + 1), -1, max);
    if (!a || !b) return std::nullopt;
    return std::make_pair(static_cast<int>(*a), static_cast<int>(*b));
}

}  // namespace

std::optional<OrvacamOptions> OrvacamOptions::Parse(const std::vector<std::string>& args, std::string& error) {
    static const std::vector<CommandLineOption> kOptions = {
        {"camera"}, {"mode"},   {"exposure"},   {"levels"},      {"zoom"}, {"probe"},
        {"screenshot"}, {"after-ms"}, {"restretch"}, {"screenshot2"}, {"quit", false, false}, {"record"}, {"sim-utc"},
        {"plate-solve"}, {"scale-hint"},
        {"guide"},
    };
    const auto line = CommandLine::Parse(args, kOptions, 0, error);
    if (!line) return std::nullopt;
    OrvacamOptions o;
    if (const auto camera = line->Value("camera")) {
        int64_t sensor = -1;
        if (*camera == "sim") {
            sensor = 7;
        } else if (camera->rfind("sim:", 0) == 0) {
            const auto known = SimKnownSensorCodes();
            const int64_t code = CommandLine::ParseInteger(camera->substr(4), 0, 255).value_or(-1);
            if (std::find(known.begin(), known.end(), code) != known.end()) sensor = code;
        }
        if (sensor < 0) {
            error = "unknown camera '" + *camera + "' (sim, or sim:SENSORCODE with codes 2 to 14)";
            return std::nullopt;
        }
        o.connectAtStart = true;
        o.sensorCode = static_cast<uint8_t>(sensor);
    }
    if (!StationCameraDevices::SimulatedUtcStartOption(*line, o.simulatedUtcStartUnixNs, error)) return std::nullopt;
    const auto integer = [&](const char* name, int64_t min, int64_t max, int& out) {
        if (const auto v = line->Value(name)) {
            const auto parsed = CommandLine::ParseInteger(*v, min, max);
            if (!parsed) {
                error = std::string("--") + name + " must be a whole number from " + std::to_string(min) + " to " +
                        std::to_string(max);
                return false;
            }
            out = static_cast<int>(*parsed);
        }
        return true;
    };
    if (!integer("mode", 0, 255, o.modeIndex) || !integer("after-ms", 0, 600000, o.afterMs)) return std::nullopt;
    if (const auto v = line->Value("exposure")) {
        const auto e = CommandLine::ParseDecimal(*v, 1.0, 5000.0);
        if (!e) {
            error = "--exposure must be milliseconds from 1 to 5000";
            return std::nullopt;
        }
        o.exposureMs = *e;
    }
    int zoom = 0;
    if (!integer("zoom", LiveViewOptionsModel::kMinZoom, LiveViewOptionsModel::kMaxZoom, zoom)) return std::nullopt;
    if (line->Has("zoom")) o.zoomPercent = zoom;
    for (const auto& [name, target] :
         {std::make_pair("levels", &o.levels), std::make_pair("probe", &o.probe), std::make_pair("restretch", &o.restretch)}) {
        if (const auto v = line->Value(name)) {
            *target = Pair(*v, 65535);
            if (!*target) {
                error = std::string("--") + name + " takes two numbers, A:B";
                return std::nullopt;
            }
        }
    }
    o.screenshot = line->Value("screenshot").value_or("");
    o.screenshot2 = line->Value("screenshot2").value_or("");
    o.quit = line->Has("quit");
    o.guideClickFile = line->Value("guide").value_or("");
    if (const auto v = line->Value("record")) {
        if (*v == "ser") {
            o.record = RecordingFormat::Ser;
        } else if (*v == "adv") {
            o.record = RecordingFormat::Adv;
        } else if (*v == "fits") {
            o.record = RecordingFormat::FitsSequence;
        } else {
            error = "--record takes ser, adv or fits";
            return std::nullopt;
        }
    }
    o.plateSolve = line->Value("plate-solve").value_or("");
    o.scaleHint = line->Value("scale-hint").value_or("");
    if (!o.scaleHint.empty() && o.plateSolve.empty()) {
        error = "--scale-hint goes with --plate-solve";
        return std::nullopt;
    }
    if (o.restretch.has_value() != !o.screenshot2.empty() || (o.restretch && o.screenshot.empty())) {
        error = "--restretch and --screenshot2 go together, after --screenshot";
        return std::nullopt;
    }
    return o;
}

}  // namespace orva
