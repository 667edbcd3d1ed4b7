#include "camera/SatConfigDialogModel.h"

#include "common/Log.h"
#include "common/Settings.h"

#include <cstdlib>
#include <vector>

namespace orva {
namespace {

constexpr Clock::Duration kReceiverWait = std::chrono::milliseconds(20);
constexpr std::size_t kMaxVersionLength = 126;

std::string Dop(uint16_t value) { return FormatValueMessage("%.2f        ", value / 100.0); }

}  // namespace

const std::array<SatConfigDialogModel::Field, 12> SatConfigDialogModel::kFields{{
    {"GPS module", "Module hardware", &SatConfigDialogModel::hardware},
    {"GPS module", "Module firmware", &SatConfigDialogModel::firmware},
    {"Receiver state", "Fix status", &SatConfigDialogModel::fixStatus},
    {"Receiver state", "Satellites", &SatConfigDialogModel::satellites},
    {"Receiver state", "Accuracy (m)", &SatConfigDialogModel::accuracy},
    {"Receiver state", "Date and time", &SatConfigDialogModel::dateTime},
    {"Receiver state", "Position", &SatConfigDialogModel::position},
    {"Dilution of precision", "Geometric", &SatConfigDialogModel::dopGeometric},
    {"Dilution of precision", "Time", &SatConfigDialogModel::dopTime},
    {"Dilution of precision", "Positional", &SatConfigDialogModel::dopPositional},
    {"Dilution of precision", "H", &SatConfigDialogModel::dopH},
    {"Dilution of precision", "V", &SatConfigDialogModel::dopV},
}};

SatConfigDialogModel::SatConfigDialogModel(CameraManager& manager, Settings& settings, Clock& clock)
    : manager_(manager), settings_(settings), clock_(clock) {}

void SatConfigDialogModel::Open() {
    LogMessage("I Opened Sat Config Dialog");
    ReadVersion();
    RefreshStatus();
    nextRefresh_ = clock_.Now() + kRefreshPeriod;
}

std::optional<std::string> SatConfigDialogModel::VersionText(std::span<const uint8_t> stream) {
    if (stream.empty()) return std::nullopt;
    const std::size_t length = stream[0];
    if (length > kMaxVersionLength || length + 1 > stream.size()) return std::nullopt;
    return std::string(stream.begin() + 1, stream.begin() + 1 + static_cast<std::ptrdiff_t>(length));
}

void SatConfigDialogModel::ReadVersion() {
    hardware = firmware = "Unknown";
    const auto& unit = manager_.ActiveCameraUnit();
    CameraExtensionUnit* eu = unit ? unit->ExtensionUnit() : nullptr;
    if (!eu) return;
    eu->SendGpsCommand(0, 0x01, 0xFF);
    clock_.SleepFor(kReceiverWait);
    std::vector<uint8_t> stream;
    bool ended = false;
    for (int k = 0; k < kVersionWords && !ended; ++k) {
        const std::optional<uint32_t> word = eu->ReadTransferBufferWord(static_cast<uint8_t>(k));
        if (!word) {
            LogMessageInt("W Failed to read GPS hardware and firmware from transfer buffer:", 0);
            return;
        }
        for (int b = 0; b < 4; ++b) {
            stream.push_back(static_cast<uint8_t>(*word >> (8 * b)));
            if (stream.back() == 0) ended = true;
        }
    }
    const std::optional<std::string> text = VersionText(stream);
    if (!text) {
        LogMessageInt("W Failed to read GPS hardware and firmware from transfer buffer:", 0);
        return;
    }
    LogMessageString("I GPS hardware and firmware:", *text);
    const std::size_t semicolon = text->find(';');
    hardware = text->substr(0, semicolon);
    firmware = semicolon == std::string::npos ? std::string() : text->substr(semicolon + 1);
    if (hardware.empty()) hardware = "unknown";
    if (firmware.empty()) firmware = "unknown";
}

std::string SatConfigDialogModel::FormatCoordinate(int32_t valueE7, char positive, char negative) {
    const int64_t magnitude = std::llabs(static_cast<long long>(valueE7));
    return FormatValueMessage("%c%02d.%07d", valueE7 < 0 ? negative : positive, static_cast<int>(magnitude / 10000000),
                              static_cast<int>(magnitude % 10000000));
}

void SatConfigDialogModel::Tick() {
    if (clock_.Now() < nextRefresh_) return;
    nextRefresh_ = clock_.Now() + kRefreshPeriod;
    RefreshStatus();
}

void SatConfigDialogModel::RefreshStatus() {
    logging = settings_.GpsLogEnabled.IsOn() ? "Periodic logging is enabled."
                                                        : "Periodic logging is disabled.";
    const auto& unit = manager_.ActiveCameraUnit();
    if (!unit || !manager_.Stream().IsStreaming()) {
        fixStatus = satellites = "-     ";
        accuracy = dopGeometric = dopTime = dopPositional = dopH = dopV = dateTime = position = "---   ";
        return;
    }
    const CameraStatus s = unit->Status().Load();
    fixStatus = FormatValueMessage("%d     ", s.fixState);
    satellites = FormatValueMessage("%d     ", s.satellites);
    accuracy = FormatValueMessage("%d     ", s.positionAccuracy);
    // The record's order is G, P, T, V, H.
    dopGeometric = Dop(s.dop[0]);
    dopPositional = Dop(s.dop[1]);
    dopTime = Dop(s.dop[2]);
    dopV = Dop(s.dop[3]);
    dopH = Dop(s.dop[4]);
    dateTime = formatFrameTime ? formatFrameTime(s) : std::string();
    position = FormatValueMessage("%s / %s / %.1f msl", FormatCoordinate(s.latitude, 'N', 'S').c_str(),
                                  FormatCoordinate(s.longitude, 'E', 'W').c_str(), s.height * 0.001);
}

}  // namespace orva
