#include "telescope/TelescopeFacade.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace orva {

namespace {

constexpr const char* kConnection = "CONNECTION";
constexpr const char* kCoordinates = "EQUATORIAL_EOD_COORD";
constexpr const char* kCoordinateSet = "ON_COORD_SET";
constexpr const char* kTrackState = "TELESCOPE_TRACK_STATE";
constexpr const char* kSlewRate = "TELESCOPE_SLEW_RATE";
constexpr const char* kDriverInfo = "DRIVER_INFO";
constexpr const char* kPark = "TELESCOPE_PARK";
constexpr const char* kAbort = "TELESCOPE_ABORT_MOTION";

bool SwitchOn(const IndiProperty& property, const char* name) {
    const IndiElement* element = property.Find(name);
    return element && element->on;
}

}  // namespace

std::optional<TelescopeProgramId> TelescopeFacade::ParseProgramId(const std::string& text) {
    TelescopeProgramId id;
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos) {
        id.device = text;
    } else {
        const std::string server = text.substr(0, slash);
        id.device = text.substr(slash + 1);
        const std::size_t colon = server.find(':');
        id.host = server.substr(0, colon);
        if (colon != std::string::npos) {
            const char* first = server.data() + colon + 1;
            const char* last = server.data() + server.size();
            const auto [end, error] = std::from_chars(first, last, id.port);
            if (error != std::errc() || end != last || id.port < 1 || id.port > 65535) return std::nullopt;
        }
    }
    if (id.host.empty() || id.device.empty()) return std::nullopt;
    return id;
}

std::string TelescopeFacade::FormatProgramId(const TelescopeProgramId& id) {
    return id.host + ":" + std::to_string(id.port) + "/" + id.device;
}

TelescopeFacade::TelescopeFacade(std::string device) : device_(std::move(device)) {}

int32_t TelescopeFacade::Create(const std::string& programId, std::unique_ptr<ITelescopeDriver>& driver) {
    driver.reset();
    const auto id = ParseProgramId(programId);
    if (!id) return kTelescopeBadProgramId;
    std::unique_ptr<TelescopeFacade> facade(new TelescopeFacade(id->device));
    if (!facade->client_.Connect(id->host, id->port)) return kTelescopeServerUnreachable;
    IndiClient& client = facade->client_;
    const bool offered = client.WaitUntil(
        [&] {
            return client.PropertyLocked(id->device, kDriverInfo) && client.PropertyLocked(id->device, kConnection);
        },
        kReplyTimeout);
    if (!offered) return client.ServerLost() ? kTelescopeServerLost : kTelescopeNoDevice;
    driver = std::move(facade);
    return 0;
}

bool TelescopeFacade::ConnectionLost() const { return client_.ServerLost(); }

int32_t TelescopeFacade::Lost() const { return client_.ServerConnected() ? 0 : kTelescopeServerLost; }

uint64_t TelescopeFacade::Generation(const std::string& property) const {
    const auto current = client_.Property(device_, property);
    return current ? current->generation : 0;
}

int32_t TelescopeFacade::Await(const std::string& property, uint64_t generation,
                               const std::function<bool(const IndiProperty&)>& done) {
    int32_t result = kTelescopeNoAnswer;
    client_.WaitUntil(
        [&] {
            const IndiProperty* current = client_.PropertyLocked(device_, property);
            if (!current) return false;
            if (current->state == IndiState::Alert && current->generation > generation) {
                result = kTelescopeRefused;
                return true;
            }
            if (!done(*current)) return false;
            result = 0;
            return true;
        },
        kReplyTimeout);
    if (result == kTelescopeNoAnswer && Lost() != 0) return kTelescopeServerLost;
    return result;
}

int32_t TelescopeFacade::IsConnected(bool& connected) {
    connected = false;
    if (const int32_t lost = Lost()) return lost;
    const auto property = client_.Property(device_, kConnection);
    if (!property) return kTelescopeNoProperty;
    connected = SwitchOn(*property, "CONNECT") && property->state != IndiState::Alert;
    return 0;
}

int32_t TelescopeFacade::SetConnected(bool connected) {
    const uint64_t generation = Generation(kConnection);
    if (!client_.SendSwitches(device_, kConnection, {{"CONNECT", connected}, {"DISCONNECT", !connected}})) {
        return kTelescopeServerLost;
    }
    const int32_t result = Await(kConnection, generation, [&](const IndiProperty& p) {
        return p.state != IndiState::Busy && SwitchOn(p, "CONNECT") == connected;
    });
    if (result != 0 || !connected) return result;
    // The equatorial system read of a connect: the driver must offer coordinates of date.
    return Await(kCoordinates, 0, [](const IndiProperty&) { return true; });
}

int32_t TelescopeFacade::GetCoordinates(double& rightAscensionHours, double& declinationDegrees, bool& connected) {
    rightAscensionHours = 0.0;
    declinationDegrees = 0.0;
    const int32_t result = IsConnected(connected);
    if (result != 0 || !connected) return result;
    const auto property = client_.Property(device_, kCoordinates);
    const IndiElement* ra = property ? property->Find("RA") : nullptr;
    const IndiElement* dec = property ? property->Find("DEC") : nullptr;
    if (ra) rightAscensionHours = ra->number;
    if (dec) declinationDegrees = dec->number;
    return ra && dec ? 0 : kTelescopeNoProperty;
}

int32_t TelescopeFacade::SendCoordinates(const char* mode, double rightAscensionHours, double declinationDegrees) {
    if (!std::isfinite(rightAscensionHours) || !std::isfinite(declinationDegrees) || rightAscensionHours < 0.0 ||
        rightAscensionHours >= 24.0 || std::fabs(declinationDegrees) > 90.0) {
        return kTelescopeBadArgument;
    }
    if (const int32_t lost = Lost()) return lost;
    const auto modes = client_.Property(device_, kCoordinateSet);
    if (!modes || !modes->Find(mode)) return kTelescopeNoProperty;
    const uint64_t setGeneration = modes->generation;
    std::vector<std::pair<std::string, bool>> states;
    for (const auto& [name, element] : modes->elements) states.emplace_back(name, name == mode);
    if (!client_.SendSwitches(device_, kCoordinateSet, states)) return kTelescopeServerLost;
    if (const int32_t result = Await(kCoordinateSet, setGeneration, [&](const IndiProperty& p) { return SwitchOn(p, mode); })) {
        return result;
    }
    if (!client_.SendNumbers(device_, kCoordinates, {{"RA", rightAscensionHours}, {"DEC", declinationDegrees}})) {
        return kTelescopeServerLost;
    }
    return 0;
}

int32_t TelescopeFacade::Sync(double rightAscensionHours, double declinationDegrees) {
    const uint64_t generation = Generation(kCoordinates);
    if (const int32_t result = SendCoordinates("SYNC", rightAscensionHours, declinationDegrees)) return result;
    // Done once the reported position is the synced one (a tracking-off mount drifts
    // 15" a second, hence the tolerance).
    return Await(kCoordinates, generation, [&](const IndiProperty& p) {
        const IndiElement* ra = p.Find("RA");
        const IndiElement* dec = p.Find("DEC");
        return p.state != IndiState::Busy && ra && dec && std::fabs(ra->number - rightAscensionHours) < 1e-3 &&
               std::fabs(dec->number - declinationDegrees) < 1e-3;
    });
}

int32_t TelescopeFacade::Slew(double rightAscensionHours, double declinationDegrees) {
    const uint64_t generation = Generation(kCoordinates);
    if (const int32_t result = SendCoordinates("TRACK", rightAscensionHours, declinationDegrees)) return result;
    // Accepted once the mount reports the slew (busy) or already stands at the target.
    return Await(kCoordinates, generation, [&](const IndiProperty& p) {
        const IndiElement* ra = p.Find("RA");
        const IndiElement* dec = p.Find("DEC");
        return p.state == IndiState::Busy || (ra && dec && std::fabs(ra->number - rightAscensionHours) < 1e-4 &&
                                              std::fabs(dec->number - declinationDegrees) < 1e-3);
    });
}

double TelescopeFacade::NominalRate(const std::string& label, std::size_t index) {
    double multiple = 0.0;
    if (label.size() > 1 && (label.back() == 'x' || label.back() == 'X')) {
        const char* first = label.data();
        const char* last = label.data() + label.size() - 1;
        const auto [end, error] = std::from_chars(first, last, multiple);
        if (error != std::errc() || end != last || !(multiple > 0.0)) multiple = 0.0;
    }
    if (multiple == 0.0) multiple = std::pow(4.0, static_cast<double>(index));
    return multiple * kSiderealDegPerSec;
}

int32_t TelescopeFacade::GetAxisRates(int axis, std::vector<TelescopeRateRange>& ranges) {
    ranges.clear();
    if (axis != 0 && axis != 1) return kTelescopeBadArgument;
    if (const int32_t lost = Lost()) return lost;
    // A driver defines its properties one by one after connecting; give the rates a moment.
    client_.WaitUntil([&] { return client_.PropertyLocked(device_, kSlewRate) != nullptr; }, kReplyTimeout / 5);
    const auto property = client_.Property(device_, kSlewRate);
    if (!property || property->elements.empty()) return kTelescopeNoProperty;
    for (std::size_t i = 0; i < property->elements.size(); ++i) {
        const double rate = NominalRate(property->elements[i].second.label, i);
        ranges.push_back({rate, rate});
    }
    return 0;
}

int32_t TelescopeFacade::GetBoolProperty(const std::string& name, bool& value) {
    value = false;
    if (const int32_t lost = Lost()) return lost;
    if (name == "Tracking") {
        const auto property = client_.Property(device_, kTrackState);
        if (!property) return kTelescopeNoProperty;
        value = SwitchOn(*property, "TRACK_ON");
        return 0;
    }
    if (name == "CanSync") {
        // A mount that is not connected yet offers no coordinate modes: it can't sync yet.
        const auto property = client_.Property(device_, kCoordinateSet);
        value = property && property->Find("SYNC") != nullptr;
        return 0;
    }
    if (name == "Slewing") {
        // A mount under way reports its coordinates busy.
        const auto property = client_.Property(device_, kCoordinates);
        if (!property) return kTelescopeNoProperty;
        value = property->state == IndiState::Busy;
        return 0;
    }
    if (name == "Parked") {
        const auto property = client_.Property(device_, kPark);
        if (!property) return kTelescopeNoProperty;
        value = SwitchOn(*property, "PARK") && property->state != IndiState::Busy;
        return 0;
    }
    return kTelescopeBadArgument;
}

int32_t TelescopeFacade::PutBoolProperty(const std::string& name, bool value) {
    if (name == "Park") {
        const auto property = client_.Property(device_, kPark);
        if (!property) return Lost() ? Lost() : kTelescopeNoProperty;
        if (!client_.SendSwitches(device_, kPark, {{"PARK", value}, {"UNPARK", !value}})) return kTelescopeServerLost;
        // The driver takes the order (parking itself takes the slew's time).
        return Await(kPark, property->generation, [](const IndiProperty&) { return true; });
    }
    if (name == "AbortSlew") {
        const auto property = client_.Property(device_, kAbort);
        if (!property) return Lost() ? Lost() : kTelescopeNoProperty;
        if (!client_.SendSwitches(device_, kAbort, {{"ABORT", true}})) return kTelescopeServerLost;
        return Await(kAbort, property->generation, [](const IndiProperty&) { return true; });
    }
    if (name != "Tracking") return kTelescopeBadArgument;
    const auto property = client_.Property(device_, kTrackState);
    if (!property) return Lost() ? Lost() : kTelescopeNoProperty;
    if (!client_.SendSwitches(device_, kTrackState, {{"TRACK_ON", value}, {"TRACK_OFF", !value}})) {
        return kTelescopeServerLost;
    }
    // A tracking mount reports the property busy.
    return Await(kTrackState, property->generation, [&](const IndiProperty& p) {
        return SwitchOn(p, "TRACK_ON") == value;
    });
}

int32_t TelescopeFacade::MoveAxis(int axis, double rate) {
    if ((axis != 0 && axis != 1) || !std::isfinite(rate)) return kTelescopeBadArgument;
    const char* motion = axis == 0 ? "TELESCOPE_MOTION_WE" : "TELESCOPE_MOTION_NS";
    const char* positive = axis == 0 ? "MOTION_EAST" : "MOTION_NORTH";
    const char* negative = axis == 0 ? "MOTION_WEST" : "MOTION_SOUTH";
    if (!client_.Property(device_, motion)) return Lost() ? Lost() : kTelescopeNoProperty;
    if (rate != 0.0) {
        // The offered rate nearest to the asked one, on a logarithmic scale.
        const auto rates = client_.Property(device_, kSlewRate);
        if (rates && !rates->elements.empty()) {
            std::size_t best = 0;
            double bestDistance = INFINITY;
            for (std::size_t i = 0; i < rates->elements.size(); ++i) {
                const double distance =
                    std::fabs(std::log(NominalRate(rates->elements[i].second.label, i) / std::fabs(rate)));
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = i;
                }
            }
            if (!rates->elements[best].second.on) {
                std::vector<std::pair<std::string, bool>> states;
                for (std::size_t i = 0; i < rates->elements.size(); ++i) states.emplace_back(rates->elements[i].first, i == best);
                if (!client_.SendSwitches(device_, kSlewRate, states)) return kTelescopeServerLost;
            }
        }
    }
    const bool forward = rate > 0.0;
    const bool backward = rate < 0.0;
    if (!client_.SendSwitches(device_, motion, {{positive, forward}, {negative, backward}})) return kTelescopeServerLost;
    return 0;
}

int32_t TelescopeFacade::PulseGuide(int axis, int direction, int milliseconds) {
    if ((axis != 0 && axis != 1) || (direction != 1 && direction != -1) || milliseconds <= 0) {
        return kTelescopeBadArgument;
    }
    const char* property = axis == 0 ? "TELESCOPE_TIMED_GUIDE_WE" : "TELESCOPE_TIMED_GUIDE_NS";
    const char* positive = axis == 0 ? "TIMED_GUIDE_E" : "TIMED_GUIDE_N";
    const char* negative = axis == 0 ? "TIMED_GUIDE_W" : "TIMED_GUIDE_S";
    if (!client_.Property(device_, property)) return Lost() ? Lost() : kTelescopeNoProperty;
    const double ms = static_cast<double>(milliseconds);
    if (!client_.SendNumbers(device_, property, {{positive, direction > 0 ? ms : 0.0}, {negative, direction < 0 ? ms : 0.0}})) {
        return kTelescopeServerLost;
    }
    return 0;
}

int32_t TelescopeFacade::GetDriverInfo(std::string& info) {
    info.clear();
    const auto property = client_.Property(device_, kDriverInfo);
    if (!property) return Lost() ? Lost() : kTelescopeNoProperty;
    const IndiElement* name = property->Find("DRIVER_NAME");
    const IndiElement* version = property->Find("DRIVER_VERSION");
    info = name ? name->text : device_;
    if (version && !version->text.empty()) info += " " + version->text;
    return 0;
}

}  // namespace orva
