#include "CliGnssCommand.h"

#include "CliCamerasCommand.h"
#include "CliExit.h"
#include "CliProgressLine.h"
#include "CliSession.h"
#include "CliSignals.h"
#include "CliStation.h"
#include "CliStationLock.h"
#include "CliStationLoop.h"

#include "camera/GnssSelectionDialogModel.h"
#include "camera/SatConfigDialogModel.h"
#include "common/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <optional>
#include <utility>

namespace orva {
namespace {

constexpr const char* kCommand = "orvacam-cli gnss";
// The GNSS Selector's read steps on a 100 ms timer.
constexpr auto kReadTickPeriod = std::chrono::milliseconds(100);

bool HasSystem(const GnssConfiguration& config, int id) {
    return std::any_of(config.blocks.begin(), config.blocks.end(), [id](const GnssBlock& b) { return b.systemId == id; });
}

struct GnssOptions {
    CliCameraSettings camera;
    std::vector<std::pair<int, bool>> switches;  // system id, on
};

int UsageError(const std::string& message) { return CliExit::Usage(kCommand, message); }
int Failure(const std::string& message) { return CliExit::Failure(kCommand, message); }

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// "6", "6-GLONASS" or "GLONASS", in any letter case.
std::optional<int> SystemByName(const std::string& name) {
    for (int id = 0; id < GnssConfiguration::kSystemCount; ++id) {
        const std::string row = Lower(GnssSelectionDialogModel::RowName(id));
        const std::string lower = Lower(name);
        if (lower == row || lower == row.substr(0, 1) || lower == row.substr(2)) return id;
    }
    return std::nullopt;
}

std::optional<GnssOptions> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    const auto line = CommandLine::Parse(args, {{"camera"}, {"set", true, true}}, 0, error);
    if (!line) return std::nullopt;
    GnssOptions o;
    const auto sensor = CliCamerasCommand::CameraOption(*line, error);
    if (!sensor) return std::nullopt;
    o.camera.sensorCode = *sensor;
    for (const std::string& set : line->Values("set")) {
        const std::size_t equals = set.find('=');
        const std::optional<int> id = SystemByName(set.substr(0, equals));
        const std::string value = equals == std::string::npos ? "" : Lower(set.substr(equals + 1));
        if (!id || (value != "on" && value != "off")) {
            error = "--set takes SYSTEM=on or SYSTEM=off, SYSTEM one of GPS, SBAS, Galileo, Baidou, IMES, QZSS, "
                    "GLONASS (or 0..6), not '" + set + "'";
            return std::nullopt;
        }
        if (std::any_of(o.switches.begin(), o.switches.end(), [&](const auto& s) { return s.first == *id; })) {
            error = std::string("--set names ") + GnssSelectionDialogModel::RowName(*id) + " twice";
            return std::nullopt;
        }
        o.switches.emplace_back(*id, value == "on");
    }
    return o;
}

class GnssRun {
public:
    explicit GnssRun(const GnssOptions& options)
        : o_(options),
          station_(options.camera, SimFaultPlan{}, kCommand),
          dialogModel_(station_.Core().MakeGnssSelectionDialog()),
          dialog_(*dialogModel_) {}

    int Run();

private:
    // Steps the station and the dialog until the dialog's read has ended; false when the
    // user stopped it.
    bool WaitForRead();
    // The dialog's reason for a failure, unless its message box has given it.
    std::string FailureText();
    void PrintTable() const;

    const GnssOptions& o_;
    CliStation station_;
    std::unique_ptr<GnssSelectionDialogModel> dialogModel_;
    GnssSelectionDialogModel& dialog_;
};

bool GnssRun::WaitForRead() {
    CliProgressLine progress;
    CliStationLoop loop(station_.Core());
    auto nextTick = CliStationLoop::Clock::now();
    while (dialog_.Busy()) {
        if (CliSignals::StopRequested()) return false;
        progress.Show(dialog_.StatusText());
        loop.Step();
        if (CliStationLoop::Clock::now() >= nextTick) {
            dialog_.Tick();
            nextTick += kReadTickPeriod;
        }
    }
    return true;
}

std::string GnssRun::FailureText() {
    return station_.Ui().LastMessage().empty() ? "the GPS module: " + dialog_.StatusText() : "";
}

int GnssRun::Run() {
    std::string error;
    if (!station_.Connect(error)) return Failure(error);
    const std::unique_ptr<SatConfigDialogModel> satDialog = station_.Core().MakeSatConfigDialog();
    SatConfigDialogModel& sat = *satDialog;
    sat.Open();
    std::printf("module hardware: %s\nmodule firmware: %s\n", sat.hardware.c_str(), sat.firmware.c_str());
    std::fflush(stdout);

    dialog_.Open();
    if (!WaitForRead()) return Failure("stopped by the user");
    if (!dialog_.LastRead() || dialog_.StatusText() != "Read complete.") return Failure(FailureText());
    if (!o_.switches.empty()) {
        for (const auto& [id, on] : o_.switches) {
            if (!HasSystem(*dialog_.LastRead(), id)) {
                return Failure(std::string("the GPS module has no ") + GnssSelectionDialogModel::RowName(id) +
                               " configuration; nothing was written");
            }
            dialog_.rows[id].enabled = on;
        }
        dialog_.Write();
        if (!WaitForRead()) return Failure("stopped by the user after writing; read the configuration again");
        if (dialog_.StatusText() != "Writing done.") return Failure(FailureText());
        std::printf("written and read back\n");
    }
    PrintTable();
    return CliExit::kDone;
}

void GnssRun::PrintTable() const {
    std::printf("channels: %s total, %s active\n", dialog_.totalText.c_str(), dialog_.activeText.c_str());
    std::printf("%-10s %-7s %3s %3s  %s\n", "system", "enabled", "min", "max", "signals");
    for (int id = 0; id < GnssConfiguration::kSystemCount; ++id) {
        if (!HasSystem(*dialog_.LastRead(), id)) continue;
        const GnssRow& row = dialog_.rows[id];
        std::string signals = row.signal ? GnssSelectionDialogModel::SignalName(id) : "";
        if (id == GnssConfiguration::kQzssId && row.l1s) {
            signals += std::string(signals.empty() ? "" : " ") + GnssSelectionDialogModel::kL1sName;
        }
        std::printf("%-10s %-7s %3s %3s  %s\n", GnssSelectionDialogModel::RowName(id), row.enabled ? "on" : "off",
                    row.minChannels.c_str(), row.maxChannels.c_str(), signals.empty() ? "-" : signals.c_str());
    }
    std::fflush(stdout);
}

}  // namespace

int CliGnssCommand::Run(const std::vector<std::string>& args) {
    std::string error;
    const auto options = ParseOptions(args, error);
    if (!options) return UsageError(error);
    // Only writing a configuration changes the station; showing it does not.
    CliStationLock lock(kCommand);
    if (!options->switches.empty() && !lock.Take()) return CliExit::kStationBusy;
    CliSession session;
    CliSignals::InstallStopHandler();
    GnssRun run(*options);
    return run.Run();
}

}  // namespace orva
